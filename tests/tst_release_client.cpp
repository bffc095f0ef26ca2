// The release server client against the server stand-in: the form post, the release
// answers, the tool's own check and the download worker in both modes.
#include "TestProgramFolder.h"
#include "TestReleaseServer.h"

#include "release/HttpClass.h"
#include "release/ReleaseInfo.h"
#include "release/ReleaseServer.h"
#include "release/ToolRelease.h"
#include "release/downloadThread.h"

#include <QCryptographicHash>
#include <QLoggingCategory>
#include <QSslConfiguration>
#include <QMutex>
#include <QtTest>

namespace {

using Form = QMap<QString, QString>;

const QString kLookupPath = QStringLiteral("/app/ota/getOtaInfo");

QJsonObject release(const QString &version, const QString &downUrl = QString())
{
    return QJsonObject{{QStringLiteral("fileName"), QStringLiteral("DAC_v1.06.bin")},
                       {QStringLiteral("downUrl"), downUrl},
                       {QStringLiteral("versionNumber"), version},
                       {QStringLiteral("describes"), QStringLiteral("fixes\\nmore")}};
}

// Debug messages of the code under test, which the test environment silences.
class MessageCapture
{
public:
    MessageCapture()
    {
        {
            QMutexLocker locker(&s_mutex);
            s_messages.clear();
        }
        s_previousFilter = QLoggingCategory::installFilter(&MessageCapture::filter);
        m_previous = qInstallMessageHandler(&MessageCapture::handler);
    }
    ~MessageCapture()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::installFilter(s_previousFilter);
    }
    static QStringList messages()
    {
        QMutexLocker locker(&s_mutex);
        return s_messages;
    }

private:
    static void filter(QLoggingCategory *category)
    {
        if (s_previousFilter)
            s_previousFilter(category);
        if (qstrcmp(category->categoryName(), "default") == 0)
            category->setEnabled(QtDebugMsg, true);
    }
    // Download workers log from their own threads.
    static void handler(QtMsgType, const QMessageLogContext &, const QString &text)
    {
        QMutexLocker locker(&s_mutex);
        s_messages << text;
    }
    static QMutex s_mutex;
    static QStringList s_messages;
    static QLoggingCategory::CategoryFilter s_previousFilter;
    QtMessageHandler m_previous = nullptr;
};
QMutex MessageCapture::s_mutex;
QStringList MessageCapture::s_messages;
QLoggingCategory::CategoryFilter MessageCapture::s_previousFilter = nullptr;

struct Emissions
{
    QStringList messages;
    QStringList versions;
};

// Runs one worker to its end and collects what it said.
Emissions run(downloadThread &worker)
{
    Emissions emissions;
    QObject context;
    QObject::connect(&worker, &downloadThread::threadMessage, &context, [&](QString message, QString version) {
        emissions.messages << message;
        emissions.versions << version;
    });
    QSignalSpy finished(&worker, &QThread::finished);
    worker.start(QThread::InheritPriority);
    if (!finished.wait(60000))
        qWarning("worker did not end");
    QCoreApplication::processEvents();  // the queued messages
    return emissions;
}

} // namespace

class TestReleaseClient : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void formEncoding_data();
    void formEncoding();
    void postFormOnTheWire();
    void postFormFailuresAreEmpty_data();
    void postFormFailuresAreEmpty();
    void postFormOverHttps();
    void lookupAddress();
    void releaseAnswers_data();
    void releaseAnswers();
    void refusedAnswers_data();
    void refusedAnswers();
    void toolReleaseCheck_data();
    void toolReleaseCheck();
    void lookupWorker();
    void lookupWorkerGivesUpAfterThreeAttempts();
    void download();
    void downloadFailuresLeaveNoPackage_data();
    void downloadFailuresLeaveNoPackage();
    void downloadWithoutAnnouncedSize();
    void workerDestroyedMidDownload();
};

void TestReleaseClient::init()
{
    g_httpClass.setTransferTimeout(2000);
}

