#pragma once

#include "settings/AppConfig.h"

#include <QString>

// Reads and writes setting/config.json. Failures are logged and returned as false;
// a failed read leaves the record untouched.
class ConfigFile
{
public:
    static QString defaultPath();
    static bool read(const QString &path, AppConfig &config);
    static bool write(const QString &path, const AppConfig &config);
};
