// The main window: operation log, busy state, close guard, the device list and the
// buttons of the device row, against simulated devices.
#include "TestProgramFolder.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

namespace {

QTextEdit *logView(MainWindow &window)
{
    return window.findChild<QTextEdit *>(QStringLiteral("textEdit_info"));
}

QComboBox *deviceList(MainWindow &window)
{
    return window.findChild<QComboBox *>(QStringLiteral("comboBox_deviceList"));
}

QStringList entries(MainWindow &window)
{
    return logEntries(logView(window));
}

QColor colourOf(MainWindow &window, const QString &text)
{
    for (QTextBlock block = logView(window)->document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().contains(text))
            return block.begin().fragment().charFormat().foreground().color();
    }
    return QColor();
}

void log(MainWindow &window, const QString &text)
{
    QMetaObject::invokeMethod(&window, "insertStringToFirstLine", Q_ARG(QString, text));
}

bool peqLinkShown(MainWindow &window)
{
    return !window.findChild<QPushButton *>(QStringLiteral("pushButton_url"))->isHidden()
        && !window.findChild<QWidget *>(QStringLiteral("label_space"))->isHidden();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void logIsNewestFirstInTheCallersColour();
    void busyState();
    void closeGuard_data();
    void closeGuard();
    void startUpList_data();
    void startUpList();
    void versionButton_data();
    void versionButton();
    void rebootButton();
    void peqLink_data();
    void peqLink();
    void burstOfNotificationsGivesOneRefresh();
    void languageChangeRewritesTheNotice();
};

void TestMainWindow::init()
{
    Dialogs::setScripted(true);
}

void TestMainWindow::logIsNewestFirstInTheCallersColour()
{
    TestProgramFolder folder;
    MainWindow window;
    QCOMPARE(entries(window).size(), 1);
    QVERIFY(entries(window).at(0).startsWith(QStringLiteral("升级注意:\n1.USB")));
    QCOMPARE(entries(window).at(0).count(QLatin1Char('\n')), 3);

    logView(window)->clear();
    log(window, QStringLiteral("oldest"));
    QVERIFY(QRegularExpression(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\]oldest$"))
                .match(logView(window)->toPlainText())
                .hasMatch());

    logView(window)->setTextColor(Qt::red);
    log(window, QStringLiteral("middle"));
    logView(window)->setTextColor(Qt::black);
    log(window, QStringLiteral("newest"));

    QCOMPARE(entries(window), (QStringList{"newest", "middle", "oldest"}));
    QCOMPARE(colourOf(window, QStringLiteral("middle")), QColor(Qt::red));
    QCOMPARE(colourOf(window, QStringLiteral("newest")), QColor(Qt::black));
    QCOMPARE(colourOf(window, QStringLiteral("oldest")), QColor(Qt::black));
}

void TestMainWindow::busyState()
{
    TestProgramFolder folder;
    MainWindow window;
    const QStringList controls{"comboBox_deviceList", "pushButton_getVer", "pushButton_reboot",
                               "pushButton_localUpdate", "btn_download", "comboBox_lang"};
    auto *bar = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    bar->setValue(40);

    window.setControlsEnabled(false);
    QVERIFY(window.isUpgrading());
    for (const QString &name : controls)
        QVERIFY2(!window.findChild<QWidget *>(name)->isEnabled(), qPrintable(name));
    QVERIFY(window.findChild<QPushButton *>(QStringLiteral("pushButton_url"))->isEnabled());
    QVERIFY(window.findChild<QLineEdit *>(QStringLiteral("lineEdit_filepath"))->isEnabled());
    QCOMPARE(bar->value(), 0);

    bar->setValue(70);
    window.setControlsEnabled(true);
    QVERIFY(!window.isUpgrading());
    for (const QString &name : controls)
        QVERIFY2(window.findChild<QWidget *>(name)->isEnabled(), qPrintable(name));
    QCOMPARE(bar->value(), 0);
}

void TestMainWindow::closeGuard_data()
{
    QTest::addColumn<bool>("upgrading");
    QTest::addColumn<bool>("deviceListed");
    QTest::addColumn<bool>("closes");

    QTest::newRow("idle") << false << true << true;
    QTest::newRow("upgrading a listed device") << true << true << false;
    QTest::newRow("upgrading, device gone from the list") << true << false << true;
}

