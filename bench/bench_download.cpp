// A 64 MiB package over loopback from the release server stand-in: the download worker
// against curl fetching the same file from the same server, in turn, median of several
// runs; meanwhile a timer on the GUI thread measures the event loop's longest stall
// while a progress bar follows the worker, and the process's peak resident memory.
// Options: MiB, runs.
#include "support/BenchSupport.h"

#include "release/downloadThread.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

struct Worker
{
    double seconds = 0;
    double stallMs = 0;
    double peakMiB = 0;
    bool ok = false;
};

Worker downloadWithWorker(const QUrl &url, const QString &path, QProgressBar &bar)
{
    Worker result;
    QFile::remove(path);
    downloadThread worker;
    worker.m_url = url;
    worker.m_strFilePath = path;
    bool done = false;
    QObject::connect(&worker, &downloadThread::threadMessage, &bar, [&](const QString &message, const QString &) {
        if (downloadThread::isFinish(message) || downloadThread::isFailure(message)) {
            done = true;
            result.ok = downloadThread::isFinish(message);
        } else {
            bar.setValue(message.toInt());
        }
    });
    bench::resetPeakResident();
    bench::StallMeter meter;
    QElapsedTimer clock;
    meter.start();
    clock.start();
    worker.start();
    if (!QTest::qWaitFor([&done] { return done; }, 300000))
        std::fprintf(stderr, "bench_download: the worker did not finish\n");
    result.seconds = clock.nsecsElapsed() / 1e9;
    result.stallMs = meter.stop();
    result.peakMiB = bench::peakResidentMiB();
    worker.wait();
    return result;
}

double downloadWithCurl(const QUrl &url, const QString &path)
{
    QFile::remove(path);
    QElapsedTimer clock;
    clock.start();
    const int code = QProcess::execute(QStringLiteral("curl"),
                                       {QStringLiteral("-s"), QStringLiteral("-f"), QStringLiteral("-o"), path, url.toString()});
    const double seconds = clock.nsecsElapsed() / 1e9;
    return code == 0 ? seconds : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    const int mib = application.arguments().value(1, QStringLiteral("64")).toInt();
    const int runs = application.arguments().value(2, QStringLiteral("5")).toInt();

    QTemporaryDir packages;
    QTemporaryDir downloads;
    QFile package(packages.filePath(QStringLiteral("firmware.bin")));
    if (!package.open(QIODevice::WriteOnly))
        return 2;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (int i = 0; i < mib; ++i) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
        package.write(block);
    }
    package.close();
    const qint64 bytes = qint64(mib) << 20;

    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QStringLiteral(KESTREL_RELEASE_SERVER_BIN), {QStringLiteral("--packages"), packages.path()});
    if (!server.waitForStarted(30000) || !server.waitForReadyRead(30000)) {
        std::fprintf(stderr, "bench_download: the release server stand-in did not start\n");
        return 2;
    }
    const QString base = QString::fromUtf8(server.readLine()).trimmed().section(QLatin1Char(' '), 1);
    const QUrl url(base + QStringLiteral("/packages/firmware.bin"));

    QProgressBar bar;
    bar.show();
    if (!QTest::qWaitForWindowExposed(&bar))
        std::fprintf(stderr, "bench_download: the progress bar was never exposed\n");
    const double idleMiB = bench::peakResidentMiB();

    QVector<double> workerSeconds, curlSeconds, stalls, peaks;
    QVector<QStringList> rows;
    bool allOk = true;
    for (int run = 0; run < runs; ++run) {
        const double curl = downloadWithCurl(url, downloads.filePath(QStringLiteral("curl.bin")));
        const Worker worker = downloadWithWorker(url, downloads.filePath(QStringLiteral("worker.bin")), bar);
        allOk = allOk && worker.ok && curl > 0 && QFileInfo(downloads.filePath(QStringLiteral("worker.bin"))).size() == bytes;
        curlSeconds << curl;
        workerSeconds << worker.seconds;
        stalls << worker.stallMs;
        peaks << worker.peakMiB;
        rows << QStringList{QString::number(run + 1), bench::number(bytes / curl / 1048576.0),
                            bench::number(bytes / worker.seconds / 1048576.0), bench::number(curl / worker.seconds, 2),
                            bench::number(worker.stallMs), bench::number(worker.peakMiB)};
    }
    server.kill();
    server.waitForFinished(10000);

    const double curl = bench::median(curlSeconds);
    const double worker = bench::median(workerSeconds);
    rows << QStringList{QStringLiteral("median"), bench::number(bytes / curl / 1048576.0),
                        bench::number(bytes / worker / 1048576.0), bench::number(curl / worker, 2) + QStringLiteral("x"),
                        bench::number(bench::median(stalls)), bench::number(bench::median(peaks))};
    bench::printTable(QStringLiteral("Download of %1 MiB over loopback, idle process %2 MiB resident "
                                     "(targets: >= 0.9x curl, stall <= 50 ms)")
                          .arg(mib)
                          .arg(bench::number(idleMiB)),
                      {QStringLiteral("run"), QStringLiteral("curl MiB/s"), QStringLiteral("worker MiB/s"),
                       QStringLiteral("worker/curl"), QStringLiteral("GUI stall ms"), QStringLiteral("peak resident MiB")},
                      rows);
    return allOk ? 0 : 1;
}
