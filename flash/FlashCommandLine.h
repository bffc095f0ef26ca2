#pragma once

#include "flash/SupportedDevice.h"

#include <QString>

// The command lines the flashing programs accept: the firmware file or "version",
// followed by vid, pid, usage and usage page in bare lower-case hexadecimal.
namespace FlashCommandLine {

QString argumentText(const SupportedDevice &row);
QString flash(const QString &programFolder, const SupportedDevice &row, const QString &firmwarePath);
QString versionQuery(const QString &programFolder, const SupportedDevice &row);

} // namespace FlashCommandLine
