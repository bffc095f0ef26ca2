// The interface language: the first choice from the system locale (in child processes
// started with LANG and LC_ALL set) or the saved one, and the switch in the window.
#include "TestProgramFolder.h"

#include "app/Dialogs.h"
#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "frame/QUIWidget.h"
#include "settings/Language.h"
#include "settings/ProgramFolder.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QJsonDocument>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include <cstdio>

namespace {

QByteArray configWithLang(const QString &lang)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("lang"), lang},
                                     {QStringLiteral("lastDir"), QString()},
                                     {QStringLiteral("productName"), QStringLiteral("NorvoUpgradeTool")},
                                     {QStringLiteral("theme"), QString()},
                                     {QStringLiteral("version"), QStringLiteral("1.2")}})
        .toJson();
}

QString savedLang(const TestProgramFolder &folder)
{
    return QJsonDocument::fromJson(folder.readConfig()).object().value(QStringLiteral("lang")).toString();
}

template<typename T> QString textOf(MainWindow &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name))->text();
}

// Child mode: builds the window in the given program folder and prints what it shows,
// then the updater's choice.
int probe(int argc, char **argv)
{
    QApplication application(argc, argv);
    ProgramFolder::setOverride(QString::fromLocal8Bit(argv[2]));
    Dialogs::setScripted(true);
    MainWindow window;
    const QString shown = window.findChild<QComboBox *>(QStringLiteral("comboBox_lang"))->currentText() + QLatin1Char('\n')
                          + textOf<QPushButton>(window, "pushButton_localUpdate") + QLatin1Char('\n')
                          + Language::fromSystemLocale(Language::Caller::Updater) + QLatin1Char('\n');
    std::fputs(shown.toUtf8().constData(), stdout);
    return 0;
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void firstChoice_data();
    void firstChoice();
    void switchRetranslatesEmptiesTheLogAndSaves_data();
    void switchRetranslatesEmptiesTheLogAndSaves();
    void switchRetitlesTheFrame();
};

void TestLanguage::init()
{
    Dialogs::setScripted(true);
}

void TestLanguage::firstChoice_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("upgradeButton");
    QTest::addColumn<QString>("savedAfter");
    // The updater follows the system whatever is saved, and says why.
    QTest::addColumn<QString>("updater");
    QTest::addColumn<QString>("updaterMessage");

    const QString trad = QStringLiteral("System language is Traditional Chinese");
    const QString simp = QStringLiteral("System language is Simplified Chinese");
    const QString neither = QStringLiteral("System language is neither Chinese nor English");
    QTest::newRow("Taiwan") << "zh_TW.UTF-8" << "" << "繁体中文" << "本地升級" << "繁体中文" << "繁体中文" << trad;
    QTest::newRow("Hong Kong") << "zh_HK.UTF-8" << "" << "繁体中文" << "本地升級" << "繁体中文" << "繁体中文" << trad;
    QTest::newRow("mainland") << "zh_CN.UTF-8" << "" << "简体中文" << "本地升级" << "简体中文" << "简体中文" << simp;
    QTest::newRow("German") << "de_DE.UTF-8" << "" << "English" << "Upgrade" << "English" << "English" << neither;
    QTest::newRow("American") << "en_US.UTF-8" << "" << "English" << "Upgrade" << "English" << "English"
                              << "System language is English";
    QTest::newRow("saved English on a Chinese system")
        << "zh_TW.UTF-8" << "English" << "English" << "Upgrade" << "English" << "繁体中文" << trad;
    QTest::newRow("saved Traditional on a German system")
        << "de_DE.UTF-8" << "繁体中文" << "繁体中文" << "本地升級" << "繁体中文" << "English" << neither;
    // No catalogue: the source texts show under the first entry, and nothing is saved.
    QTest::newRow("saved name of no language")
        << "zh_CN.UTF-8" << "Deutsch" << "English" << "本地升级" << "Deutsch" << "简体中文" << simp;
}

void TestLanguage::firstChoice()
{
    QFETCH(QString, locale);
    QFETCH(QString, saved);
    QFETCH(QString, box);
    QFETCH(QString, upgradeButton);
    QFETCH(QString, savedAfter);
    QFETCH(QString, updater);
    QFETCH(QString, updaterMessage);

    TestProgramFolder folder;
    folder.writeConfig(configWithLang(saved));
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANG"), locale);
    environment.insert(QStringLiteral("LC_ALL"), locale);
    environment.remove(QStringLiteral("LANGUAGE"));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=true"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--probe"), folder.path()});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 0);

    const QStringList shown = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'));
    QCOMPARE(shown.value(0), box);
    QCOMPARE(shown.value(1), upgradeButton);
    QCOMPARE(savedLang(folder), savedAfter);
    QCOMPARE(shown.value(2), updater);
    QVERIFY(QString::fromUtf8(child.readAllStandardError()).contains(updaterMessage));
}

