// setting/config.json: what is read, what is written, and that nothing is lost.
#include "TestProgramFolder.h"

#include "release/HttpClass.h"
#include "settings/ConfigFile.h"

#include <QtTest>

class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void writeLayout();
    void writeFailsWithoutSettingFolder();
    void lastDirRoundTrip();
};

void TestConfig::read_data()
{
    QTest::addColumn<QByteArray>("contents");  // empty: no file at all
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("fields");   // productName, version, lang, lastDir, theme

    const QStringList before{"old", "0.9", "English", "/old", "t"};
    QTest::newRow("complete") << QByteArray("{\"productName\":\"P\",\"version\":\"1.2\",\"lang\":\"简体中文\","
                                            "\"lastDir\":\"/fw\",\"theme\":\"x\"}")
                              << true << QStringList{"P", "1.2", "简体中文", "/fw", "x"};
    QTest::newRow("only lang") << QByteArray("{\"lang\": \"English\"}") << true
                               << QStringList{"", "", "English", "", ""};
    QTest::newRow("number is not text") << QByteArray("{\"version\": 3, \"lang\": \"English\"}") << true
                                        << QStringList{"", "", "English", "", ""};
    QTest::newRow("not JSON keeps the record") << QByteArray("{\"lang\": ") << false << before;
    QTest::newRow("empty file keeps the record") << QByteArray(" ") << false << before;
    QTest::newRow("missing file keeps the record") << QByteArray() << false << before;
    QTest::newRow("array keeps the record") << QByteArray("[{\"lang\": \"English\"}]") << false << before;
    QTest::newRow("bare text keeps the record") << QByteArray("\"English\"") << false << before;
    QTest::newRow("binary keeps the record") << QByteArray("\xff\x00\xfe{\x01", 5) << false << before;
}

void TestConfig::read()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, ok);
    QFETCH(QStringList, fields);

    TestProgramFolder folder;
    if (!contents.isEmpty())
        folder.writeConfig(contents);
    AppConfig config{QStringLiteral("old"), QStringLiteral("0.9"), QStringLiteral("English"), QStringLiteral("/old"),
                     QStringLiteral("t")};
    QCOMPARE(ConfigFile::read(ConfigFile::defaultPath(), config), ok);
    QCOMPARE((QStringList{config.productName, config.version, config.lang, config.lastDir, config.theme}), fields);
}

void TestConfig::writeLayout()
{
    TestProgramFolder folder;
    folder.writeConfig("{\"lang\": \"English\", \"extra\": \"dropped\"}");
    AppConfig config;
    QVERIFY(ConfigFile::read(ConfigFile::defaultPath(), config));
    config.lastDir = QStringLiteral("/home/u/固件");
    QVERIFY(ConfigFile::write(ConfigFile::defaultPath(), config));

    QByteArray expected("{\n"
                        "    \"lang\": \"English\",\n"
                        "    \"lastDir\": \"/home/u/固件\",\n"
                        "    \"productName\": \"\",\n"
                        "    \"theme\": \"\",\n"
                        "    \"version\": \"\"\n"
                        "}\n");
#ifdef Q_OS_WIN
    expected.replace("\n", "\r\n");
#endif
    QCOMPARE(folder.readConfig(), expected);
}

void TestConfig::writeFailsWithoutSettingFolder()
{
    TestProgramFolder folder(TestProgramFolder::WithTools);
    QVERIFY(!ConfigFile::write(ConfigFile::defaultPath(), AppConfig{}));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("setting"))));
}

void TestConfig::lastDirRoundTrip()
{
    TestProgramFolder folder;
    folder.writeConfig("{\"productName\":\"Tool\",\"version\":\"1.2\",\"lang\":\"English\",\"theme\":\"blue\"}");
    QCOMPARE(g_httpClass.getConfig().version, QStringLiteral("1.2"));
    g_httpClass.setLastDir(QStringLiteral("/data/fw"));
    QCOMPARE(g_httpClass.getLastDir(), QStringLiteral("/data/fw"));

    AppConfig stored;
    QVERIFY(ConfigFile::read(ConfigFile::defaultPath(), stored));
    QCOMPARE(stored.lastDir, QStringLiteral("/data/fw"));
    QCOMPARE(stored.productName, QStringLiteral("Tool"));
    QCOMPARE(stored.lang, QStringLiteral("English"));
    QCOMPARE(stored.theme, QStringLiteral("blue"));

    // A failed write still keeps the new value for the rest of the run.
    QVERIFY(QFile::remove(folder.filePath(QStringLiteral("setting/config.json"))));
    QVERIFY(QDir(folder.filePath(QStringLiteral("setting"))).removeRecursively());
    g_httpClass.setLang(QStringLiteral("繁体中文"));
    QCOMPARE(g_httpClass.getLang(), QStringLiteral("繁体中文"));
}

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