void TestMainWindow::closeGuard()
{
    QFETCH(bool, upgrading);
    QFETCH(bool, deviceListed);
    QFETCH(bool, closes);

    TestProgramFolder folder;
    if (deviceListed)
        folder.setDevices({TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))});
    MainWindow window;
    window.setControlsEnabled(!upgrading);
    Dialogs::takeShown();

    QCloseEvent event;
    QApplication::sendEvent(&window, &event);
    QCOMPARE(event.isAccepted(), closes);
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), closes ? 0 : 1);
    if (!closes)
        QCOMPARE(shown.at(0).text, QStringLiteral("正在升级中,请勿关闭软件!"));
}

void TestMainWindow::startUpList_data()
{
    QTest::addColumn<QJsonArray>("devices");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("warning");

    const QString duplicate = QStringLiteral("注意:检测到有多个相同ID值的设备,为防止升级错误,请先拔除再升级!");
    QTest::newRow("no device") << QJsonArray{} << QStringList{"没有找到设备"} << "";
    QTest::newRow("row 1 device") << QJsonArray{TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))}
                                  << QStringList{"DAC(0x32BB/0x0004,0xFF32,0x0003)"} << "";
    QTest::newRow("two identical devices of the maker")
        << QJsonArray{TestProgramFolder::tovrekDevice(QStringLiteral("Norvo DAC"), QStringLiteral("a")),
                      TestProgramFolder::tovrekDevice(QStringLiteral("Norvo DAC"), QStringLiteral("b"))}
        << QStringList{} << duplicate;
}

void TestMainWindow::startUpList()
{
    QFETCH(QJsonArray, devices);
    QFETCH(QStringList, list);
    QFETCH(QString, warning);

    TestProgramFolder folder;
    folder.setDevices(devices);
    MainWindow window;
    QStringList shownList;
    for (int i = 0; i < deviceList(window)->count(); ++i)
        shownList << deviceList(window)->itemText(i);
    QCOMPARE(shownList, list);

    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), warning.isEmpty() ? 0 : 1);
    if (!warning.isEmpty()) {
        QCOMPARE(shown.at(0).kind, QStringLiteral("critical"));
        QCOMPARE(shown.at(0).title, QStringLiteral("提示"));
        QCOMPARE(shown.at(0).text, warning);
        // The selection handler never ran, so the link keeps its first state.
        QVERIFY(peqLinkShown(window));
    }
}

void TestMainWindow::versionButton_data()
{
    QTest::addColumn<QString>("versionAnswer");
    QTest::addColumn<bool>("failRead");
    QTest::addColumn<QString>("entry");

    QTest::newRow("answers") << "{\"3\":\"V1.05\"}" << false << "[当前固件版本:1.05]";
    QTest::newRow("read fails") << "{\"3\":\"V1.05\"}" << true << "";
    QTest::newRow("no version member") << "{\"0\":\"DAC\"}" << false << "";
}

void TestMainWindow::versionButton()
{
    QFETCH(QString, versionAnswer);
    QFETCH(bool, failRead);
    QFETCH(QString, entry);

    TestProgramFolder folder;
    QJsonObject device = TestProgramFolder::tovrekDevice(QStringLiteral("DAC"));
    device.insert(QStringLiteral("versionAnswer"), versionAnswer);
    device.insert(QStringLiteral("failRead"), failRead);
    folder.setDevices({device});
    MainWindow window;
    auto *path = window.findChild<QLineEdit *>(QStringLiteral("lineEdit_filepath"));
    path->setText(QStringLiteral("/old.bin"));

    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_getVer")), Qt::LeftButton);
    QVERIFY(path->text().isEmpty());
    QCOMPARE(entries(window).size(), entry.isEmpty() ? 1 : 2);
    if (!entry.isEmpty())
        QCOMPARE(entries(window).at(0), entry);
}

