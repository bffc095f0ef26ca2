#pragma once

#include "settings/AppConfig.h"

#include <QObject>

// The release server client of the process. In kestrelup it is also the home of
// the configuration record, which every part of the tool reads through it.
class HttpClass : public QObject
{
    Q_OBJECT

public:
    explicit HttpClass(QObject *parent = nullptr);

    bool readConfig();
    bool writeConfig();
    AppConfig getConfig();
    QString getLang() const;
    void setLang(const QString &lang);
    QString getLastDir() const;
    void setLastDir(const QString &dir);

private:
    AppConfig m_config;
};

extern HttpClass g_httpClass;
