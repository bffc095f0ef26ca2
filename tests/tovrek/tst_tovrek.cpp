// Runs the real tovrek binary against the vendor-library stand-in, natively or
// (TOVREK_TEST_WINE) the mingw build under wine. Every run gets its own folder
// holding a copy of the program and of the library, since the loader only
// looks beside the executable.
#include <QtTest>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

#ifdef TOVREK_TEST_WINE
constexpr bool kUnderWine = true;
constexpr int kRunTimeoutMs = 120000;
#else
constexpr bool kUnderWine = false;
constexpr int kRunTimeoutMs = 30000;
#endif

const QString kFirmware = QStringLiteral("firmware.bin");
const QString kTransactionLog = QStringLiteral("transactions.log");

enum class Library { Complete, Incomplete, Missing };

// msvcrt's text-mode stdout turns every LF into CR LF.
QByteArray consoleBytes(QByteArray text)
{
    return kUnderWine ? text.replace("\n", "\r\n") : text;
}

// Arguments reach a Windows program in its ANSI code page: cp1252 under wine
// with a C.UTF-8 locale; natively they stay UTF-8.
QByteArray argumentBytes(const QString &text)
{
    return kUnderWine ? text.toLatin1() : text.toUtf8();
}

const QByteArray kGbkConnectError = "\xC1\xB4\xBD\xD3USB\xB4\xED\xCE\xF3"; // 链接USB错误
const QByteArray kGbkFirmwareError = "\xD0\xB4\xB9\xCC\xBC\xFE\xB4\xED\xCE\xF3"; // 写固件错误

// Windows consoles get GBK; natively the locale's encoding (UTF-8 here).
QByteArray connectError()
{
    return kUnderWine ? kGbkConnectError : QStringLiteral("链接USB错误").toUtf8();
}

QByteArray firmwareError()
{
    return kUnderWine ? kGbkFirmwareError : QStringLiteral("写固件错误").toUtf8();
}

const QByteArray kUsageLine = "use:tovrek  bin_path  vid pid usage usagePage \n";

QStringList defaultArgs(const QString &binPath = kFirmware)
{
    return {binPath, QStringLiteral("32bb"), QStringLiteral("4"), QStringLiteral("0x1"),
            QStringLiteral("0xff00")};
}

QByteArray echoLine(const QStringList &args)
{
    return " bin_path=" + argumentBytes(args[0]) + "  vid=" + argumentBytes(args[1])
        + " pid=" + argumentBytes(args[2]) + " usage=" + argumentBytes(args[3])
        + " usagePage=" + argumentBytes(args[4]) + "\n";
}

QByteArray connectedTo(const QByteArray &vid, const QByteArray &pid)
{
    return "Send log => Connect USB => connect ok: DUT " + vid + " " + pid + "\n";
}

struct Run {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool logWritten = false;
    QList<QByteArray> transactions;

    QList<QByteArray> tasks() const
    {
        QList<QByteArray> names;
        for (const QByteArray &line : transactions)
            names << line.split(' ').value(0).mid(int(qstrlen("tovrek_task=")));
        return names;
    }
};

// A folder with tovrek and (unless Missing) a library copied in beside it.
class Sandbox {
public:
    explicit Sandbox(Library library)
    {
        const QString program = QFileInfo(QStringLiteral(TOVREK_PROGRAM)).fileName();
        m_ok = m_dir.isValid()
            && QFile::copy(QStringLiteral(TOVREK_PROGRAM), m_dir.filePath(program));
        m_program = m_dir.filePath(program);
        const QString name = QStringLiteral(TOVREK_LIBRARY_NAME);
        if (library == Library::Complete)
            m_ok = m_ok && QFile::copy(QStringLiteral(TOVREK_LIBRARY), m_dir.filePath(name));
        else if (library == Library::Incomplete)
            m_ok = m_ok
                && QFile::copy(QStringLiteral(TOVREK_INCOMPLETE_LIBRARY), m_dir.filePath(name));
    }

