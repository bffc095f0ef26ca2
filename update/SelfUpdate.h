#pragma once

#include "settings/AppConfig.h"

#include <QString>

// The steps of the updater after the download, without its window.
namespace SelfUpdate {

enum class Outcome { Installed, DigestMismatch, UnpackFailed };

// Compares the archive's digest with md5Code exactly (lower-case hexadecimal is the
// only form that matches) and, when equal, unpacks it over programDir.
Outcome verifyAndInstall(const QString &zipPath, const QString &md5Code, const QString &programDir);

// Writes config.json with the record as given (the offered version in it).
bool recordVersion(const AppConfig &config);

// Starts kestrelup of the program folder, detached; false when it could not start.
bool restartTool();

} // namespace SelfUpdate
