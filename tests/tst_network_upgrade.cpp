// The network upgrade and the release lookups of the main window, against the release
// server stand-in, with tovrek and the vendor-library stand-in flashing.
#include "TestProgramFolder.h"
#include "TestReleaseServer.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ToolUpdate.h"
#include "release/HttpClass.h"
#include "release/downloadThread.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

namespace {

const QString kDac = QStringLiteral("DAC(0x32BB/0x0004,0xFF32,0x0003)");
const QString kDone = QStringLiteral("升级完毕!");
const QString kStart = QStringLiteral("升级开始,请勿关闭软件或断开设备连接!如果发生错误,请重新插拔设备再升级.");
const QString kNotice = QStringLiteral("[当前固件版本:1.05]\nDAC 最新版本:1.06\n此版本更新内容:\nfixes\nmore\n"
                                       "如果你需要更新此版本,请点击\"网络升级\"按钮");
const QString kPackage = QStringLiteral("DAC_v1.06.bin");

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

QByteArray md5(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
}

QJsonObject dacRelease(const QByteArray &package, const QString &fileName = kPackage)
{
    return QJsonObject{{QStringLiteral("fileName"), fileName},
                       {QStringLiteral("downUrl"), QStringLiteral("{base}/packages/") + kPackage},
                       {QStringLiteral("versionNumber"), QStringLiteral("1.06")},
                       {QStringLiteral("productName"), QStringLiteral("DAC")},
                       {QStringLiteral("md5Code"), QString::fromLatin1(md5(package))},
                       {QStringLiteral("describes"), QStringLiteral("fixes\\nmore")}};
}

int packageRequests(const TestReleaseServer &server)
{
    int count = 0;
    for (const QJsonObject &request : server.requests())
        count += request.value("method").toString() == QLatin1String("GET");
    return count;
}

// A program folder with the DAC plugged in, tovrek ready to flash it, and the server
// offering a newer firmware for it.
struct Fixture
{
    TestProgramFolder folder;
    TestReleaseServer server;
    QByteArray package = QByteArray(64 * 1024, 'f');

    explicit Fixture(const QJsonValue &entry = QJsonValue(), const QStringList &serverArguments = {})
    {
        folder.setDevices({TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))});
        qputenv("BTAPI_SIM_VID", "32bb");
        qputenv("BTAPI_SIM_PID", "4");
        qputenv("BTAPI_SIM_LOG", flashLog().toLocal8Bit());
        server.addPackage(kPackage, package);
        server.setCatalogue({{QStringLiteral("DAC"), entry.isNull() ? QJsonValue(dacRelease(package)) : entry}});
        started = server.start(serverArguments);
    }
    ~Fixture()
    {
        qunsetenv("BTAPI_SIM_VID");
        qunsetenv("BTAPI_SIM_PID");
        qunsetenv("BTAPI_SIM_LOG");
    }
    QString flashLog() const { return folder.filePath(QStringLiteral("btapi.log")); }
    bool flashed() const { return QFile::exists(flashLog()); }
    QString packagePath() const { return folder.filePath(QStringLiteral("download/DAC/") + kPackage); }

    bool started = false;
};

} // namespace

class TestNetworkUpgrade : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void networkUpgradeEndToEnd();
    void downloadFaultsFlashNothing_data();
    void downloadFaultsFlashNothing();
    void unsafeNamesAreRefused_data();
    void unsafeNamesAreRefused();
    void lookupAnswers_data();
    void lookupAnswers();
    void lateLookupAnswerIsDropped();
    void secondPressDuringDownloadIsIgnored();
    void selectionChangedDuringDownload();
    void toolUpdateHandOver_data();
    void toolUpdateHandOver();
};

void TestNetworkUpgrade::init()
{
    Dialogs::setScripted(true);
    g_httpClass.setTransferTimeout(2000);
}