    bool isValid() const { return m_ok; }

    bool writeFile(const QString &name, int size) const
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(QByteArray(size, '\x5a')) == size;
    }

    // Paths handed to tovrek are relative to the folder, so they read the
    // same natively and under wine.
    Run run(const QStringList &args, const QStringList &env = {}) const
    {
        if (kUnderWine)
            return execute(QStringLiteral("wine"), QStringList{m_program} + args, env);
        return execute(m_program, args, env);
    }

    // For arguments QProcess cannot pass: it re-encodes them as UTF-8.
    Run runShell(const QString &script, const QStringList &env) const
    {
        return execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script}, env);
    }

private:
    Run execute(const QString &program, const QStringList &args, const QStringList &env) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &key : environment.keys())
            if (key.startsWith(QLatin1String("BTAPI_SIM_")))
                environment.remove(key);
        environment.insert(QStringLiteral("BTAPI_SIM_LOG"), kTransactionLog);
        for (const QString &assignment : env)
            environment.insert(assignment.section('=', 0, 0), assignment.section('=', 1));

        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_dir.path());
        process.start(program, args);

        Run run;
        run.finished = process.waitForFinished(kRunTimeoutMs)
            && process.exitStatus() == QProcess::NormalExit;
        run.exitCode = process.exitCode();
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        QFile log(m_dir.filePath(kTransactionLog));
        run.logWritten = log.open(QIODevice::ReadOnly);
        if (run.logWritten) {
            run.transactions = log.readAll().split('\n');
            if (!run.transactions.isEmpty() && run.transactions.last().isEmpty())
                run.transactions.removeLast();
        }
        return run;
    }

    QTemporaryDir m_dir;
    QString m_program;
    bool m_ok = false;
};

} // namespace

Q_DECLARE_METATYPE(Library)

class TovrekTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void successfulRun();
    void refusedBeforeFlashing_data();
    void refusedBeforeFlashing();
    void flashStopsAtFirstFailure_data();
    void flashStopsAtFirstFailure();
    void idsReachLibraryWithPrefix_data();
    void idsReachLibraryWithPrefix();
    void nonAsciiFirmwarePathReachesLibraryAsUtf8();
    void gbkLocaleConvertsPathAndMessages();
};

void TovrekTest::initTestCase()
{
    if (!kUnderWine)
        return;
    // A fresh prefix takes a while to set up; do it once outside the timed runs.
    QProcess wine;
    wine.start(QStringLiteral("wine"), {QStringLiteral("cmd"), QStringLiteral("/c"),
                                        QStringLiteral("exit")});
    QVERIFY2(wine.waitForFinished(300000), "wine did not start");
}

void TovrekTest::successfulRun()
{
    Sandbox sandbox(Library::Complete);
    QVERIFY(sandbox.isValid());
    QVERIFY(sandbox.writeFile(kFirmware, 5000));

    const QStringList args = defaultArgs();
    const Run run = sandbox.run(args, {"BTAPI_SIM_VID=0x32BB", "BTAPI_SIM_PID=0004"});

    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, consoleBytes(kUsageLine + echoLine(args) + connectedTo("0x32bb", "0x4")
                                   + "usbHidDfu => write page: 1 / 2\r\n"
                                     "write page: 2 / 2\r\n"
                                     "FOTA done\r\n"
                                     "usbHidDfu ok\n"));
    QCOMPARE(run.transactions,
             QList<QByteArray>({
                 "tovrek_task=ToolLogLevel level=0",
                 "tovrek_task=ConnectDutByUsbHid action=connect vendor_id=0x32bb "
                 "product_id=0x4 device_name=DUT",
                 "tovrek_task=usbHidDfu device_name=DUT fota_package_filename=firmware.bin",
                 "tovrek_task=DisconnectDUT device_name=DUT",
             }));
}

