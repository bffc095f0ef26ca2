// kestrelup itself in a process of its own on the bench, as the demo runs it: the
// bench's uevents and ioctls cross the process boundary. The bench's own process needs
// the preload too: umockdev sends a uevent through libudev.
#include "BenchTest.h"
#include "TestProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

// What the tool's enumeration logs when the DAC is the only device seen.
const QByteArray kDacSeen = "UsbHidClass::deviceInfoToList = QMap((\"32BB_0004_FF32\", \"DAC(0x32BB/0x0004,0xFF32,0x0003)\"))";
const QByteArray kNothingSeen = "UsbHidClass::deviceInfoToList = QMap()";

// Once the window is built the tool writes its diagnostics to the day's log file.
QByteArray logOf(const TestProgramFolder &folder)
{
    QByteArray all;
    const QDir logDir(folder.filePath(QStringLiteral("log")));
    for (const QString &name : logDir.entryList({QStringLiteral("log_*.txt")}, QDir::Files)) {
        QFile file(logDir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            all += file.readAll();
    }
    return all;
}

} // namespace

class TestBenchProcess : public QObject
{
    Q_OBJECT

private slots:
    void toolFollowsTheBenchFromAnotherProcess();
};

void TestBenchProcess::toolFollowsTheBenchFromAnotherProcess()
{
    TestProgramFolder folder(TestProgramFolder::WithSettingFolder);
    const QString program = folder.filePath(QStringLiteral("kestrelup"));
    QVERIFY(QFile::copy(QStringLiteral(KESTREL_KESTRELUP_BIN), program));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner));
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &entry : bench.processEnvironment())
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=true"));
    QProcess tool;
    tool.setProcessEnvironment(env);
    tool.setProcessChannelMode(QProcess::MergedChannels);
    QByteArray output;
    connect(&tool, &QProcess::readyRead, this, [&] { output += tool.readAll(); });
    tool.start(program, QStringList());
    QVERIFY(tool.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(output.contains(kNothingSeen), 20000);
    QTest::qWait(500);  // the monitor is listening once the window is built

    const int slot = bench.plug(BenchDevice::dac());
    QTRY_VERIFY_WITH_TIMEOUT(logOf(folder).contains(kDacSeen), 10000);
    // The selection handler asked the device across the process boundary.
    QTRY_COMPARE_WITH_TIMEOUT(bench.sentReports().size(), 2, 10000);

    const int before = logOf(folder).count(kNothingSeen);
    QVERIFY(bench.unplug(slot));
    QTRY_VERIFY_WITH_TIMEOUT(logOf(folder).count(kNothingSeen) > before, 10000);

    tool.terminate();
    if (!tool.waitForFinished(10000)) {
        tool.kill();
        tool.waitForFinished(5000);
    }
}

KESTREL_BENCH_MAIN(TestBenchProcess, QCoreApplication)
#include "tst_bench_process.moc"