void TestReleaseClient::formEncoding_data()
{
    QTest::addColumn<Form>("fields");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("blank as %20, names in order")
        << Form{{"versionNumber", "1.0 beta"}, {"productName", "M1"}} << QByteArray("productName=M1&versionNumber=1.0%20beta");
    QTest::newRow("reserved and non-ASCII")
        << Form{{"a", "x&y=z+w"}, {"b", QStringLiteral("caf\u00e9")}} << QByteArray("a=x%26y%3Dz%2Bw&b=caf%C3%A9");
    QTest::newRow("unreserved stay") << Form{{"v", "A-z.0_9~"}} << QByteArray("v=A-z.0_9~");
    QTest::newRow("empty map") << Form{} << QByteArray();
    QTest::newRow("device lookup")
        << releaseLookupFields(QStringLiteral("DAC"), QStringLiteral("1.05"))
        << QByteArray("deviceModel=DAC&deviceNumber=00%3A00%3A00%3A00%3A00%3A00%3A00%3A00&languageCode=zh-cn"
                      "&productName=DAC&versionNumber=1.05");
}

void TestReleaseClient::formEncoding()
{
    QFETCH(Form, fields);
    QFETCH(QByteArray, body);
    QCOMPARE(HttpClass::encodeForm(fields), body);
}

void TestReleaseClient::postFormOnTheWire()
{
    TestReleaseServer server;
    server.setCatalogue({{QStringLiteral("DAC"), release(QStringLiteral("1.06"))}});
    QVERIFY(server.start());

    const QString answer = g_httpClass.postForm(releaseLookupUrl(), releaseLookupFields(QStringLiteral("DAC"), QStringLiteral("1.05")));
    QCOMPARE(parseReleaseInfo(answer).versionNumber, QStringLiteral("1.06"));
    QCOMPARE(g_httpClass.postForm(releaseLookupUrl(), Form{}), QStringLiteral("{\"code\":500,\"msg\":\"Product isn't exist\",\"result\":{}}"));

    const QList<QJsonObject> requests = server.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[0].value("method").toString(), QStringLiteral("POST"));
    QCOMPARE(requests[0].value("path").toString(), kLookupPath);
    QCOMPARE(requests[0].value("body").toString(),
             QStringLiteral("deviceModel=DAC&deviceNumber=00%3A00%3A00%3A00%3A00%3A00%3A00%3A00&languageCode=zh-cn"
                            "&productName=DAC&versionNumber=1.05"));
    QCOMPARE(requests[0].value("headers").toObject().value("Content-Type").toString(),
             QStringLiteral("application/x-www-form-urlencoded"));
    QCOMPARE(requests[1].value("body").toString(), QString());
}

void TestReleaseClient::postFormFailuresAreEmpty_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("silent, cut by the transfer time-out") << "silent";
    QTest::newRow("404") << "404";
    QTest::newRow("200 with an empty body") << "empty";
}

void TestReleaseClient::postFormFailuresAreEmpty()
{
    QFETCH(QString, fault);
    TestReleaseServer server;
    server.setCatalogue({{QStringLiteral("DAC"), release(QStringLiteral("1.06"))}});
    QVERIFY(server.start());
    server.setFault(fault);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(g_httpClass.postForm(releaseLookupUrl(), releaseLookupFields(QStringLiteral("DAC"), QString())), QString());
    QVERIFY(clock.elapsed() < 30000);  // a silent server does not hold the caller for ever
    QCOMPARE(server.requests().size(), 1);
}

