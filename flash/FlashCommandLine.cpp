#include "flash/FlashCommandLine.h"

namespace FlashCommandLine {

QString argumentText(const SupportedDevice &row)
{
    return QStringLiteral("%1 %2 %3 %4")
        .arg(QString::number(row.vendorId, 16), QString::number(row.productId, 16),
             QString::number(row.usage, 16), QString::number(row.usagePage, 16));
}

QString flash(const QString &programFolder, const SupportedDevice &row, const QString &firmwarePath)
{
    // Both paths are quoted, so folders with blanks work.
    return QLatin1Char('"') + programFolder + QLatin1Char('"') + QLatin1Char('/') + row.toolPath
        + QStringLiteral(" \"") + firmwarePath + QStringLiteral("\" ") + argumentText(row);
}

QString versionQuery(const QString &programFolder, const SupportedDevice &row)
{
    return programFolder + QLatin1Char('/') + row.toolPath + QStringLiteral(" version ")
        + argumentText(row);
}

} // namespace FlashCommandLine