void TestLanguage::switchRetranslatesEmptiesTheLogAndSaves_data()
{
    QTest::addColumn<QJsonArray>("devices");
    QTest::addColumn<QString>("englishEntry");
    QTest::addColumn<QString>("traditionalEntry");

    const QString dac = QStringLiteral("DAC(0x32BB/0x0004,0xFF32,0x0003)");
    QTest::newRow("no device") << QJsonArray{} << "Device not found" << "設備沒有找到";
    QTest::newRow("device listed") << QJsonArray{TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))} << dac << dac;
}

void TestLanguage::switchRetranslatesEmptiesTheLogAndSaves()
{
    QFETCH(QJsonArray, devices);
    QFETCH(QString, englishEntry);
    QFETCH(QString, traditionalEntry);

    TestProgramFolder folder;
    folder.setDevices(devices);
    folder.writeConfig(configWithLang(QStringLiteral("English")));
    MainWindow window;
    auto *languages = window.findChild<QComboBox *>(QStringLiteral("comboBox_lang"));
    auto *deviceList = window.findChild<QComboBox *>(QStringLiteral("comboBox_deviceList"));
    QCOMPARE(languages->currentText(), QStringLiteral("English"));
    QCOMPARE(textOf<QPushButton>(window, "btn_download"), QStringLiteral("Network Upgrade"));
    QCOMPARE(deviceList->currentText(), englishEntry);
    QMetaObject::invokeMethod(&window, "insertStringToFirstLine", Q_ARG(QString, QStringLiteral("older entry")));

    languages->setCurrentIndex(2);

    QCOMPARE(textOf<QPushButton>(window, "btn_download"), QStringLiteral("網絡升級"));
    QCOMPARE(textOf<QPushButton>(window, "pushButton_reboot"), QStringLiteral("重啟"));
    QCOMPARE(textOf<QLabel>(window, "label"), QStringLiteral("設備列表"));
    QCOMPARE(logEntries(window.findChild<QTextEdit *>(QStringLiteral("textEdit_info"))),
             QStringList{QStringLiteral("升級注意：\n1.USB 線直接連接電腦和解碼設備，中間不要加 USB 集線器或其他設備.\n"
                                        "2.請暫時關閉電腦上的音樂播放軟件或其他有音樂輸出的軟件，避免升級過程還在播放音樂.\n"
                                        "3. 升級開始後，請勿關閉軟件或斷開設備連接！如果發生錯誤，請重新插拔設備再進行升級.")});
    QCOMPARE(deviceList->count(), 1);
    QCOMPARE(deviceList->currentText(), traditionalEntry);
    QCOMPARE(savedLang(folder), QStringLiteral("繁体中文"));
    // The language box names each language in its own words, whatever is loaded.
    QCOMPARE(languages->itemText(0), QStringLiteral("English"));
    QCOMPARE(languages->itemText(1), QStringLiteral("简体中文"));
}

void TestLanguage::switchRetitlesTheFrame()
{
    TestProgramFolder folder;
    folder.writeConfig(configWithLang(QStringLiteral("English")));
    auto *window = new MainWindow;
    QScopedPointer<QUIWidget> frame(createMainFrame(window, QStringLiteral("1.2")));
    QCOMPARE(frame->getTitle(), QStringLiteral("Norvo USB DFU Tool-1.2"));

    window->findChild<QComboBox *>(QStringLiteral("comboBox_lang"))->setCurrentIndex(2);

    QCOMPARE(frame->getTitle(), QStringLiteral("諾沃升級工具-1.2"));
    QStringList themes;
    for (QAction *action : frame->findChild<QToolButton *>(QStringLiteral("btnMenu"))->actions())
        themes << action->text();
    QVERIFY2(themes.contains(QStringLiteral("藍色")), qPrintable(themes.join(QLatin1Char(','))));
    frame.reset();
    g_mainFrame = nullptr;
}

int main(int argc, char **argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--probe") == 0)
        return probe(argc, argv);
    QApplication application(argc, argv);
    TestLanguage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_language.moc"
