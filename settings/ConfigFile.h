#pragma once

#include "settings/AppConfig.h"

#include <QByteArray>
#include <QString>

// Reads and writes setting/config.json. Failures are logged and returned as false;
// a failed read leaves the record untouched.
class ConfigFile
{
public:
    static QString defaultPath();
    static bool read(const QString &path, AppConfig &config);
    // The contents of a config.json; false, and the record untouched, unless they
    // hold a JSON object.
    static bool parse(const QByteArray &contents, AppConfig &config);
    static bool write(const QString &path, const AppConfig &config);
};