void TovrekTest::refusedBeforeFlashing_data()
{
    QTest::addColumn<Library>("library");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");

    const QStringList args = defaultArgs();
    const QByteArray loadFailed = kUsageLine + echoLine(args) + "Load btapi.dll failed!";
    QStringList longVid = args;
    longVid[1] = QStringLiteral("0x1234567890ABCDEF");
    QStringList longPid = args;
    longPid[2] = QStringLiteral("123456789012345678");
    // 130 two-byte characters: 260 bytes with the terminating zero left out,
    // though only 130 in a single-byte code page.
    const QStringList longPath = defaultArgs(QString(130, QChar(0xe9)));

    QTest::newRow("no arguments") << Library::Complete << QStringList() << kUsageLine
                                  << QByteArray("path is empty!");
    QTest::newRow("six arguments") << Library::Complete << args + QStringList{"1"}
                                   << kUsageLine << QByteArray("path is empty!");
    QTest::newRow("library missing") << Library::Missing << args << loadFailed << QByteArray();
    QTest::newRow("library lacks setLogResult")
        << Library::Incomplete << args << loadFailed << QByteArray();
    QTest::newRow("vid of 18 characters")
        << Library::Complete << longVid << kUsageLine
        << QByteArray("vid is too long (at most 17 characters)\n");
    QTest::newRow("pid of 18 characters")
        << Library::Complete << longPid << kUsageLine
        << QByteArray("pid is too long (at most 17 characters)\n");
    QTest::newRow("bin path of 260 bytes as UTF-8")
        << Library::Complete << longPath << kUsageLine
        << QByteArray("bin_path is too long (at most 259 bytes as UTF-8)\n");
}

void TovrekTest::refusedBeforeFlashing()
{
    QFETCH(Library, library);
    QFETCH(QStringList, args);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);

    Sandbox sandbox(library);
    QVERIFY(sandbox.isValid());
    const Run run = sandbox.run(args);

    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 255);
    QCOMPARE(run.out, consoleBytes(out));
    QCOMPARE(run.err, consoleBytes(err));
    QVERIFY2(!run.logWritten, "the library ran a transaction");
}

void TovrekTest::flashStopsAtFirstFailure_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("env");
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<QList<QByteArray>>("tasks");

    const QList<QByteArray> upToConnect{"ToolLogLevel", "ConnectDutByUsbHid"};
    const QList<QByteArray> upToUpdate = upToConnect + QList<QByteArray>{"usbHidDfu"};
    const QByteArray connected = connectedTo("0x32bb", "0x4");

    QTest::newRow("log level refused")
        << defaultArgs() << QStringList{"BTAPI_SIM_FAIL=loglevel"}
        << QByteArray("Send log => ") << QList<QByteArray>{"ToolLogLevel"};
    QTest::newRow("device not found")
        << defaultArgs() << QStringList{"BTAPI_SIM_VID=1234"}
        << "Send log => Connect USB => connect error: no device 0x32bb 0x4\n" + connectError()
        << upToConnect;
    QTest::newRow("empty bin path")
        << defaultArgs(QString()) << QStringList()
        << connected + "UsbHidDfu path is empty" + firmwareError() << upToConnect;
    QTest::newRow("device rejects update")
        << defaultArgs() << QStringList{"BTAPI_SIM_FAIL=update"}
        << connected + "usbHidDfu => write page: 1 / 2\r\n"
               "update fail: device did not accept page 1\n" + firmwareError()
        << upToUpdate;
    // 259 bytes as UTF-8: the longest accepted; no such file, so the library fails.
    QTest::newRow("missing firmware at the longest path")
        << defaultArgs(QString(129, QChar(0xe9)) + 'a') << QStringList()
        << connected + "usbHidDfu => fota fail: cannot open file\n" + firmwareError()
        << upToUpdate;
}

void TovrekTest::flashStopsAtFirstFailure()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, env);
    QFETCH(QByteArray, tail);
    QFETCH(QList<QByteArray>, tasks);

    Sandbox sandbox(Library::Complete);
    QVERIFY(sandbox.isValid());
    QVERIFY(sandbox.writeFile(kFirmware, 5000));
    const Run run = sandbox.run(args, env);

    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, consoleBytes(kUsageLine + echoLine(args) + tail));
    QCOMPARE(run.tasks(), tasks);
}