void TestReleaseClient::postFormOverHttps()
{
    TestReleaseServer server(TestReleaseServer::Https);
    server.setCatalogue({{QStringLiteral("DAC"), release(QStringLiteral("1.06"))}});
    QVERIFY(server.start());
    QVERIFY(server.baseUrl().startsWith(QLatin1String("https://127.0.0.1:")));
    const Form fields = releaseLookupFields(QStringLiteral("DAC"), QStringLiteral("1.05"));

    {
        MessageCapture capture;
        QCOMPARE(g_httpClass.postForm(releaseLookupUrl(), fields), QString());
        bool told = false;
        for (const QString &message : MessageCapture::messages())
            told = told || message.startsWith(QLatin1String("Network error:"));
        QVERIFY2(told, qPrintable(MessageCapture::messages().join(QLatin1Char('|'))));
    }

    const QSslConfiguration original = QSslConfiguration::defaultConfiguration();
    QSslConfiguration trusting = original;
    trusting.addCaCertificates(server.certificatePath());
    QSslConfiguration::setDefaultConfiguration(trusting);
    const QString answer = g_httpClass.postForm(releaseLookupUrl(), fields);
    QSslConfiguration::setDefaultConfiguration(original);
    QCOMPARE(parseReleaseInfo(answer).versionNumber, QStringLiteral("1.06"));
    QCOMPARE(server.requests().size(), 1);  // the refused handshake never reached a request
}

void TestReleaseClient::lookupAddress()
{
    qunsetenv("KESTRELUP_RELEASE_SERVER");
    QVERIFY(releaseLookupUrl().startsWith(QLatin1String("https://")));
    QVERIFY(releaseLookupUrl().endsWith(kLookupPath));
    qputenv("KESTRELUP_RELEASE_SERVER", "http://127.0.0.1:8080/");
    QCOMPARE(releaseLookupUrl(), QStringLiteral("http://127.0.0.1:8080/app/ota/getOtaInfo"));
    qunsetenv("KESTRELUP_RELEASE_SERVER");
}

void TestReleaseClient::releaseAnswers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("downUrl");
    QTest::addColumn<QString>("packageSize");
    QTest::addColumn<int>("code");

    QTest::newRow("release") << R"({"code":200,"result":{"downUrl":"http://h/p.bin","packageSize":"9000"}})"
                             << "http://h/p.bin" << "9000" << 200;
    QTest::newRow("number where a text belongs") << R"({"code":200,"result":{"downUrl":"u","packageSize":9000}})"
                                                 << "u" << "" << 200;
    QTest::newRow("empty result") << R"({"code":0,"result":{}})" << "" << "" << 0;
    QTest::newRow("result not an object") << R"({"code":"7","result":["u"]})" << "" << "" << 0;
    QTest::newRow("not JSON") << "<html>busy</html>" << "" << "" << 0;
}

void TestReleaseClient::releaseAnswers()
{
    QFETCH(QString, answer);
    QFETCH(QString, downUrl);
    QFETCH(QString, packageSize);
    QFETCH(int, code);
    const ReleaseInfo info = parseReleaseInfo(answer);
    QCOMPARE(info.downUrl, downUrl);
    QCOMPARE(info.packageSize, packageSize);
    QCOMPARE(info.code, code);
    QCOMPARE(info.isEmpty(), downUrl.isEmpty() && code == 0);
}

void TestReleaseClient::refusedAnswers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("refused");
    QTest::newRow("unknown product") << R"({"code":500,"msg":"Product isn't exist"})" << true;
    QTest::newRow("inside a release text") << R"({"result":{"downUrl":"u","describes":"no Servers error here"}})" << true;
    QTest::newRow("outside JSON") << "Servers error" << true;
    QTest::newRow("other letter case") << "servers error" << false;
    QTest::newRow("release") << R"({"result":{"downUrl":"u"}})" << false;
}

void TestReleaseClient::refusedAnswers()
{
    QFETCH(QString, answer);
    QFETCH(bool, refused);
    QCOMPARE(isRefusedReleaseAnswer(answer), refused);
}

void TestReleaseClient::toolReleaseCheck_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QJsonValue>("entry");  // the catalogue's entry for "Tool"
    QTest::addColumn<bool>("offered");
    QTest::addColumn<QString>("body");

    const QString toolBody = QStringLiteral("deviceModel=Tool&deviceNumber=00%3A00%3A00%3A00%3A00%3A00%3A00%3A00"
                                            "&languageCode=zh-cn&productName=Tool&versionNumber=1.2");
    const QByteArray config = R"({"productName":"Tool","version":"1.2"})";
    // First: a failed read keeps the values of an earlier one.
    QTest::newRow("no config file posts empty values")
        << QByteArray() << QJsonValue(release("1.3")) << false
        << QStringLiteral("deviceModel=&deviceNumber=00%3A00%3A00%3A00%3A00%3A00%3A00%3A00&languageCode=zh-cn"
                          "&productName=&versionNumber=");
    QTest::newRow("newer release") << config << QJsonValue(release("1.3")) << true << toolBody;
    // The server decides what is newer.
    QTest::newRow("same version still offered") << config << QJsonValue(release("1.2")) << true << toolBody;
    QTest::newRow("nothing offered") << config << QJsonValue(QJsonObject()) << false << toolBody;
    QTest::newRow("not JSON") << config << QJsonValue("Servers error") << false << toolBody;
}

