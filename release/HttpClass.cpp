#include "release/HttpClass.h"

#include "settings/ConfigFile.h"

HttpClass g_httpClass;

HttpClass::HttpClass(QObject *parent)
    : QObject(parent)
{
}

bool HttpClass::readConfig()
{
    return ConfigFile::read(ConfigFile::defaultPath(), m_config);
}

bool HttpClass::writeConfig()
{
    return ConfigFile::write(ConfigFile::defaultPath(), m_config);
}

AppConfig HttpClass::getConfig()
{
    readConfig();
    return m_config;
}

QString HttpClass::getLang() const
{
    return m_config.lang;
}

void HttpClass::setLang(const QString &lang)
{
    m_config.lang = lang;
    writeConfig();
}

QString HttpClass::getLastDir() const
{
    return m_config.lastDir;
}

void HttpClass::setLastDir(const QString &dir)
{
    m_config.lastDir = dir;
    writeConfig();
}
