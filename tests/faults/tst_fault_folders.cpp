// kestrelup in its own process, as an unprivileged user, in a program folder where
// one of its folders cannot be written: it must start, say why, and write nothing
// elsewhere. Root writes everywhere, so a root run drops to nobody.
#include "TestProgramFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

namespace {

const QByteArray kConfig = "{\"productName\":\"Tool\",\"version\":\"1.0\",\"lang\":\"English\",\"lastDir\":\"\",\"theme\":\"\"}\n";

struct User
{
    uid_t uid;
    gid_t gid;
};

bool chownTree(const QString &path, const User &user)
{
    if (::chown(QFile::encodeName(path).constData(), user.uid, user.gid) != 0)
        return false;
    QDirIterator it(path, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (::chown(QFile::encodeName(it.next()).constData(), user.uid, user.gid) != 0)
            return false;
    }
    return true;
}

} // namespace

class TestFaultFolders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void folderNotWritable_data();
    void folderNotWritable();

private:
    bool m_asRoot = false;
    User m_user{0, 0};
};

void TestFaultFolders::initTestCase()
{
    m_asRoot = ::geteuid() == 0;
    if (m_asRoot) {
        const passwd *nobody = ::getpwnam("nobody");
        if (!nobody || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("needs the user nobody and setpriv to drop root");
        m_user = User{nobody->pw_uid, nobody->pw_gid};
    } else {
        m_user = User{::geteuid(), ::getegid()};
    }
}

void TestFaultFolders::folderNotWritable_data()
{
    QTest::addColumn<QString>("locked");
    QTest::addColumn<QByteArray>("said");  // on standard error, or in the log file

    QTest::newRow("log") << "log" << QByteArray("kestrelup: log off, cannot open");
    QTest::newRow("setting") << "setting" << QByteArray("Failed to open the file for writing.");
}

void TestFaultFolders::folderNotWritable()
{
    QFETCH(QString, locked);
    QFETCH(QByteArray, said);

    // The outer folder is the user's too: anything written beside the program folder
    // would show there.
    QTemporaryDir outer;
    QVERIFY(outer.isValid());
    const QString folder = outer.filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/setting")));
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/log")));
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/download")));
    const QString program = folder + QStringLiteral("/kestrelup");
    QVERIFY(QFile::copy(QStringLiteral(KESTREL_KESTRELUP_BIN), program));
    QFile config(folder + QStringLiteral("/setting/config.json"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(kConfig);
    config.close();
    QVERIFY(chownTree(outer.path(), m_user));
    QVERIFY(QFile::setPermissions(outer.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                    | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                    | QFileDevice::ExeOther));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner));
    const QString lockedPath = folder + QLatin1Char('/') + locked;
    QVERIFY(QFile::setPermissions(lockedPath, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                  | QFileDevice::ExeOther));
    const QStringList before = treeOf(outer.path());

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=true"));
    env.insert(QStringLiteral("KESTRELUP_RELEASE_SERVER"), QStringLiteral("http://127.0.0.1:1"));
    env.insert(QStringLiteral("HOME"), folder);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder);
    env.insert(QStringLiteral("XDG_CACHE_HOME"), folder);
    QProcess tool;
    tool.setProcessEnvironment(env);
    tool.setWorkingDirectory(folder);
    if (m_asRoot) {
        tool.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=%1").arg(m_user.uid),
                                               QStringLiteral("--regid=%1").arg(m_user.gid),
                                               QStringLiteral("--clear-groups"), program});
    } else {
        tool.start(program, QStringList());
    }
    QVERIFY(tool.waitForStarted(10000));
    // Up once the window has been built and put into its frame (the theme applied).
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT((errors += tool.readAllStandardError(),
                              errors.contains("deviceInfoToList") || tool.state() == QProcess::NotRunning),
                             30000);
    QTest::qWait(3000);
    QCOMPARE(tool.state(), QProcess::Running);
    tool.terminate();
    QVERIFY(tool.waitForFinished(10000));
    errors += tool.readAllStandardError();

    QByteArray logs;
    for (const QString &name : QDir(folder + QStringLiteral("/log")).entryList(QDir::Files))
        logs += readWholeFile(folder + QStringLiteral("/log/") + name);
    QVERIFY2(errors.contains(said) || logs.contains(said), errors.right(2000).constData());
    // The locked folder is as it was, and nothing lies beside the program folder.
    // The settings are whole and the same, whether rewritten or not.
    QCOMPARE(QJsonDocument::fromJson(readWholeFile(folder + QStringLiteral("/setting/config.json"))),
             QJsonDocument::fromJson(kConfig));
    for (const QString &entry : treeOf(outer.path())) {
        if (!entry.startsWith(QLatin1String("program/")))
            QVERIFY2(entry == QLatin1String("program"), qPrintable(entry));
        if (entry.startsWith(QStringLiteral("program/") + locked + QLatin1Char('/')))
            QVERIFY2(before.contains(entry), qPrintable(entry));
    }
}

QTEST_GUILESS_MAIN(TestFaultFolders)
#include "tst_fault_folders.moc"
