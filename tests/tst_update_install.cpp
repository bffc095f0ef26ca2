#include "ZipFixture.h"
#include "update/ArchiveDigest.h"
#include "update/ArchiveInstaller.h"
#include "update/SelfUpdate.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using Files = QMap<QString, QByteArray>;

class TestUpdateInstall : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void digestReadsWholeFile_data();
    void digestReadsWholeFile();
    void installsOverProgramFolder_data();
    void installsOverProgramFolder();
    void failureLeavesInstallationAsItWas_data();
    void failureLeavesInstallationAsItWas();
    void onlyTheExactDigestInstalls_data();
    void onlyTheExactDigestInstalls();

private:
    QString writeInstalled();

    QScopedPointer<QTemporaryDir> m_outer;
    QString m_program;
    QString m_zip;
};

void TestUpdateInstall::init()
{
    // The program folder sits inside a folder of its own, so an entry escaping it is seen.
    m_outer.reset(new QTemporaryDir);
    m_program = m_outer->filePath(QStringLiteral("program"));
    m_zip = m_outer->filePath(QStringLiteral("update_temp.zip"));
    QDir().mkpath(m_program + QStringLiteral("/setting"));
    writeInstalled();
}

QString TestUpdateInstall::writeInstalled()
{
    const Files installed{{QStringLiteral("kestrelup"), "old tool"},
                          {QStringLiteral("keep.txt"), "kept"},
                          {QStringLiteral("setting/config.json"), "{}"}};
    for (auto it = installed.cbegin(); it != installed.cend(); ++it) {
        QFile file(m_program + QLatin1Char('/') + it.key());
        if (file.open(QIODevice::WriteOnly))
            file.write(it.value());
    }
    return m_program;
}

void TestUpdateInstall::digestReadsWholeFile_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("empty") << 0;
    QTest::newRow("one piece") << 4096;
    QTest::newRow("a byte past a piece") << 4097;
    QTest::newRow("several pieces") << 3 * 4096 + 1000;
}

void TestUpdateInstall::digestReadsWholeFile()
{
    QFETCH(int, size);
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char(i * 7 + i / 4096);
    QFile file(m_zip);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
    file.close();
    QCOMPARE(fileMd5Hex(m_zip), QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex()));
    QCOMPARE(fileMd5Hex(m_outer->filePath(QStringLiteral("missing.zip"))), QString());
}

void TestUpdateInstall::installsOverProgramFolder_data()
{
    QTest::addColumn<QStringList>("order");
    const QString tool = QStringLiteral("kestrelup");
    const QString lib = QStringLiteral("plugins/sub/lib.so");
    const QString notes = QStringLiteral("notes.txt");
    QTest::newRow("folder entries first") << QStringList{QStringLiteral("plugins/"), QStringLiteral("plugins/sub/"), lib, tool, notes};
    QTest::newRow("no folder entries") << QStringList{tool, lib, notes};
    QTest::newRow("folder entry after its files") << QStringList{tool, lib, QStringLiteral("plugins/sub/"), notes};
}

void TestUpdateInstall::installsOverProgramFolder()
{
    QFETCH(QStringList, order);
    const Files release{{QStringLiteral("kestrelup"), "new tool"},
                        {QStringLiteral("plugins/sub/lib.so"), QByteArray(100000, 'x')},
                        {QStringLiteral("notes.txt"), ""}};
    QVERIFY(ZipFixture::make(m_zip, release, order, {QStringLiteral("kestrelup")}));

    Files expected = ZipFixture::snapshot(m_program);
    QVERIFY(unzipFile(m_zip, m_program));

    for (auto it = release.cbegin(); it != release.cend(); ++it)
        expected.insert(it.key(), it.value());
    expected.insert(QStringLiteral("plugins"), "<dir>");
    expected.insert(QStringLiteral("plugins/sub"), "<dir>");
    // Nothing else changed, and no staging folder is left behind.
    QCOMPARE(ZipFixture::snapshot(m_program), expected);
    QVERIFY(QFileInfo(m_program + QStringLiteral("/kestrelup")).isExecutable());
}