void TestReleaseClient::toolReleaseCheck()
{
    QFETCH(QByteArray, config);
    QFETCH(QJsonValue, entry);
    QFETCH(bool, offered);
    QFETCH(QString, body);

    TestProgramFolder folder;
    if (!config.isEmpty())
        folder.writeConfig(config);
    TestReleaseServer server;
    server.setCatalogue({{QStringLiteral("Tool"), entry}});
    QVERIFY(server.start());

    QCOMPARE(checkNewVersion(), offered);
    QCOMPARE(server.requests().value(0).value("body").toString(), body);
    QCOMPARE(g_appConfig.version, config.isEmpty() ? QString() : QStringLiteral("1.2"));
}

void TestReleaseClient::lookupWorker()
{
    TestReleaseServer server;
    server.setCatalogue({{QStringLiteral("DAC"), release(QStringLiteral("1.06"), QStringLiteral("{base}/packages/p.bin"))}});
    QVERIFY(server.start());

    downloadThread worker;
    worker.m_strProductName = QStringLiteral("DAC");
    worker.m_strFirmwareVer = QStringLiteral("1.05");
    worker.m_strDefaultVer = QStringLiteral("1.00");
    Emissions emissions = run(worker);
    QCOMPARE(emissions.messages.size(), 1);
    QCOMPARE(parseReleaseInfo(emissions.messages[0]).downUrl, server.baseUrl() + QStringLiteral("/packages/p.bin"));
    QCOMPARE(emissions.versions, QStringList{"1.05"});

    // A device that reports no version is looked up with the table's.
    downloadThread unknown;
    unknown.m_strProductName = QStringLiteral("DAC");
    unknown.m_strDefaultVer = QStringLiteral("1.00");
    emissions = run(unknown);
    QCOMPARE(emissions.versions, QStringList{QString()});
    QVERIFY(server.requests().value(1).value("body").toString().endsWith(QLatin1String("&versionNumber=1.00")));
}

void TestReleaseClient::lookupWorkerGivesUpAfterThreeAttempts()
{
    g_httpClass.setTransferTimeout(1000);
    TestReleaseServer server;
    QVERIFY(server.start());
    server.setFault(QStringLiteral("silent"));
    downloadThread worker;
    worker.m_strProductName = QStringLiteral("DAC");
    QCOMPARE(run(worker).messages, QStringList());
    QCOMPARE(server.requests().size(), 3);
}

void TestReleaseClient::download()
{
    TestProgramFolder folder;
    TestReleaseServer server;
    const QByteArray package(300 * 1024, 'p');
    const QString path = server.addPackage(QStringLiteral("DAC_v1.06.bin"), package);
    QVERIFY(server.start());
    const QString target = folder.writeFile(QStringLiteral("download/DAC/DAC_v1.06.bin"), "old and damaged");

    downloadThread worker;
    worker.m_url = QUrl(server.baseUrl() + path);
    worker.m_strFilePath = target;
    const Emissions emissions = run(worker);
    QCOMPARE(emissions.messages.value(emissions.messages.size() - 1), QStringLiteral("download finish"));
    QVERIFY(downloadThread::isFinish(emissions.messages.last()));
    QCOMPARE(emissions.messages.value(emissions.messages.size() - 2), QStringLiteral("100"));
    for (const QString &message : emissions.messages.mid(0, emissions.messages.size() - 1)) {
        bool number = false;
        const int percent = message.toInt(&number);
        QVERIFY2(number && percent >= 0 && percent <= 100, qPrintable(message));
    }
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), package);
    QCOMPARE(QDir(folder.filePath(QStringLiteral("download/DAC"))).entryList(QDir::Files), QStringList{"DAC_v1.06.bin"});
}

