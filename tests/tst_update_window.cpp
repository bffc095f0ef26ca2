#include "TestProgramFolder.h"
#include "TestReleaseServer.h"
#include "ZipFixture.h"
#include "settings/Theme.h"
#include "update/ArchiveDigest.h"
#include "update/MainWindow.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

using Files = QMap<QString, QByteArray>;

namespace {

const QByteArray kConfig = "{\"lang\":\"English\",\"lastDir\":\"/home/user/fw\",\"productName\":\"NorvoUpgradeTool\","
                           "\"theme\":\"blue\",\"version\":\"1.0\"}";

// The released tool: started again after the install, it notes when it ran.
const QByteArray kStandInTool = "#!/bin/sh\ndate +%s%3N > \"$(dirname \"$0\")/restarted\"\n";

// The installation without the download folder, which a failed update may touch.
Files installedFiles(const QString &root)
{
    Files files = ZipFixture::snapshot(root);
    for (const QString &key : files.keys())
        if (key == QLatin1String("download") || key.startsWith(QLatin1String("download/")))
            files.remove(key);
    return files;
}

} // namespace

class TestUpdateWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void installsOfferedReleaseAndRestartsTool();
    void failedUpdateLeavesInstallationAndWaits_data();
    void failedUpdateLeavesInstallationAndWaits();
    void closesWhenNothingOffered_data();
    void closesWhenNothingOffered();
    void oneDownloadAtATimeAndCloseWhileDownloading();
    void silentServerEndsProgram();

private:
    QByteArray releaseArchive(const Files &files, const QStringList &order);
    void offer(const QByteArray &archive, const QString &md5Code, const QString &notes = QString());

    QScopedPointer<TestProgramFolder> m_folder;
    QScopedPointer<TestReleaseServer> m_server;
};

void TestUpdateWindow::init()
{
    m_folder.reset(new TestProgramFolder(TestProgramFolder::WithSettingFolder));
    m_folder->writeConfig(kConfig);
    m_folder->writeFile(QStringLiteral("kestrelup"), "installed tool");
    m_folder->writeFile(QStringLiteral("keep.txt"), "kept");
    m_server.reset(new TestReleaseServer);
    QVERIFY(m_server->start());
}

void TestUpdateWindow::cleanup()
{
    m_server.reset();
    m_folder.reset();
}

QByteArray TestUpdateWindow::releaseArchive(const Files &files, const QStringList &order)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("release.zip"));
    if (!ZipFixture::make(path, files, order, {QStringLiteral("kestrelup")}))
        return QByteArray();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestUpdateWindow::offer(const QByteArray &archive, const QString &md5Code, const QString &notes)
{
    m_server->addPackage(QStringLiteral("update.zip"), archive);
    m_server->setCatalogue(QJsonObject{
        {QStringLiteral("NorvoUpgradeTool"),
         QJsonObject{{QStringLiteral("versionNumber"), QStringLiteral("1.1")},
                     {QStringLiteral("downUrl"), QStringLiteral("{base}/packages/update.zip")},
                     {QStringLiteral("md5Code"), md5Code},
                     {QStringLiteral("describes"), notes}}}});
}

