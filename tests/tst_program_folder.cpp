// Where the tool keeps its log, settings and downloads: beside the programs in a copy the
// user can write, in the user's data folder in an installed one.
#include "settings/ConfigFile.h"
#include "settings/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

const QByteArray InstalledConfig = R"({"lang":"","lastDir":"","productName":"NorvoUpgradeTool","theme":"","version":"1.0"})";

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestProgramFolder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void layoutFollowsWritability_data();
    void layoutFollowsWritability();
    void firstStartCopiesTheInstalledConfigOnce();
    void installedStartAsAUserWithAnEmptyHome();

private:
    QTemporaryDir *m_programs = nullptr;
    QString m_data;
};

void TestProgramFolder::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QVERIFY(!m_data.isEmpty());
}

void TestProgramFolder::init()
{
    QDir(m_data).removeRecursively();
    m_programs = new QTemporaryDir;
    ProgramFolder::setOverride(m_programs->path());
}

void TestProgramFolder::cleanup()
{
    ProgramFolder::setOverride(QString());
    ProgramFolder::setWritability(ProgramFolder::Writability::Probe);
    delete m_programs;
    m_programs = nullptr;
    QDir(m_data).removeRecursively();
}

void TestProgramFolder::layoutFollowsWritability_data()
{
    QTest::addColumn<int>("writability");
    QTest::addColumn<bool>("installed");
    QTest::newRow("unpacked copy") << int(ProgramFolder::Writability::Writable) << false;
    QTest::newRow("installed copy") << int(ProgramFolder::Writability::ReadOnly) << true;
    // The temporary folder can be written: probing it must find the unpacked layout.
    QTest::newRow("probed writable folder") << int(ProgramFolder::Writability::Probe) << false;
}

void TestProgramFolder::layoutFollowsWritability()
{
    QFETCH(int, writability);
    QFETCH(bool, installed);
    ProgramFolder::setWritability(ProgramFolder::Writability(writability));
    QVERIFY(writeFile(m_programs->filePath(QStringLiteral("setting/config.json")), InstalledConfig));

    QCOMPARE(ProgramFolder::isInstalled(), installed);
    QCOMPARE(ProgramFolder::updatesAllowed(), !installed);
    QCOMPARE(ProgramFolder::dataPath(), installed ? m_data : m_programs->path());
    // Programs are found beside the executable either way.
    QCOMPARE(ProgramFolder::path(), m_programs->path());
    QVERIFY(ProgramFolder::prepareDataFolder());
    QCOMPARE(ConfigFile::defaultPath(), (installed ? m_data : m_programs->path()) + QStringLiteral("/setting/config.json"));
    QCOMPARE(QFileInfo::exists(m_data), installed);
    // The probe leaves nothing behind in the program folder.
    QCOMPARE(QDir(m_programs->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("setting")});
}

void TestProgramFolder::firstStartCopiesTheInstalledConfigOnce()
{
    ProgramFolder::setWritability(ProgramFolder::Writability::ReadOnly);
    const QString installed = m_programs->filePath(QStringLiteral("setting/config.json"));

    // Without an installed default the start goes on and the tool runs on its defaults.
    QVERIFY(ProgramFolder::prepareDataFolder());
    QVERIFY(!QFileInfo::exists(ConfigFile::defaultPath()));

    QVERIFY(writeFile(installed, InstalledConfig));
    QVERIFY(QFile::setPermissions(installed, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(ProgramFolder::prepareDataFolder());
    QCOMPARE(readFile(ConfigFile::defaultPath()), InstalledConfig);

    // The copy of a read-only file must still take the user's changes.
    AppConfig config;
    QVERIFY(ConfigFile::read(ConfigFile::defaultPath(), config));
    config.lang = QStringLiteral("English");
    QVERIFY(ConfigFile::write(ConfigFile::defaultPath(), config));

    // A later start keeps them.
    QVERIFY(ProgramFolder::prepareDataFolder());
    AppConfig again;
    QVERIFY(ConfigFile::read(ConfigFile::defaultPath(), again));
    QCOMPARE(again.lang, QStringLiteral("English"));
    QCOMPARE(readFile(installed), InstalledConfig);
}

// The real program in a folder it cannot write, started as a user whose home holds nothing.
// Root can write anywhere, so as root the program runs as nobody.
void TestProgramFolder::installedStartAsAUserWithAnEmptyHome()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString programs = root.filePath(QStringLiteral("opt/kestrelup"));
    const QString home = root.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(programs + QStringLiteral("/setting")) && QDir().mkpath(home));
    QVERIFY(QFile::copy(QStringLiteral(KESTRELUP_BIN), programs + QStringLiteral("/kestrelup")));
    QVERIFY(writeFile(programs + QStringLiteral("/setting/config.json"), InstalledConfig));
    // Read-only, so the copy must be made writable before the tool can save into it.
    QVERIFY(QFile::setPermissions(programs + QStringLiteral("/setting/config.json"),
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    const auto readAndRun = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                            | QFile::ReadOther | QFile::ExeOther;
    QStringList command{programs + QStringLiteral("/kestrelup")};
    if (geteuid() == 0) {
        QVERIFY(::chown(qPrintable(home), 65534, 65534) == 0);
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                              QStringLiteral("--clear-groups"), QStringLiteral("--")}
                  + command;
    }
    for (const QString &folder : {root.path(), root.filePath(QStringLiteral("opt")), programs,
                                  programs + QStringLiteral("/setting")})
        QVERIFY(QFile::setPermissions(folder, readAndRun));

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    for (const char *name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "LD_PRELOAD"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=false;default.debug=true"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(home);
    process.start(command.takeFirst(), command);
    QVERIFY(process.waitForStarted(30000));

    const QString data = home + QStringLiteral("/.local/share/kestrelup");
    const QString log = data + QStringLiteral("/log/log_") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))
                        + QStringLiteral(".txt");
    QTRY_VERIFY_WITH_TIMEOUT(readFile(log).contains("tool update not offered"), 60000);
    const bool running = process.state() == QProcess::Running;
    process.kill();
    process.waitForFinished(10000);
    QVERIFY2(running, "the installed tool ended on its own");

    // The installed default was copied, and the tool could save its language choice into it.
    AppConfig config;
    QVERIFY(ConfigFile::read(data + QStringLiteral("/setting/config.json"), config));
    QCOMPARE(config.productName, QStringLiteral("NorvoUpgradeTool"));
    QCOMPARE(config.lang, QStringLiteral("English"));
    QCOMPARE(QDir(programs).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{QStringLiteral("kestrelup"), QStringLiteral("setting")}));

    // Give the folders back so the temporary folder can be removed.
    for (const QString &folder : {root.path(), root.filePath(QStringLiteral("opt")), programs,
                                  programs + QStringLiteral("/setting")})
        QFile::setPermissions(folder, readAndRun | QFile::WriteOwner);
}

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "tst_program_folder.moc"
