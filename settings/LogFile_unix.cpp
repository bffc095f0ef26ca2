#include "settings/LogFile.h"

#include <QSysInfo>

QString LogFile::systemLine()
{
    return QStringLiteral("system: ") + QSysInfo::productType() + QLatin1Char(' ') + QSysInfo::productVersion()
           + QStringLiteral(" kernel=") + QSysInfo::kernelVersion();
}
