#include "settings/ProgramFolder.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>

QString ProgramFolder::s_override;
ProgramFolder::Writability ProgramFolder::s_writability = ProgramFolder::Writability::Probe;

namespace {

// Permission bits tell nothing about ACLs, read-only mounts or Windows' Program Files:
// only creating a file does. The answer is kept per folder, as it is asked often.
bool probeWritable(const QString &folder)
{
    static QString probedFolder;
    static bool writable = false;
    if (folder != probedFolder) {
        QTemporaryFile probe(folder + QStringLiteral("/.kestrel-write-XXXXXX"));
        writable = probe.open();
        probedFolder = folder;
    }
    return writable;
}

} // namespace

QString ProgramFolder::path()
{
    if (!s_override.isEmpty())
        return s_override;
    return QCoreApplication::applicationDirPath();
}

void ProgramFolder::setOverride(const QString &folder)
{
    s_override = folder;
}

void ProgramFolder::setWritability(Writability writability)
{
    s_writability = writability;
}

bool ProgramFolder::isInstalled()
{
    switch (s_writability) {
    case Writability::Writable:
        return false;
    case Writability::ReadOnly:
        return true;
    case Writability::Probe:
        break;
    }
    return !probeWritable(path());
}

bool ProgramFolder::updatesAllowed()
{
    return !isInstalled();
}

QString ProgramFolder::dataPath()
{
    if (!isInstalled())
        return path();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // Never an empty text: callers append "/log" and the like, which would name the root.
    return data.isEmpty() ? QDir::tempPath() + QStringLiteral("/kestrelup") : data;
}

bool ProgramFolder::prepareDataFolder()
{
    if (!isInstalled())
        return true;
    const QString data = dataPath();
    if (!QDir().mkpath(data + QStringLiteral("/setting"))) {
        qDebug() << "cannot create the data folder" << data;
        return false;
    }
    const QString config = data + QStringLiteral("/setting/config.json");
    const QString installed = path() + QStringLiteral("/setting/config.json");
    // Only the first start copies: later the user's own settings win.
    if (!QFile::exists(config) && QFile::exists(installed)) {
        if (!QFile::copy(installed, config)) {
            qDebug() << "cannot copy" << installed << "to" << config;
            return false;
        }
        // The copy keeps the installed file's read-only mode; the tool must save into it.
        QFile::setPermissions(config, QFile::permissions(config) | QFile::WriteOwner | QFile::ReadOwner);
    }
    return true;
}

QString ProgramFolder::executableName(const QString &relativePath)
{
#ifdef Q_OS_WIN
    return relativePath + QStringLiteral(".exe");
#else
    return relativePath;
#endif
}