void TestUpdateWindow::installsOfferedReleaseAndRestartsTool()
{
    const Files release{{QStringLiteral("kestrelup"), kStandInTool},
                        {QStringLiteral("plugins/sub/lib.so"), QByteArray(300000, 'l')}};
    // No folder entry for plugins/sub: its file must land all the same.
    const QByteArray archive = releaseArchive(release, {QStringLiteral("kestrelup"), QStringLiteral("plugins/sub/lib.so")});
    QVERIFY(!archive.isEmpty());
    QByteArray digest = QCryptographicHash::hash(archive, QCryptographicHash::Md5).toHex();
    offer(archive, QString::fromLatin1(digest), QStringLiteral("Fixes\\nfaster start"));

    MainWindow window;
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("升级"));
    QCOMPARE(window.size(), QSize(500, 300));
    // The updater wears the silvery theme.
    QFile silvery(Theme::sheetResource(Theme::Silvery));
    QVERIFY(silvery.open(QIODevice::ReadOnly));
    QCOMPARE(qApp->palette().color(QPalette::Window).name(),
             Theme::paletteColour(QString::fromUtf8(silvery.readAll())).toLower());
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("label_ver"))->text(), QStringLiteral("更新版本:1.1"));
    QCOMPARE(window.findChild<QTextEdit *>(QStringLiteral("textEdit_dec"))->toPlainText(),
             QStringLiteral("此版本更新内容:\nFixes\\nfaster start"));

    auto *progress = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    QList<int> values;
    qint64 lastProgressAt = 0;
    connect(progress, &QProgressBar::valueChanged, this, [&](int value) {
        values << value;
        lastProgressAt = QDateTime::currentMSecsSinceEpoch();
    });
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_start")), Qt::LeftButton);

    const QString marker = m_folder->filePath(QStringLiteral("restarted"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker) && QFileInfo(marker).size() > 0, 60000);
    QVERIFY(!window.isVisible());
    QVERIFY(!values.isEmpty());
    QCOMPARE(values.last(), 100);
    QFile markerFile(marker);
    QVERIFY(markerFile.open(QIODevice::ReadOnly));
    QVERIFY2(markerFile.readAll().trimmed().toLongLong() - lastProgressAt >= 1900, "the tool started before the pause");

    const Files installed = ZipFixture::snapshot(m_folder->path());
    QCOMPARE(installed.value(QStringLiteral("kestrelup")), kStandInTool);
    QCOMPARE(installed.value(QStringLiteral("plugins/sub/lib.so")), release.value(QStringLiteral("plugins/sub/lib.so")));
    QCOMPARE(installed.value(QStringLiteral("keep.txt")), QByteArray("kept"));
    QCOMPARE(installed.value(QStringLiteral("download/update_temp.zip")), archive);

    QJsonObject expected = QJsonDocument::fromJson(kConfig).object();
    expected.insert(QStringLiteral("version"), QStringLiteral("1.1"));
    QCOMPARE(QJsonDocument::fromJson(m_folder->readConfig()).object(), expected);
}

void TestUpdateWindow::failedUpdateLeavesInstallationAndWaits_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("md5Code");
    QTest::addColumn<QString>("badEntry");

    QTest::newRow("md5 mismatch") << QString() << QStringLiteral("0123456789abcdef0123456789abcdef") << QString();
    QTest::newRow("upper-case md5Code") << QString() << QStringLiteral("<DIGEST>") << QString();
    QTest::newRow("truncated download") << QStringLiteral("drop") << QStringLiteral("<digest>") << QString();
    QTest::newRow("download refused") << QStringLiteral("404") << QStringLiteral("<digest>") << QString();
    QTest::newRow("zip slip") << QString() << QStringLiteral("<digest>") << QStringLiteral("../evil.txt");
    // The installed setting folder stands where the archive puts a file.
    QTest::newRow("entry that cannot be written") << QString() << QStringLiteral("<digest>") << QStringLiteral("setting");
}

void TestUpdateWindow::failedUpdateLeavesInstallationAndWaits()
{
    QFETCH(QString, fault);
    QFETCH(QString, md5Code);
    QFETCH(QString, badEntry);

    Files release{{QStringLiteral("kestrelup"), kStandInTool}};
    QStringList order{QStringLiteral("kestrelup")};
    QString slot = badEntry;
    if (badEntry == QLatin1String("../evil.txt"))
        slot = QStringLiteral("QQ/evil.txt");
    if (!slot.isEmpty()) {
        release.insert(slot, "bad");
        order << slot;
    }
    QByteArray archive = releaseArchive(release, order);
    QVERIFY(!archive.isEmpty());
    archive.replace("QQ/evil", "../evil");
    const QString digest = QString::fromLatin1(QCryptographicHash::hash(archive, QCryptographicHash::Md5).toHex());
    md5Code.replace(QStringLiteral("<digest>"), digest).replace(QStringLiteral("<DIGEST>"), digest.toUpper());
    offer(archive, md5Code);
    if (!fault.isEmpty())
        m_server->setFault(fault, QStringLiteral("/packages/"));
    const Files before = installedFiles(m_folder->path());

    MainWindow window;
    window.show();
    auto *start = window.findChild<QPushButton *>(QStringLiteral("pushButton_start"));
    QTest::mouseClick(start, Qt::LeftButton);
    QVERIFY(!start->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), 60000);

    QVERIFY(window.isVisible());
    QCOMPARE(installedFiles(m_folder->path()), before);
    QCOMPARE(m_folder->readConfig(), kConfig);
    QVERIFY(!QFile::exists(QDir(m_folder->path()).filePath(QStringLiteral("../evil.txt"))));
}

