// The release server failing the window: a connection closed during the lookup and
// during the download, a cached package of zero bytes, download/ that cannot be
// written. Nothing is flashed, the window is idle, and the log says why.
#include "TestProgramFolder.h"
#include "TestReleaseServer.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "release/HttpClass.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

namespace {

const QString kPackage = QStringLiteral("DAC_v1.06.bin");
const QString kOffered = QStringLiteral("DAC 最新版本:1.06");

QStringList entries(MainWindow &window)
{
    return logEntries(window.findChild<QTextEdit *>(QStringLiteral("textEdit_info")));
}

QColor newestColour(MainWindow &window)
{
    return newestEntryColour(window.findChild<QTextEdit *>(QStringLiteral("textEdit_info")));
}

void clickNetworkUpgrade(MainWindow &window)
{
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("btn_download")), Qt::LeftButton);
}

QJsonObject release(const QByteArray &package, bool withDigest = true)
{
    QJsonObject object{{QStringLiteral("fileName"), kPackage},
                       {QStringLiteral("downUrl"), QStringLiteral("{base}/packages/") + kPackage},
                       {QStringLiteral("versionNumber"), QStringLiteral("1.06")},
                       {QStringLiteral("productName"), QStringLiteral("DAC")},
                       {QStringLiteral("describes"), QStringLiteral("fixes")}};
    if (withDigest)
        object.insert(QStringLiteral("md5Code"),
                      QString::fromLatin1(QCryptographicHash::hash(package, QCryptographicHash::Md5).toHex()));
    return object;
}

} // namespace

class TestFaultNetwork : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void lookupConnectionClosed();
    void downloadFaults_data();
    void downloadFaults();

private:
    QString flashLog() const { return m_folder->filePath(QStringLiteral("btapi.log")); }
    QScopedPointer<TestProgramFolder> m_folder;
};

void TestFaultNetwork::init()
{
    Dialogs::setScripted(true);
    Dialogs::takeShown();
    g_httpClass.setTransferTimeout(2000);
    m_folder.reset(new TestProgramFolder);
    m_folder->setDevices({TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))});
    qputenv("BTAPI_SIM_VID", "32bb");
    qputenv("BTAPI_SIM_PID", "4");
    qputenv("BTAPI_SIM_LOG", flashLog().toLocal8Bit());
}

void TestFaultNetwork::cleanup()
{
    qunsetenv("BTAPI_SIM_VID");
    qunsetenv("BTAPI_SIM_PID");
    qunsetenv("BTAPI_SIM_LOG");
    m_folder.reset();
}

void TestFaultNetwork::lookupConnectionClosed()
{
    TestReleaseServer server;
    server.setCatalogue({{QStringLiteral("DAC"), release("x")}});
    QVERIFY(server.start());
    server.setFault(QStringLiteral("drop"), QStringLiteral("/app/"));

    MainWindow window;
    // The lookup is tried its three times, then nothing is offered. Qt itself may send
    // a request again once when the connection drops under it.
    QTRY_VERIFY_WITH_TIMEOUT(server.requests().size() >= 3, 30000);
    QTest::qWait(1000);
    QVERIFY2(server.requests().size() <= 6, qPrintable(QString::number(server.requests().size())));
    QVERIFY(!entries(window).join(QLatin1Char('\n')).contains(kOffered));
    QVERIFY(window.upgrade().m_releaseInfo.downUrl.isEmpty());
    QVERIFY(!window.isUpgrading());
    clickNetworkUpgrade(window);
    QCOMPARE(Dialogs::takeShown().value(0).text, QStringLiteral("此设备无最新的固件"));
    QVERIFY(!QFile::exists(flashLog()));
}

void TestFaultNetwork::downloadFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("package");
    QTest::addColumn<bool>("withDigest");
    QTest::addColumn<QString>("setUp");   // "cached empty", "download is a file" or none
    QTest::addColumn<QString>("entry");   // start of the newest, red log entry
    QTest::addColumn<QStringList>("boxes");

    const QByteArray package(64 * 1024, 'f');
    const QString failed = QStringLiteral("固件下载失败:");
    const QString empty = QStringLiteral("固件文件是空的,无法升级!");
    QTest::newRow("closed during the download") << "drop" << package << true << "" << failed << QStringList();
    QTest::newRow("package of zero bytes served") << "" << QByteArray() << true << "" << failed << QStringList();
    // An empty file already on disk and no digest to check it against: never flashed.
    QTest::newRow("package of zero bytes on disk") << "" << QByteArray() << false << "cached empty" << empty
                                                   << QStringList{empty};
    // A file where the folder should be: not even root can write below it.
    QTest::newRow("download/ not writable") << "" << package << true << "download is a file" << failed
                                            << QStringList();
}

void TestFaultNetwork::downloadFaults()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, package);
    QFETCH(bool, withDigest);
    QFETCH(QString, setUp);
    QFETCH(QString, entry);
    QFETCH(QStringList, boxes);

    TestReleaseServer server;
    server.addPackage(kPackage, package);
    server.setCatalogue({{QStringLiteral("DAC"), release(package, withDigest)}});
    QVERIFY(server.start());
    server.setFault(fault, QStringLiteral("/packages/"));
    if (setUp == QLatin1String("cached empty"))
        m_folder->writeFile(QStringLiteral("download/DAC/") + kPackage, QByteArray());
    if (setUp == QLatin1String("download is a file")) {
        QVERIFY(QDir(m_folder->filePath(QStringLiteral("download"))).removeRecursively());
        m_folder->writeFile(QStringLiteral("download"), "not a folder");
    }
    const QStringList before = treeOf(m_folder->path());

    MainWindow window;
    QTRY_VERIFY_WITH_TIMEOUT(entries(window).join(QLatin1Char('\n')).contains(kOffered), 15000);
    clickNetworkUpgrade(window);
    QTRY_VERIFY_WITH_TIMEOUT(entries(window).value(0).startsWith(entry), 30000);
    QCOMPARE(newestColour(window), QColor(Qt::red));
    QTRY_VERIFY_WITH_TIMEOUT(!window.isUpgrading(), 15000);

    QStringList shown;
    for (const Dialogs::Shown &box : Dialogs::takeShown()) {
        if (box.kind != QLatin1String("yesno"))
            shown << box.text;
    }
    QCOMPARE(shown, boxes);
    QVERIFY(!QFile::exists(flashLog()));
    QVERIFY(!QFile::exists(m_folder->filePath(QStringLiteral("setting/flashing.json"))));
    // No partial package is left where the download went wrong.
    for (const QString &path : treeOf(m_folder->path())) {
        if (path.startsWith(QLatin1String("download/")) && !before.contains(path))
            QVERIFY2(QFileInfo(m_folder->filePath(path)).isDir(), qPrintable(path));
    }
}

QTEST_MAIN(TestFaultNetwork)
#include "tst_fault_network.moc"
