#include "settings/LogFile.h"

#include <QSysInfo>

QString LogFile::systemLine()
{
    // The old version number still tells support at a glance which Windows it was.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    const int windowsVersion = static_cast<int>(QSysInfo::windowsVersion());
    QT_WARNING_POP
    return QStringLiteral("windows system: ") + QSysInfo::productType() + QLatin1Char(' ')
           + QSysInfo::productVersion() + QStringLiteral(" ver=") + QString::number(windowsVersion);
}