void TestUpdateInstall::failureLeavesInstallationAsItWas_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<int>("truncateTo");

    // A good entry comes first each time, so a failure must undo it too.
    const QString tool = QStringLiteral("kestrelup");
    const Files good{{tool, "new tool"}};
    auto with = [&](const QString &path) { Files f = good; f.insert(path, "evil"); return f; };

    QTest::newRow("parent path") << with(QStringLiteral("QQ/evil.txt")) << QStringList{tool, QStringLiteral("QQ/evil.txt")}
                                 << QByteArray("QQ/evil") << QByteArray("../evil") << -1;
    QTest::newRow("parent path inside a folder") << with(QStringLiteral("a/QQ/QQ/evil.txt"))
                                                 << QStringList{tool, QStringLiteral("a/QQ/QQ/evil.txt")}
                                                 << QByteArray("a/QQ/QQ/evil") << QByteArray("a/../../evil") << -1;
    QTest::newRow("absolute path") << with(QStringLiteral("Qtmp/evil.txt")) << QStringList{tool, QStringLiteral("Qtmp/evil.txt")}
                                   << QByteArray("Qtmp/evil") << QByteArray("/tmp/evil") << -1;
    QTest::newRow("drive letter") << with(QStringLiteral("CQ/evil.txt")) << QStringList{tool, QStringLiteral("CQ/evil.txt")}
                                  << QByteArray("CQ/evil") << QByteArray("C:/evil") << -1;
    QTest::newRow("backslash parent path") << with(QStringLiteral("QQQevil.txt")) << QStringList{tool, QStringLiteral("QQQevil.txt")}
                                           << QByteArray("QQQevil") << QByteArray("..\\evil") << -1;
    // The installed setting folder stands where the archive puts a file.
    QTest::newRow("entry that cannot be written") << with(QStringLiteral("setting")) << QStringList{tool, QStringLiteral("setting")}
                                                  << QByteArray() << QByteArray() << -1;
    QTest::newRow("file below an installed file") << with(QStringLiteral("keep.txt/inner")) << QStringList{tool, QStringLiteral("keep.txt/inner")}
                                                  << QByteArray() << QByteArray() << -1;
    QTest::newRow("damaged entry") << good << QStringList{tool} << QByteArray("new tool") << QByteArray("new toot") << -1;
    QTest::newRow("truncated archive") << good << QStringList{tool} << QByteArray() << QByteArray() << 60;
}

void TestUpdateInstall::failureLeavesInstallationAsItWas()
{
    QFETCH(Files, files);
    QFETCH(QStringList, order);
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(int, truncateTo);

    QVERIFY(ZipFixture::make(m_zip, files, order));
    if (!from.isEmpty())
        QVERIFY(ZipFixture::patch(m_zip, {{from, to}}));
    if (truncateTo >= 0)
        QVERIFY(QFile::resize(m_zip, truncateTo));
    const Files before = ZipFixture::snapshot(m_program);

    QVERIFY(!unzipFile(m_zip, m_program));

    QCOMPARE(ZipFixture::snapshot(m_program), before);
    QVERIFY(!QFile::exists(m_outer->filePath(QStringLiteral("evil.txt"))));
    QVERIFY(!QFile::exists(QStringLiteral("/tmp/evil.txt")));
}

void TestUpdateInstall::onlyTheExactDigestInstalls_data()
{
    QTest::addColumn<QString>("md5Code");
    QTest::addColumn<bool>("archivePresent");
    QTest::addColumn<int>("outcome");

    QTest::newRow("lower-case digest") << QStringLiteral("<digest>") << true << int(SelfUpdate::Outcome::Installed);
    QTest::newRow("upper-case digest") << QStringLiteral("<DIGEST>") << true << int(SelfUpdate::Outcome::DigestMismatch);
    QTest::newRow("other digest") << QStringLiteral("0123456789abcdef0123456789abcdef") << true << int(SelfUpdate::Outcome::DigestMismatch);
    QTest::newRow("no archive, empty md5Code") << QString() << false << int(SelfUpdate::Outcome::DigestMismatch);
}

void TestUpdateInstall::onlyTheExactDigestInstalls()
{
    QFETCH(QString, md5Code);
    QFETCH(bool, archivePresent);
    QFETCH(int, outcome);

    QVERIFY(ZipFixture::make(m_zip, {{QStringLiteral("kestrelup"), "new tool"}}, {QStringLiteral("kestrelup")}));
    const QString digest = fileMd5Hex(m_zip);
    md5Code.replace(QStringLiteral("<digest>"), digest).replace(QStringLiteral("<DIGEST>"), digest.toUpper());
    if (!archivePresent)
        QFile::remove(m_zip);
    const Files before = ZipFixture::snapshot(m_program);

    QCOMPARE(int(SelfUpdate::verifyAndInstall(m_zip, md5Code, m_program)), outcome);

    if (outcome == int(SelfUpdate::Outcome::Installed))
        QCOMPARE(ZipFixture::snapshot(m_program).value(QStringLiteral("kestrelup")), QByteArray("new tool"));
    else
        QCOMPARE(ZipFixture::snapshot(m_program), before);
}

QTEST_GUILESS_MAIN(TestUpdateInstall)
#include "tst_update_install.moc"