void TestNetworkUpgrade::networkUpgradeEndToEnd()
{
    // Small steps, so that Qt reports the same percentage many times.
    Fixture f(QJsonValue(), {QStringLiteral("--trickle-bytes"), QStringLiteral("256"), QStringLiteral("--trickle-ms"),
                             QStringLiteral("10")});
    QVERIFY(f.started);
    f.server.setFault(QStringLiteral("trickle"), QStringLiteral("/packages/"));
    MainWindow window;
    QTRY_VERIFY_WITH_TIMEOUT(entries(window).value(0) == kNotice, 15000);

    const QJsonObject lookup = f.server.requests().value(0);
    QCOMPARE(lookup.value("path").toString(), QStringLiteral("/app/ota/getOtaInfo"));
    QCOMPARE(lookup.value("body").toString(),
             QStringLiteral("deviceModel=DAC&deviceNumber=00%3A00%3A00%3A00%3A00%3A00%3A00%3A00&languageCode=zh-cn"
                            "&productName=DAC&versionNumber=1.05"));
    QCOMPARE(lookup.value("headers").toObject().value("Content-Type").toString(),
             QStringLiteral("application/x-www-form-urlencoded"));

    clickNetworkUpgrade(window);
    // The lookup after the flash may write its notice on top.
    QTRY_VERIFY_WITH_TIMEOUT(entries(window).contains(kDone), 60000);
    QVERIFY(!window.isUpgrading());
    QStringList log = entries(window);
    QVERIFY(log.contains(QStringLiteral("固件下载完毕,开始升级.")));
    QStringList progress;
    for (const QString &entry : log) {
        if (entry.startsWith(QStringLiteral("下载最新固件\n当前下载进度:")))
            progress << entry;
    }
    QVERIFY(progress.size() > 2);
    QCOMPARE(progress.first(), QStringLiteral("下载最新固件\n当前下载进度:100%"));
    QCOMPARE(QSet<QString>(progress.begin(), progress.end()).size(), progress.size());  // once per percentage
    QFile file(f.packagePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), f.package);
    QFile flashLog(f.flashLog());
    QVERIFY(flashLog.open(QIODevice::ReadOnly));
    QVERIFY(flashLog.readAll().contains("fota_package_filename=" + f.packagePath().toUtf8()));
    QCOMPARE(Dialogs::takeShown().value(0).text, kDone);

    // The package on disk, matching its digest, is flashed without a download.
    QVERIFY(QFile::remove(f.flashLog()));
    QTRY_VERIFY_WITH_TIMEOUT(entries(window).value(0) == kNotice, 15000);  // the lookup after the flash
    clickNetworkUpgrade(window);
    log = entries(window);
    QCOMPARE(log.mid(0, 2), (QStringList{kStart, QStringLiteral("固件已经存在,开始升级.")}));
    QTRY_VERIFY_WITH_TIMEOUT(entries(window).count(kDone) == 2, 60000);
    QVERIFY(f.flashed());
    QCOMPARE(packageRequests(f.server), 1);
}

void TestNetworkUpgrade::downloadFaultsFlashNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("cached");  // a package already on disk
    QTest::addColumn<QString>("entry");

    const QString failed = QStringLiteral("固件下载失败:");
    QTest::newRow("no answer") << "silent" << QByteArray() << failed;
    QTest::newRow("404") << "404" << QByteArray() << failed;
    QTest::newRow("dropped halfway") << "drop" << QByteArray() << failed;
    QTest::newRow("empty body") << "empty" << QByteArray() << failed;
    // A damaged package on disk is fetched again, and the failure still flashes nothing.
    QTest::newRow("damaged package on disk, then 404") << "404" << QByteArray("damaged") << failed;
    QTest::newRow("digest differs") << "" << QByteArray() << QStringLiteral("固件校验失败,文件已损坏,已取消升级.");
}

