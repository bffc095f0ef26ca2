#include "update/OwnExecutable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

bool isLockedOwnExecutable(const QString &path)
{
    const QString own = QDir::cleanPath(QCoreApplication::applicationFilePath());
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath()).compare(own, Qt::CaseInsensitive) == 0;
}
