// The updater's two heavy steps on one release archive of about 64 MiB: its MD5 check
// against md5sum, its unpack against Info-ZIP's unzip, in turn, median of several runs.
// Options: MiB of archive, runs.
#include "support/BenchSupport.h"

#include "update/ArchiveDigest.h"
#include "update/ArchiveInstaller.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

namespace {

double seconds(const std::function<bool()> &step)
{
    QElapsedTimer clock;
    clock.start();
    const bool ok = step();
    return ok ? clock.nsecsElapsed() / 1e9 : -1;
}

bool tool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A release-like tree: programs that hardly compress, and texts that compress well.
void writePayload(const QString &folder, int mib)
{
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (int i = 0; i < mib * 15 / 16; ++i) {
        QFile file(QStringLiteral("%1/bin/part%2.dll").arg(folder).arg(i / 8));
        QDir().mkpath(QFileInfo(file).path());
        file.open(QIODevice::Append);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
        file.write(block);
    }
    const QByteArray line = "[Debug: ][2026-12-11 09:30:07][:0]write page: 1234 / 16384 translated text\n";
    for (int i = 0; i < mib / 2; ++i) {
        QFile file(QStringLiteral("%1/share/notes%2.txt").arg(folder).arg(i / 4));
        QDir().mkpath(QFileInfo(file).path());
        file.open(QIODevice::Append);
        QByteArray text;
        while (text.size() < (3 << 20) / 4)
            text += line + QByteArray::number(QRandomGenerator::global()->generate()) + '\n';
        file.write(text);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const int mib = application.arguments().value(1, QStringLiteral("64")).toInt();
    const int runs = application.arguments().value(2, QStringLiteral("5")).toInt();

    QTemporaryDir work;
    const QString payload = work.filePath(QStringLiteral("payload"));
    writePayload(payload, mib);
    const QString archive = work.filePath(QStringLiteral("release.zip"));
    QProcess zip;
    zip.setWorkingDirectory(payload);
    zip.setStandardOutputFile(QProcess::nullDevice());
    zip.start(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-r"), archive, QStringLiteral(".")});
    if (!zip.waitForFinished(300000) || zip.exitCode() != 0) {
        std::fprintf(stderr, "bench_update: zip failed\n");
        return 2;
    }
    const double archiveMiB = QFileInfo(archive).size() / 1048576.0;
    QString expectedMd5;

    QVector<double> md5Ours, md5Sum, unpackOurs, unpackUnzip;
    bool allOk = true;
    for (int run = 0; run < runs; ++run) {
        md5Sum << seconds([&] { return tool(QStringLiteral("md5sum"), {archive}); });
        md5Ours << seconds([&] {
            const QString md5 = fileMd5Hex(archive);
            if (expectedMd5.isEmpty())
                expectedMd5 = md5;
            return !md5.isEmpty() && md5 == expectedMd5;
        });
        const QString byUnzip = work.filePath(QStringLiteral("unzip%1").arg(run));
        const QString byUs = work.filePath(QStringLiteral("ours%1").arg(run));
        QDir().mkpath(byUs);
        unpackUnzip << seconds([&] { return tool(QStringLiteral("unzip"), {QStringLiteral("-q"), QStringLiteral("-o"), archive,
                                                                           QStringLiteral("-d"), byUnzip}); });
        unpackOurs << seconds([&] { return unzipFile(archive, byUs); });
        allOk = allOk && QFileInfo(byUs + QStringLiteral("/share/notes0.txt")).size()
                             == QFileInfo(byUnzip + QStringLiteral("/share/notes0.txt")).size();
        QDir(byUs).removeRecursively();
        QDir(byUnzip).removeRecursively();
    }
    for (const QVector<double> *times : {&md5Ours, &md5Sum, &unpackOurs, &unpackUnzip})
        allOk = allOk && !times->contains(-1);

    auto row = [&](const QString &step, const QString &tool, const QVector<double> &ours, const QVector<double> &theirs) {
        const double a = bench::median(ours), b = bench::median(theirs);
        return QStringList{step, tool, bench::number(archiveMiB / b), bench::number(archiveMiB / a),
                           bench::number(b / a, 2) + QStringLiteral("x")};
    };
    bench::printTable(QStringLiteral("update on a %1 MiB archive unpacking to %2 MiB, median of %3 runs (targets: MD5 >= 0.9x md5sum, "
                                     "unpack >= 0.8x unzip)")
                          .arg(bench::number(archiveMiB))
                          .arg(mib * 15 / 16 + mib * 3 / 8)
                          .arg(runs),
                      {QStringLiteral("step"), QStringLiteral("baseline"), QStringLiteral("baseline MiB/s"),
                       QStringLiteral("update MiB/s"), QStringLiteral("update/baseline")},
                      {row(QStringLiteral("MD5 check"), QStringLiteral("md5sum"), md5Ours, md5Sum),
                       row(QStringLiteral("unpack"), QStringLiteral("unzip"), unpackOurs, unpackUnzip)});
    return allOk ? 0 : 1;
}