void TestNetworkUpgrade::downloadFaultsFlashNothing()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, cached);
    QFETCH(QString, entry);

    QJsonObject release = dacRelease(QByteArray(64 * 1024, 'f'));
    if (fault.isEmpty())
        release.insert(QStringLiteral("md5Code"), QString::fromLatin1(md5("another package")));
    Fixture f(release);
    QVERIFY(f.started);
    f.server.setFault(fault, QStringLiteral("/packages/"));
    if (!cached.isEmpty())
        f.folder.writeFile(QStringLiteral("download/DAC/") + kPackage, cached);
    MainWindow window;
    QTRY_VERIFY_WITH_TIMEOUT(entries(window).value(0) == kNotice, 15000);

    clickNetworkUpgrade(window);
    QTRY_VERIFY_WITH_TIMEOUT(entries(window).value(0).startsWith(entry), 30000);
    QCOMPARE(newestColour(window), QColor(Qt::red));
    QVERIFY(!window.isUpgrading());
    QVERIFY(window.findChild<QPushButton *>(QStringLiteral("btn_download"))->isEnabled());
    QTest::qWait(300);
    QVERIFY(!f.flashed());
    QVERIFY(!QFile::exists(f.packagePath()));
    // One press fetches once; Qt itself may send a request again once when the
    // connection drops under it.
    const int requests = packageRequests(f.server);
    if (fault == QLatin1String("drop"))
        QVERIFY2(requests == 1 || requests == 2, qPrintable(QString::number(requests)));
    else
        QCOMPARE(requests, 1);
}

void TestNetworkUpgrade::unsafeNamesAreRefused_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("product");
    QTest::newRow("parent folder") << "../x.bin" << "DAC";
    QTest::newRow("backslash") << "..\\x.bin" << "DAC";
    QTest::newRow("drive") << "C:x.bin" << "DAC";
    QTest::newRow("dot dot") << ".." << "DAC";
    QTest::newRow("empty") << "" << "DAC";
    QTest::newRow("device name with a separator") << "x.bin" << "../DAC";
}