void TovrekTest::idsReachLibraryWithPrefix_data()
{
    QTest::addColumn<QString>("vid");
    QTest::addColumn<QString>("pid");
    QTest::addColumn<QByteArray>("connect");

    QTest::newRow("already prefixed ids get a second prefix")
        << "0x32BB" << "0X4"
        << QByteArray("vendor_id=0x0x32BB product_id=0x0X4");
    QTest::newRow("17 characters, the longest accepted")
        << "12345678901234567" << "abcdefabcdefabcde"
        << QByteArray("vendor_id=0x12345678901234567 product_id=0xabcdefabcdefabcde");
}

void TovrekTest::idsReachLibraryWithPrefix()
{
    QFETCH(QString, vid);
    QFETCH(QString, pid);
    QFETCH(QByteArray, connect);

    Sandbox sandbox(Library::Complete);
    QVERIFY(sandbox.isValid());
    QStringList args = defaultArgs();
    args[1] = vid;
    args[2] = pid;
    const Run run = sandbox.run(args);

    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.transactions.size() >= 2);
    QCOMPARE(run.transactions[1],
             "tovrek_task=ConnectDutByUsbHid action=connect " + connect + " device_name=DUT");
}

void TovrekTest::nonAsciiFirmwarePathReachesLibraryAsUtf8()
{
    // Under wine only cp1252 is available as ANSI code page (no Chinese
    // locale on this system), so the name must be representable there.
    const QString name = kUnderWine ? QStringLiteral("café.bin") : QStringLiteral("固件.bin");
    Sandbox sandbox(Library::Complete);
    QVERIFY(sandbox.isValid());
    QVERIFY(sandbox.writeFile(name, 100));
    const Run run = sandbox.run(defaultArgs(name));

    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.transactions.size() >= 3);
    QCOMPARE(run.transactions[2],
             "tovrek_task=usbHidDfu device_name=DUT fota_package_filename=" + name.toUtf8());
    // The library found the file by that name.
    QVERIFY2(run.out.endsWith(consoleBytes("write page: 1 / 1\r\nFOTA done\r\nusbHidDfu ok\n")),
             run.out.constData());
}

void TovrekTest::gbkLocaleConvertsPathAndMessages()
{
    if (kUnderWine)
        QSKIP("the Windows build takes its code page from wine, not from the locale");
    // Systems ship UTF-8 locales only, so build a GBK one for this run.
    QTemporaryDir locales;
    QProcess localedef;
    localedef.start(QStringLiteral("localedef"),
                    {"-i", "zh_CN", "-f", "GBK", locales.filePath("zh_CN.GBK")});
    if (!localedef.waitForFinished(60000) || localedef.exitStatus() != QProcess::NormalExit
        || localedef.exitCode() != 0)
        QSKIP("localedef cannot build zh_CN.GBK here");

    Sandbox sandbox(Library::Complete);
    QVERIFY(sandbox.isValid());
    // 固件.bin in GBK bytes.
    const Run run = sandbox.runShell(
        "exec ./tovrek \"$(printf '\\271\\314\\274\\376.bin')\" 32bb 4 1 1",
        {"LOCPATH=" + locales.path(), "LC_ALL=zh_CN.GBK", "LANG=zh_CN.GBK"});

    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.transactions.size() >= 3);
    QCOMPARE(run.transactions[2], "tovrek_task=usbHidDfu device_name=DUT fota_package_filename="
                                      + QStringLiteral("固件.bin").toUtf8());
    // No file has that UTF-8 name, so the library fails and the message comes in GBK.
    QVERIFY2(run.out.endsWith("usbHidDfu => fota fail: cannot open file\n" + kGbkFirmwareError),
             run.out.toHex(' ').constData());
}

QTEST_GUILESS_MAIN(TovrekTest)
#include "tst_tovrek.moc"