void TestUpdateWindow::closesWhenNothingOffered_data()
{
    QTest::addColumn<QJsonValue>("entry");
    QTest::addColumn<bool>("reachable");

    QTest::newRow("product not offered") << QJsonValue() << true;
    QTest::newRow("no download address")
        << QJsonValue(QJsonObject{{QStringLiteral("versionNumber"), QStringLiteral("1.1")}}) << true;
    QTest::newRow("answer not JSON") << QJsonValue(QStringLiteral("<html>busy</html>")) << true;
    QTest::newRow("server unreachable") << QJsonValue() << false;
}

void TestUpdateWindow::closesWhenNothingOffered()
{
    QFETCH(QJsonValue, entry);
    QFETCH(bool, reachable);

    if (!entry.isNull())
        m_server->setCatalogue(QJsonObject{{QStringLiteral("NorvoUpgradeTool"), entry}});
    if (!reachable)
        m_server.reset(); // its port is closed now
    const Files before = ZipFixture::snapshot(m_folder->path());

    MainWindow window;
    window.show();
    QVERIFY(window.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 30000);
    QCOMPARE(ZipFixture::snapshot(m_folder->path()), before);
}

void TestUpdateWindow::oneDownloadAtATimeAndCloseWhileDownloading()
{
    // Data zip cannot shrink, so the trickled download takes a while.
    QByteArray tool(32 * 1024, '\0');
    QRandomGenerator generator(7);
    for (char &byte : tool)
        byte = char(generator.bounded(256));
    const QByteArray archive = releaseArchive({{QStringLiteral("kestrelup"), tool}}, {QStringLiteral("kestrelup")});
    offer(archive, QString::fromLatin1(QCryptographicHash::hash(archive, QCryptographicHash::Md5).toHex()));
    m_server->setFault(QStringLiteral("trickle"), QStringLiteral("/packages/"));
    const Files before = installedFiles(m_folder->path());

    {
        MainWindow window;
        window.show();
        auto *start = window.findChild<QPushButton *>(QStringLiteral("pushButton_start"));
        QTest::mouseClick(start, Qt::LeftButton);
        QTest::mouseClick(start, Qt::LeftButton);
        QVERIFY(!start->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(window.findChild<QProgressBar *>()->value() > 0, 30000);
        window.close();
    }
    QCOMPARE(installedFiles(m_folder->path()), before);
    int downloads = 0;
    for (const QJsonObject &request : m_server->requests())
        downloads += request.value(QStringLiteral("path")).toString().startsWith(QLatin1String("/packages/"));
    QCOMPARE(downloads, 1);
}

void TestUpdateWindow::silentServerEndsProgram()
{
    // The real program, copied into the program folder it reads its settings from.
    const QString program = m_folder->filePath(QStringLiteral("update"));
    QVERIFY(QFile::copy(QStringLiteral(KESTREL_UPDATE_BIN), program));
    m_server->setFault(QStringLiteral("silent"), QStringLiteral("/app/"));
    const Files before = installedFiles(m_folder->path());

    QProcess update;
    QElapsedTimer clock;
    clock.start();
    update.start(program, QStringList());
    QVERIFY(update.waitForStarted(30000));
    QTRY_VERIFY_WITH_TIMEOUT(update.state() == QProcess::NotRunning, 120000);
    QVERIFY2(clock.elapsed() >= 25000, "the lookup gave up long before its time-out");
    QCOMPARE(update.exitStatus(), QProcess::NormalExit);
    QCOMPARE(installedFiles(m_folder->path()), before);
}

QTEST_MAIN(TestUpdateWindow)
#include "tst_update_window.moc"
