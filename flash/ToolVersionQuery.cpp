#include "flash/ToolVersionQuery.h"

#include "flash/FlashCommandLine.h"
#include "flash/ProcessLauncher.h"

#include <QDebug>
#include <QProcess>

QString ToolVersionQuery::versionFromChunk(const QString &chunk)
{
    if (!chunk.contains(QLatin1String("version=")))
        return QString();
    QString version = chunk;
    version.remove(QStringLiteral("version="));
    version.remove(QLatin1Char(';'));
    version.replace(QLatin1Char(','), QLatin1Char('.'));
    return version;
}

QString ToolVersionQuery::run(const QString &programFolder, const SupportedDevice &row)
{
    QProcess process;
    QString result;
    ProcessLauncher::start(process, FlashCommandLine::versionQuery(programFolder, row));
    if (!process.waitForStarted(30000)) {
        qDebug() << "Failed to start process";
        return QString();
    }
    QObject::connect(
        &process, &QProcess::readyReadStandardOutput, &process,
        [&process, &result] {
            const QByteArray bytes = process.readAllStandardOutput();
            const QString text = QString::fromLocal8Bit(bytes);
            if (text.contains(QLatin1String("version="))) {
                qDebug() << "Standard Output: " << bytes;
                result = versionFromChunk(text);
            }
        },
        Qt::DirectConnection);
    QObject::connect(
        &process, &QProcess::readyReadStandardError, &process,
        [&process] { qDebug() << "Standard Error Output: " << process.readAllStandardError(); },
        Qt::DirectConnection);
    process.waitForFinished(30000);
    return result;
}
