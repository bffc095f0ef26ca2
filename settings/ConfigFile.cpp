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

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
    if (error.error != QJsonParseError::NoError) {
        qDebug() << "Failed to parse JSON data.";
        return false;
    }
    const QJsonObject object = document.object();
    config.productName = object.value(QStringLiteral("productName")).toString();
    config.version = object.value(QStringLiteral("version")).toString();
    config.lang = object.value(QStringLiteral("lang")).toString();
    config.lastDir = object.value(QStringLiteral("lastDir")).toString();
    config.theme = object.value(QStringLiteral("theme")).toString();
    qDebug() << contents << "\n m_config.productName=" << config.productName;
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
