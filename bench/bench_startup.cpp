// Start-up to the first mapped window: kestrelup against the smallest Qt Widgets
// program, started in turn on the same display, median of several runs. The time runs
// from the start of the process to the X server's MapNotify of its first window.
// kestrelup asks the release server about itself while it starts: it runs once with
// the server stand-in answering and once with it accepting but never answering.
// Run under a display without a window manager (bench/run.sh uses Xvfb); option: runs.
#include "support/BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <X11/Xlib.h>
#include <sys/select.h>

#include <cstdio>

namespace {

struct Candidate
{
    QString name;
    QString program;
    QProcessEnvironment environment;
    QVector<double> ms;
};

// Milliseconds until the first window of a new process is mapped, or -1.
double timeToMap(Display *display, const Candidate &candidate)
{
    while (XPending(display)) {
        XEvent stale;
        XNextEvent(display, &stale);
    }
    QProcess process;
    process.setProcessEnvironment(candidate.environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(candidate.program, QStringList());
    double result = -1;
    const int fd = ConnectionNumber(display);
    while (clock.elapsed() < 60000 && result < 0) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && result < 0)
                result = clock.nsecsElapsed() / 1e6;
        }
        if (result >= 0)
            break;
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval wait{0, 100000};
        select(fd + 1, &set, nullptr, nullptr, &wait);
    }
    process.kill();
    process.waitForFinished(10000);
    return result;
}

bool copyFile(const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).path());
    return QFile::copy(from, to) && QFile::setPermissions(to, QFile::permissions(from));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const int runs = application.arguments().value(1, QStringLiteral("7")).toInt();
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_startup: no display (run it under xvfb-run)\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XFlush(display);

    // A copy of the installation the tool may write its log and settings into.
    QTemporaryDir folder;
    const QString dist = QStringLiteral(KESTREL_DIST);
    for (const char *file : {"kestrelup", "setting/config.json", "tovrek/tovrek"})
        copyFile(dist + QLatin1Char('/') + QLatin1String(file), folder.filePath(QLatin1String(file)));

    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    QVector<Candidate> candidates{{QStringLiteral("bare Qt Widgets window"), QStringLiteral(KESTREL_BARE_WINDOW), system, {}}};
#ifdef KESTREL_RELEASE_SERVER_BIN
    // No release for the tool: the answer names none.
    QFile catalogue(folder.filePath(QStringLiteral("catalogue.json")));
    catalogue.open(QIODevice::WriteOnly);
    catalogue.write(R"({"NorvoUpgradeTool": "{\"code\":0,\"result\":{}}"})");
    catalogue.close();
    QProcess answering, silent;
    for (QProcess *server : {&answering, &silent}) {
        QStringList arguments{QStringLiteral("--catalogue"), catalogue.fileName()};
        if (server == &silent)
            arguments << QStringLiteral("--fault") << QStringLiteral("silent");
        server->start(QStringLiteral(KESTREL_RELEASE_SERVER_BIN), arguments);
        if (!server->waitForStarted(30000) || !server->waitForReadyRead(30000)) {
            std::fprintf(stderr, "bench_startup: the release server stand-in did not start\n");
            return 2;
        }
        QProcessEnvironment environment = system;
        environment.insert(QStringLiteral("KESTRELUP_RELEASE_SERVER"),
                           QString::fromUtf8(server->readLine()).trimmed().section(QLatin1Char(' '), 1));
        candidates << Candidate{server == &silent ? QStringLiteral("kestrelup, server silent")
                                                  : QStringLiteral("kestrelup, server answering"),
                                folder.filePath(QStringLiteral("kestrelup")), environment, {}};
    }
    // Nothing listens on the discard port: the check fails at once, which leaves the
    // cost of setting up the network stack.
    QProcessEnvironment refusing = system;
    refusing.insert(QStringLiteral("KESTRELUP_RELEASE_SERVER"), QStringLiteral("http://127.0.0.1:9"));
    candidates << Candidate{QStringLiteral("kestrelup, connection refused"), folder.filePath(QStringLiteral("kestrelup")),
                            refusing, {}};
#else
    candidates << Candidate{QStringLiteral("kestrelup"), folder.filePath(QStringLiteral("kestrelup")), system, {}};
#endif
    for (int run = 0; run < runs; ++run) {
        for (Candidate &candidate : candidates)
            candidate.ms << timeToMap(display, candidate);
    }
    XCloseDisplay(display);

    const double baseline = bench::median(candidates[0].ms);
    QVector<QStringList> rows;
    for (const Candidate &candidate : qAsConst(candidates)) {
        const double median = bench::median(candidate.ms);
        QStringList all;
        for (double ms : candidate.ms)
            all << bench::number(ms, 0);
        rows << QStringList{candidate.name, bench::number(median), bench::number(median / baseline, 2) + QStringLiteral("x"),
                            all.join(QLatin1Char(' '))};
    }
    bench::printTable(QStringLiteral("Start-up to the first mapped window, median of %1 runs (target: <= 1.5x the bare window)")
                          .arg(runs),
                      {QStringLiteral("program"), QStringLiteral("median ms"), QStringLiteral("ratio"), QStringLiteral("runs (ms)")},
                      rows);
    return 0;
}
