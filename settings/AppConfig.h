#pragma once

#include <QString>

// The persistent settings shared by kestrelup and update (setting/config.json).
struct AppConfig
{
    QString productName;
    QString version;
    QString lang;
    QString lastDir;
    QString theme;
};
