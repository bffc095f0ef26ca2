#include "settings/ConfigFile.h"

#include "settings/ProgramFolder.h"

#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

QString ConfigFile::defaultPath()
{
    return ProgramFolder::dataPath() + QStringLiteral("/setting/config.json");
}

bool ConfigFile::read(const QString &path, AppConfig &config)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "Failed to open the file.";
        return false;
    }
    const QByteArray contents = file.readAll();
    file.close();

    if (!parse(contents, config)) {
        qDebug() << "Failed to parse JSON data.";
        return false;
    }
    // A file of megabytes would be copied into the log at every start.
    if (contents.size() <= 4096)
        qDebug() << contents << "\n m_config.productName=" << config.productName;
    else
        qDebug() << "config.json of" << contents.size() << "bytes\n m_config.productName=" << config.productName;
    return true;
}

bool ConfigFile::parse(const QByteArray &contents, AppConfig &config)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
    // An array or a bare value would otherwise blank every setting.
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject object = document.object();
    config.productName = object.value(QStringLiteral("productName")).toString();
    config.version = object.value(QStringLiteral("version")).toString();
    config.lang = object.value(QStringLiteral("lang")).toString();
    config.lastDir = object.value(QStringLiteral("lastDir")).toString();
    config.theme = object.value(QStringLiteral("theme")).toString();
    return true;
}

bool ConfigFile::write(const QString &path, const AppConfig &config)
{
    QJsonObject object;
    object.insert(QStringLiteral("productName"), config.productName);
    object.insert(QStringLiteral("version"), config.version);
    object.insert(QStringLiteral("lang"), config.lang);
    object.insert(QStringLiteral("lastDir"), config.lastDir);
    object.insert(QStringLiteral("theme"), config.theme);

    // A save file replaces the old one only once the new one is complete, so a
    // crash mid-write never leaves the user with an empty configuration.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        qDebug() << "Failed to open the file for writing.";
        return false;
    }
    file.write(QJsonDocument(object).toJson());
    if (!file.commit()) {
        qDebug() << "Failed to open the file for writing.";
        return false;
    }
    return true;
}
