#include "settings/LogFile.h"

#include "settings/ProgramFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QTextStream>

#include <cstdio>

namespace {

QString g_logFilePath;
QFile *g_logFile = nullptr;
QMutex g_logMutex;

QString levelText(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral("Debug: ");
    case QtWarningMsg:
        return QStringLiteral("Warning: ");
    case QtCriticalMsg:
        return QStringLiteral("Critical: ");
    case QtFatalMsg:
        return QStringLiteral("Fatal: ");
    default:
        return QString();
    }
}

} // namespace

void initLogFile()
{
    const QString folder = ProgramFolder::dataPath() + QStringLiteral("/log");
    if (!QDir(folder).exists())
        QDir().mkdir(folder);

    g_logFilePath = folder + QStringLiteral("/log_") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))
                    + QStringLiteral(".txt");
    g_logFile = new QFile(g_logFilePath);
    // No Text flag: lines end in a bare line feed on every system.
    if (!g_logFile->open(QIODevice::WriteOnly | QIODevice::Append)) {
        // The tool runs on without a log; a terminal at least learns why.
        std::fprintf(stderr, "kestrelup: log off, cannot open %s: %s\n", qPrintable(g_logFilePath),
                     qPrintable(g_logFile->errorString()));
        delete g_logFile;
        g_logFile = nullptr;
        return;
    }

    QTextStream stream(g_logFile);
    stream << "\n\n\n================================================soft start "
           << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
           << "================================================== " << Qt::endl;
    stream << LogFile::systemLine() << Qt::endl;
}

void outputMessage(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    QMutexLocker locker(&g_logMutex);
    if (!g_logFile)
        return;

    const QString line = QStringLiteral("[%1][%2][%3:%4]%6")
                             .arg(levelText(type))
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
                             .arg(QString::fromUtf8(context.function ? context.function : ""))
                             .arg(context.line, 0, 10)
                             .arg(msg);
    QTextStream stream(g_logFile);
    stream << line << Qt::endl;
}

namespace LogFile {

QString path()
{
    return g_logFilePath;
}

bool isOpen()
{
    QMutexLocker locker(&g_logMutex);
    return g_logFile != nullptr;
}

} // namespace LogFile
