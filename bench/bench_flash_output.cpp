// The flash output at a high line rate: a stand-in flashing program prints progress
// lines at a fixed rate, the main window follows them as in a real upgrade (with the
// log file written), and a timer on the GUI thread measures how long the event loop
// was kept waiting. Every line moves the progress bar, so a lost or misread line shows.
// Run under a display (see bench/run.sh); options: lines per second, lines, runs.
#include "TestProgramFolder.h"
#include "support/BenchSupport.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "settings/LogFile.h"
#include "settings/ProgramFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>

namespace {

struct Run
{
    long updates = 0;
    long misread = 0;
    double stallMs = 0;
    double idleStallMs = 0;
    double seconds = 0;
    bool finished = false;
};

Run flashOnce(long rate, long lines)
{
    Run run;
    TestProgramFolder folder;
    folder.setDevices({TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))});
    // The stand-in takes tovrek's place.
    QFile::remove(folder.filePath(QStringLiteral("tovrek/tovrek")));
    QFile::copy(QStringLiteral(KESTREL_FLASHFEED), folder.filePath(QStringLiteral("tovrek/tovrek")));
    QFile::setPermissions(folder.filePath(QStringLiteral("tovrek/tovrek")), QFile::ReadOwner | QFile::ExeOwner);
    const QString firmware = folder.writeFile(QStringLiteral("download/DAC_v2.bin"), QByteArray(4096, 'x'));
    qputenv("FLASHFEED_RATE", QByteArray::number(qlonglong(rate)));
    qputenv("FLASHFEED_LINES", QByteArray::number(qlonglong(lines)));

    initLogFile();
    MainWindow window;
    qInstallMessageHandler(outputMessage);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "bench_flash_output: the window was never exposed\n");

    bench::StallMeter meter;
    meter.start();
    QTest::qWait(1000);
    run.idleStallMs = meter.stop();

    auto *bar = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    QVector<int> values;
    QObject::connect(bar, &QProgressBar::valueChanged, bar, [&values](int value) { values << value; });
    QElapsedTimer clock;
    clock.start();
    meter.start();
    QMetaObject::invokeMethod(&window, "on_downloadFinish", Q_ARG(QString, firmware));
    run.finished = QTest::qWaitFor([&window] { return !window.isUpgrading(); }, int(lines * 1000 / rate) + 60000);
    run.stallMs = meter.stop();
    if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
        std::fprintf(stderr, "worst stall %.1f ms at %.0f ms of %.0f ms\n", run.stallMs, meter.worstAtMs(),
                     double(clock.elapsed()));
    run.seconds = clock.elapsed() / 1000.0;
    qInstallMessageHandler(nullptr);

    // Expected: 0 (reset at the start), then 1..99 cycling, then 100; the success
    // resets nothing the bar reports.
    QVector<int> expected;
    for (long i = 0; i < lines; ++i)
        expected << int(i % 99 + 1);
    expected << 100;
    int from = values.indexOf(expected.value(0));
    const QVector<int> seen = from < 0 ? QVector<int>() : values.mid(from, expected.size());
    run.updates = seen.size();
    for (int i = 0; i < expected.size(); ++i)
        run.misread += seen.value(i, -1) != expected[i];
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    Dialogs::setScripted(true);
    const QStringList args = application.arguments();
    const long rate = args.value(1, QStringLiteral("2000")).toLong();
    const long lines = args.value(2, QStringLiteral("20000")).toLong();
    const int runs = args.value(3, QStringLiteral("3")).toInt();

    QVector<double> stalls, idle, seconds;
    QVector<QStringList> rows;
    bool allGood = true;
    for (int i = 0; i < runs; ++i) {
        const Run run = flashOnce(rate, lines);
        stalls << run.stallMs;
        idle << run.idleStallMs;
        seconds << run.seconds;
        allGood = allGood && run.finished && run.misread == 0 && run.updates == lines + 1;
        rows << QStringList{QString::number(i + 1), QString::number(lines + 1), QString::number(run.updates),
                            QString::number(run.misread), run.finished ? QStringLiteral("yes") : QStringLiteral("no"),
                            bench::number(run.seconds, 2), bench::number(run.idleStallMs), bench::number(run.stallMs)};
    }
    rows << QStringList{QStringLiteral("median"), QString(), QString(), QString(), QString(),
                        bench::number(bench::median(seconds), 2), bench::number(bench::median(idle)),
                        bench::number(bench::median(stalls))};
    bench::printTable(QStringLiteral("Flash output at %1 lines/s, %2 lines (target: none lost, stall <= 50 ms)")
                          .arg(rate)
                          .arg(lines),
                      {QStringLiteral("run"), QStringLiteral("lines"), QStringLiteral("bar updates"),
                       QStringLiteral("lost/misread"), QStringLiteral("ended in success"), QStringLiteral("seconds"),
                       QStringLiteral("idle stall ms"), QStringLiteral("stall ms")},
                      rows);
    return allGood ? 0 : 1;
}
