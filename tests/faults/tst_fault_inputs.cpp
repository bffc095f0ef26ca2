// Bad input from a device and from the setting files: the window comes up idle, the
// log says what was wrong, and no file is left half-written.
#include "TestProgramFolder.h"

#include "app/Dialogs.h"
#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "frame/QUIWidget.h"
#include "release/HttpClass.h"

#include <QComboBox>
#include <QJsonDocument>
#include <QMutex>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTextEdit>
#include <QtTest>

namespace {

QMutex g_messagesMutex;
QStringList g_messages;

// The window's lookup workers log from their own threads.
void collect(QtMsgType, const QMessageLogContext &, const QString &message)
{
    QMutexLocker locker(&g_messagesMutex);
    g_messages << message;
}

QStringList messages()
{
    QMutexLocker locker(&g_messagesMutex);
    return g_messages;
}

bool anyMessageContains(const QString &text)
{
    for (const QString &message : messages()) {
        if (message.contains(text))
            return true;
    }
    return false;
}

QByteArray noise(int size)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(12);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

} // namespace

class TestFaultInputs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void hidAnswersOfFF();
    void badSettingFiles_data();
    void badSettingFiles();
};

void TestFaultInputs::init()
{
    Dialogs::setScripted(true);
    Dialogs::takeShown();
    {
        QMutexLocker locker(&g_messagesMutex);
        g_messages.clear();
    }
    qInstallMessageHandler(collect);
}

void TestFaultInputs::cleanup()
{
    qInstallMessageHandler(nullptr);
}

void TestFaultInputs::hidAnswersOfFF()
{
    TestProgramFolder folder;
    QJsonObject device = TestProgramFolder::tovrekDevice(QStringLiteral("DAC"));
    const QString allFF = QStringLiteral("FF ").repeated(65).trimmed();
    device.insert(QStringLiteral("nameAnswerHex"), allFF);
    device.insert(QStringLiteral("versionAnswerHex"), allFF);
    folder.setDevices({device});

    MainWindow window;
    auto *list = window.findChild<QComboBox *>(QStringLiteral("comboBox_deviceList"));
    QCOMPARE(list->currentText(), QStringLiteral("DAC(0x32BB/0x0004,0xFF32,0x0003)"));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_getVer")), Qt::LeftButton);

    // The device was asked; its answer is no version, so none is shown.
    QVERIFY(folder.sentReports().size() >= 4);
    const QStringList entries = logEntries(window.findChild<QTextEdit *>(QStringLiteral("textEdit_info")));
    QCOMPARE(entries.size(), 1);  // only the upgrade notice
    QVERIFY(!window.isUpgrading());
    QVERIFY(list->isEnabled());
    QVERIFY(Dialogs::takeShown().isEmpty());
}

void TestFaultInputs::badSettingFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("logged");

    const QByteArray big = noise(10 << 20);
    for (const char *file : {"config.json", "style.dat"}) {
        const QString logged = qstrcmp(file, "config.json") == 0 ? QStringLiteral("Failed to parse JSON data.")
                                                                 : QStringLiteral("Data read from file: ");
        QTest::addRow("%s empty", file) << file << QByteArray() << logged;
        QTest::addRow("%s binary", file) << file << noise(300) << logged;
        QTest::addRow("%s of 10 MB", file) << file << big << logged;
    }
}

void TestFaultInputs::badSettingFiles()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, contents);
    QFETCH(QString, logged);

    TestProgramFolder folder;
    folder.setDevices({TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))});
    const QString path = folder.writeFile(QStringLiteral("setting/") + file, contents);
    g_httpClass.readConfig();

    auto *window = new MainWindow;
    QScopedPointer<QUIWidget> frame(createMainFrame(window, QStringLiteral("1.0")));
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame.data()));

    QVERIFY2(anyMessageContains(logged), qPrintable(messages().join(QLatin1Char('\n')).left(4000)));
    QVERIFY(!window->isUpgrading());
    QCOMPARE(window->findChild<QComboBox *>(QStringLiteral("comboBox_deviceList"))->currentText(),
             QStringLiteral("DAC(0x32BB/0x0004,0xFF32,0x0003)"));
    // Whatever the tool left in place is the bad file untouched or a whole new one.
    const QByteArray after = readWholeFile(path);
    if (after != contents) {
        if (file == QLatin1String("config.json"))
            QVERIFY(QJsonDocument::fromJson(after).isObject());
        else
            QCOMPARE(after, QByteArray("0"));
    }
    if (file == QLatin1String("style.dat"))
        QCOMPARE(frame->currentStyle(), 0);
    // Nothing of megabytes went into the log.
    for (const QString &message : messages())
        QVERIFY(message.size() < 10000);
    frame.reset();
    g_mainFrame = nullptr;
}

QTEST_MAIN(TestFaultInputs)
#include "tst_fault_inputs.moc"
