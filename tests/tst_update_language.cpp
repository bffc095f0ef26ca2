#include "TestProgramFolder.h"
#include "update/MainWindow.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

// Registered once per system locale; KESTREL_EXPECTED_LANGUAGE names the catalogue
// the locale must pick, whatever config.json says.
class TestUpdateLanguage : public QObject
{
    Q_OBJECT

private slots:
    void followsSystemLocaleOnly();
};

void TestUpdateLanguage::followsSystemLocaleOnly()
{
    struct Texts { QString title, version, start; };
    const QMap<QString, Texts> expected{
        {QStringLiteral("English"), {QStringLiteral("Update"), QStringLiteral("Update version:"), QStringLiteral("Start")}},
        {QStringLiteral("繁体中文"), {QStringLiteral("升級"), QStringLiteral("更新版本："), QStringLiteral("開始更新")}},
        {QStringLiteral("简体中文"), {QStringLiteral("升级"), QStringLiteral("更新版本:"), QStringLiteral("开始更新")}},
    };
    const QString language = qEnvironmentVariable("KESTREL_EXPECTED_LANGUAGE");
    QVERIFY2(expected.contains(language), "KESTREL_EXPECTED_LANGUAGE names no language");

    TestProgramFolder folder(TestProgramFolder::WithSettingFolder);
    // A configured language the updater must not follow.
    folder.writeConfig(language == QLatin1String("English")
                           ? "{\"lang\":\"简体中文\",\"productName\":\"NorvoUpgradeTool\",\"version\":\"1.0\"}"
                           : "{\"lang\":\"English\",\"productName\":\"NorvoUpgradeTool\",\"version\":\"1.0\"}");
    qputenv("KESTRELUP_RELEASE_SERVER", "http://127.0.0.1:9");

    MainWindow window;
    QCOMPARE(window.windowTitle(), expected[language].title);
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("label_ver"))->text(), expected[language].version);
    QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("pushButton_start"))->text(), expected[language].start);
}

QTEST_MAIN(TestUpdateLanguage)
#include "tst_update_language.moc"