void TestMainWindow::rebootButton()
{
    TestProgramFolder folder;
    folder.setDevices({TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))});
    MainWindow window;
    folder.clearSentReports();

    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_reboot")), Qt::LeftButton);
    const QStringList sent = folder.sentReports();
    QCOMPARE(sent.size(), 1);
    QVERIFY(sent.at(0).startsWith(QStringLiteral("sim-dac: 05 0A 00 00 10 00 00 00")));
    QCOMPARE(entries(window).size(), 1);  // nothing logged
}

void TestMainWindow::peqLink_data()
{
    QTest::addColumn<QJsonObject>("device");
    QTest::addColumn<bool>("shown");

    QJsonObject tarnik = TestProgramFolder::tovrekDevice(QStringLiteral("DAC"));
    tarnik.insert(QStringLiteral("nameAnswer"), QStringLiteral("{\"0\":\"Tarnik One\"}"));
    QTest::newRow("model Velmora") << TestProgramFolder::veldDevice(QStringLiteral("Velmora V2")) << true;
    QTest::newRow("model Sorvik") << TestProgramFolder::veldDevice(QStringLiteral("Sorvik"), 0x1243) << true;
    QTest::newRow("other model") << TestProgramFolder::tovrekDevice(QStringLiteral("DAC")) << false;
    QTest::newRow("reported name Tarnik") << tarnik << true;
    QTest::newRow("case matters") << TestProgramFolder::veldDevice(QStringLiteral("velmora")) << false;
}

void TestMainWindow::peqLink()
{
    QFETCH(QJsonObject, device);
    QFETCH(bool, shown);

    TestProgramFolder folder;
    folder.setDevices({device});
    MainWindow window;
    QCOMPARE(peqLinkShown(window), shown);

    if (shown) {
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_url")), Qt::LeftButton);
        const QList<Dialogs::Shown> opened = Dialogs::takeShown();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.at(0).kind, QStringLiteral("url"));
        QCOMPARE(opened.at(0).text, QString::fromLatin1(MainWindow::PeqToolUrl));
        QVERIFY(opened.at(0).text.startsWith(QStringLiteral("https://")));
    }
}

void TestMainWindow::burstOfNotificationsGivesOneRefresh()
{
    TestProgramFolder folder;
    MainWindow window;
    auto *notifier = window.findChild<DeviceNotifier *>();
    QVERIFY(notifier);
    QSignalSpy listChanges(deviceList(window), &QComboBox::currentTextChanged);

    // Plugging one device raises several notifications within the second.
    emit notifier->deviceChanged();
    folder.setDevices({TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))});
    emit notifier->deviceChanged();
    emit notifier->deviceChanged();
    QVERIFY(window.isRefreshPending());
    QTest::qWait(500);
    QCOMPARE(listChanges.count(), 0);  // not before the second has passed

    QTRY_VERIFY_WITH_TIMEOUT(!window.isRefreshPending(), 3000);
    QTest::qWait(1200);
    // One refresh: the list is cleared once and filled once, with the device seen.
    QCOMPARE(listChanges.count(), 2);
    QCOMPARE(deviceList(window)->currentText(), QStringLiteral("DAC(0x32BB/0x0004,0xFF32,0x0003)"));

    // A notification after the refresh schedules a new one, duplicates included.
    folder.setDevices({TestProgramFolder::tovrekDevice(QStringLiteral("Norvo A"), QStringLiteral("a")),
                       TestProgramFolder::tovrekDevice(QStringLiteral("Norvo A"), QStringLiteral("b"))});
    Dialogs::takeShown();
    emit notifier->deviceChanged();
    QTRY_VERIFY_WITH_TIMEOUT(!window.isRefreshPending(), 3000);
    QCOMPARE(deviceList(window)->count(), 0);
    QCOMPARE(Dialogs::takeShown().size(), 1);
}

void TestMainWindow::languageChangeRewritesTheNotice()
{
    TestProgramFolder folder;
    MainWindow window;
    log(window, QStringLiteral("something"));
    QCOMPARE(entries(window).size(), 2);

    window.findChild<QComboBox *>(QStringLiteral("comboBox_lang"))->setCurrentIndex(1);
    QCOMPARE(entries(window).size(), 1);
    QVERIFY(entries(window).at(0).startsWith(QStringLiteral("升级注意:")));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