void TestReleaseClient::downloadFailuresLeaveNoPackage_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("target");  // relative to the program folder
    QTest::addColumn<bool>("reachable");

    const QString target = QStringLiteral("download/DAC/p.bin");
    QTest::newRow("404") << "404" << target << true;
    QTest::newRow("dropped halfway") << "drop" << target << true;
    QTest::newRow("empty body") << "empty" << target << true;
    QTest::newRow("silent, cut by the transfer time-out") << "silent" << target << true;
    QTest::newRow("server unreachable") << "" << target << false;
    QTest::newRow("folder missing") << "" << QStringLiteral("download/none/p.bin") << true;
}

void TestReleaseClient::downloadFailuresLeaveNoPackage()
{
    QFETCH(QString, fault);
    QFETCH(QString, target);
    QFETCH(bool, reachable);

    TestProgramFolder folder;
    QDir().mkpath(folder.filePath(QStringLiteral("download/DAC")));
    TestReleaseServer server;
    const QString path = server.addPackage(QStringLiteral("p.bin"), QByteArray(200 * 1024, 'p'));
    QVERIFY(server.start());
    server.setFault(fault);

    downloadThread worker;
    worker.m_url = QUrl(reachable ? server.baseUrl() + path : QStringLiteral("http://127.0.0.1:1/p.bin"));
    worker.m_strFilePath = folder.filePath(target);
    const Emissions emissions = run(worker);
    QVERIFY(!emissions.messages.isEmpty());
    const QString last = emissions.messages.last();
    QVERIFY2(downloadThread::isFailure(last), qPrintable(last));
    QVERIFY(!downloadThread::failureReason(last).isEmpty());
    QVERIFY(!emissions.messages.contains(QStringLiteral("download finish")));
    QCOMPARE(QDir(folder.filePath(QStringLiteral("download/DAC"))).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestReleaseClient::downloadWithoutAnnouncedSize()
{
    TestProgramFolder folder;
    TestReleaseServer server;
    const QString path = server.addPackage(QStringLiteral("p.bin"), QByteArray(256 * 1024, 'p'));
    QVERIFY(server.start({QStringLiteral("--trickle-bytes"), QStringLiteral("16384"), QStringLiteral("--trickle-ms"),
                          QStringLiteral("20")}));
    server.setFault(QStringLiteral("nolength"));
    downloadThread worker;
    worker.m_url = QUrl(server.baseUrl() + path);
    worker.m_strFilePath = folder.filePath(QStringLiteral("download/p.bin"));
    // Qt's last report gives the size it found; the ones before it had none.
    QCOMPARE(run(worker).messages, (QStringList{"100", "download finish"}));
    QCOMPARE(QFileInfo(worker.m_strFilePath).size(), 256 * 1024);
}

void TestReleaseClient::workerDestroyedMidDownload()
{
    TestProgramFolder folder;
    TestReleaseServer server;
    const QString path = server.addPackage(QStringLiteral("p.bin"), QByteArray(64 * 1024, 'p'));
    QVERIFY(server.start({QStringLiteral("--trickle-bytes"), QStringLiteral("256")}));
    server.setFault(QStringLiteral("trickle"));
    const QString target = folder.filePath(QStringLiteral("download/p.bin"));
    {
        auto *worker = new downloadThread;
        worker->m_url = QUrl(server.baseUrl() + path);
        worker->m_strFilePath = target;
        QSignalSpy messages(worker, &downloadThread::threadMessage);
        worker->start(QThread::InheritPriority);
        QTRY_VERIFY_WITH_TIMEOUT(!messages.isEmpty(), 20000);
        delete worker;  // interrupts the transfer and waits for the thread
    }
    QCOMPARE(QDir(folder.filePath(QStringLiteral("download"))).entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_MAIN(TestReleaseClient)
#include "tst_release_client.moc"