void TestNetworkUpgrade::unsafeNamesAreRefused()
{
    QFETCH(QString, fileName);
    QFETCH(QString, product);

    Fixture f(dacRelease(QByteArray(64 * 1024, 'f'), fileName));
    QVERIFY(f.started);
    f.server.setCatalogue({{product, dacRelease(QByteArray(64 * 1024, 'f'), fileName)}});
    f.folder.setDevices({TestProgramFolder::tovrekDevice(product)});
    MainWindow window;
    QTRY_VERIFY_WITH_TIMEOUT(entries(window).value(0).contains(QStringLiteral("最新版本:1.06")), 15000);

    clickNetworkUpgrade(window);
    QCOMPARE(entries(window).value(0), QStringLiteral("固件信息有误,文件名不安全,已取消升级."));
    QCOMPARE(newestColour(window), QColor(Qt::red));
    QTest::qWait(300);
    QCOMPARE(packageRequests(f.server), 0);
    QVERIFY(!f.flashed());
    QDirIterator files(f.folder.path(), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        QVERIFY2(!files.next().endsWith(QLatin1String("x.bin")), qPrintable(files.filePath()));
    QCOMPARE(QDir(f.folder.filePath(QStringLiteral("download"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());
}

void TestNetworkUpgrade::lookupAnswers_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QJsonValue>("second");  // the catalogue's answer to the second lookup
    QTest::addColumn<bool>("kept");
    QTest::addColumn<int>("attempts");

    QTest::newRow("silent server keeps the record") << "silent" << QJsonValue() << true << 3;
    QTest::newRow("Servers error anywhere resets")
        << "" << QJsonValue(R"({"code":200,"result":{"downUrl":"u","describes":"Servers error"}})") << false << 1;
    QTest::newRow("unknown product resets") << "" << QJsonValue() << false << 1;
    QTest::newRow("release without downUrl resets")
        << "" << QJsonValue(QJsonObject{{QStringLiteral("versionNumber"), QStringLiteral("1.07")}}) << false << 1;
}

void TestNetworkUpgrade::lookupAnswers()
{
    QFETCH(QString, fault);
    QFETCH(QJsonValue, second);
    QFETCH(bool, kept);
    QFETCH(int, attempts);

    Fixture f;
    QVERIFY(f.started);
    MainWindow window;
    QTRY_VERIFY_WITH_TIMEOUT(!window.upgrade().m_releaseInfo.downUrl.isEmpty(), 15000);
    const ReleaseInfo first = window.upgrade().m_releaseInfo;

    f.server.clearRequests();
    f.server.setFault(fault);
    f.server.setCatalogue(second.isNull() ? QJsonObject() : QJsonObject{{QStringLiteral("DAC"), second}});
    window.refreshDeviceList();  // selects the device again
    QTRY_VERIFY_WITH_TIMEOUT(f.server.requests().size() == attempts, 30000);
    QTest::qWait(kept ? 2500 : 500);  // the last attempt times out / the answer arrives
    QCOMPARE(window.upgrade().m_releaseInfo.downUrl, kept ? first.downUrl : QString());
    QCOMPARE(f.server.requests().size(), attempts);
    if (!kept) {
        clickNetworkUpgrade(window);
        QCOMPARE(Dialogs::takeShown().value(0).text, QStringLiteral("此设备无最新的固件"));
    }
}

void TestNetworkUpgrade::lateLookupAnswerIsDropped()
{
    TestProgramFolder folder;  // lookups go to a closed port: only the answers below arrive
    folder.setDevices({TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))});
    MainWindow window;
    window.refreshDeviceList();
    QList<downloadThread *> lookups = window.findChildren<downloadThread *>();
    QCOMPARE(lookups.size(), 2);
    for (downloadThread *lookup : qAsConst(lookups))
        QVERIFY(lookup->wait(30000));

    const QString answer = QString::fromLatin1(R"({"code":200,"result":{"downUrl":"http://127.0.0.1:1/%1.bin"}})");
    emit lookups[1]->threadMessage(answer.arg("second"), QStringLiteral("1.05"));
    emit lookups[0]->threadMessage(answer.arg("first"), QStringLiteral("1.05"));
    QCoreApplication::processEvents();
    QCOMPARE(window.upgrade().m_releaseInfo.downUrl, QStringLiteral("http://127.0.0.1:1/second.bin"));

    // Nor is the answer for a device that is no longer selected.
    folder.setDevices({});
    window.refreshDeviceList();
    emit lookups[1]->threadMessage(answer.arg("gone"), QStringLiteral("1.05"));
    QCoreApplication::processEvents();
    QCOMPARE(window.upgrade().m_releaseInfo.downUrl, QStringLiteral("http://127.0.0.1:1/second.bin"));
}

namespace {

// A package served a little at a time, so that the download is still running while
// the test acts.
const QStringList kSlowPackage{QStringLiteral("--trickle-bytes"), QStringLiteral("4096"),
                               QStringLiteral("--trickle-ms"), QStringLiteral("100")};

// Waits for the offered release, presses "网络升级" and waits for the first progress entry.
bool startDownload(MainWindow &window)
{
    if (!QTest::qWaitFor([&] { return entries(window).value(0) == kNotice; }, 15000))
        return false;
    clickNetworkUpgrade(window);
    return QTest::qWaitFor([&] { return entries(window).value(0).startsWith(QStringLiteral("下载最新固件")); }, 15000);
}

} // namespace

void TestNetworkUpgrade::secondPressDuringDownloadIsIgnored()
{
    Fixture f(QJsonValue(), kSlowPackage);
    QVERIFY(f.started);
    f.server.setFault(QStringLiteral("trickle"), QStringLiteral("/packages/"));
    MainWindow window;
    QVERIFY(startDownload(window));
    clickNetworkUpgrade(window);
    QTRY_VERIFY_WITH_TIMEOUT(entries(window).contains(kDone), 60000);
    QTest::qWait(1000);
    QCOMPARE(packageRequests(f.server), 1);
    QCOMPARE(entries(window).count(kStart), 1);
}

void TestNetworkUpgrade::selectionChangedDuringDownload()
{
    Fixture f(QJsonValue(), kSlowPackage);
    QVERIFY(f.started);
    f.server.setFault(QStringLiteral("trickle"), QStringLiteral("/packages/"));
    MainWindow window;
    QVERIFY(startDownload(window));
    f.folder.setDevices({TestProgramFolder::veldDevice(QStringLiteral("Velmora X"))});
    window.refreshDeviceList();
    QTRY_VERIFY_WITH_TIMEOUT(entries(window).value(0) == QStringLiteral("下载期间选择的设备已改变,未升级."), 30000);
    QCOMPARE(newestColour(window), QColor(Qt::red));
    QVERIFY(!window.isUpgrading());
    QVERIFY(!f.flashed());
}

void TestNetworkUpgrade::toolUpdateHandOver_data()
{
    QTest::addColumn<QString>("server");  // "up", "down" or "silent"
    QTest::addColumn<bool>("offered");
    QTest::addColumn<bool>("withUpdater");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("handedOver");

    const QStringList question{"yesno"};
    QTest::newRow("no shows the window") << "up" << true << true << int(QMessageBox::No) << question << false;
    QTest::newRow("nothing offered") << "up" << false << true << int(QMessageBox::Yes) << QStringList() << false;
    QTest::newRow("server unreachable") << "down" << true << true << int(QMessageBox::Yes) << QStringList() << false;
    QTest::newRow("server silent") << "silent" << true << true << int(QMessageBox::Yes) << QStringList() << false;
    QTest::newRow("updater missing is told")
        << "up" << true << false << int(QMessageBox::Yes) << QStringList{"yesno", "information"} << false;
    // Last: the hand-over quits the application, after which this thread's event
    // loops return at once.
    QTest::newRow("yes starts the updater") << "up" << true << true << int(QMessageBox::Yes) << question << true;
}

void TestNetworkUpgrade::toolUpdateHandOver()
{
    QFETCH(QString, server);
    QFETCH(bool, offered);
    QFETCH(bool, withUpdater);
    QFETCH(int, answer);
    QFETCH(QStringList, boxes);
    QFETCH(bool, handedOver);

    TestProgramFolder folder;
    folder.writeConfig(R"({"productName":"Tool","version":"1.2"})");
    const QString marker = folder.filePath(QStringLiteral("updater-started"));
    if (withUpdater) {
        const QString updater = folder.writeFile(QStringLiteral("update"), "#!/bin/sh\ntouch \"$(dirname \"$0\")/updater-started\"\n");
        QFile::setPermissions(updater, QFile::permissions(updater) | QFileDevice::ExeOwner);
    }
    TestReleaseServer releaseServer;
    releaseServer.setCatalogue({{QStringLiteral("Tool"), offered ? QJsonValue(QJsonObject{{"versionNumber", "1.3"}})
                                                                 : QJsonValue(QJsonObject())}});
    if (server != QLatin1String("down"))
        QVERIFY(releaseServer.start());
    if (server == QLatin1String("silent"))
        releaseServer.setFault(server);

    MainWindow window;
    Dialogs::takeShown();
    Dialogs::queueAnswer(QMessageBox::StandardButton(answer));
    QCOMPARE(offerToolUpdate(window), handedOver);
    QStringList kinds;
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    for (const Dialogs::Shown &box : shown)
        kinds << box.kind;
    QCOMPARE(kinds, boxes);
    if (!boxes.isEmpty())
        QCOMPARE(shown.first().text, QStringLiteral("有新的版本,需要立即更新吗?"));
    if (handedOver)
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 15000);
    else
        QVERIFY(!QFile::exists(marker));
}

QTEST_MAIN(TestNetworkUpgrade)
#include "tst_network_upgrade.moc"
