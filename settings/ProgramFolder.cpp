#include "settings/ProgramFolder.h"

#include <QCoreApplication>

QString ProgramFolder::s_override;

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

QString ProgramFolder::executableName(const QString &relativePath)
{
#ifdef Q_OS_WIN
    return relativePath + QStringLiteral(".exe");
#else
    return relativePath;
#endif
}
