#include "flash/FlashRecord.h"

#include "settings/ProgramFolder.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

// The record is a few hundred bytes; anything far bigger is not ours.
constexpr qint64 MaximumSize = 64 * 1024;

bool readId(const QJsonObject &object, const char *key, quint16 &value)
{
    const QJsonValue item = object.value(QLatin1String(key));
    if (!item.isDouble())
        return false;
    const double number = item.toDouble();
    if (number < 0 || number > 0xFFFF || number != int(number))
        return false;
    value = quint16(number);
    return true;
}

} // namespace

FlashRecord FlashRecord::forFlash(const SupportedDevice &device, const QString &packagePath)
{
    FlashRecord record;
    record.deviceName = device.name;
    record.vendorId = device.vendorId;
    record.productId = device.productId;
    record.usagePage = device.usagePage;
    record.usage = device.usage;
    record.packagePath = packagePath;
    record.packageMd5 = fileMd5(packagePath);
    record.time = QDateTime::currentDateTime();
    return record;
}

QString FlashRecord::defaultPath()
{
    return ProgramFolder::dataPath() + QStringLiteral("/setting/flashing.json");
}

bool FlashRecord::write(const QString &path) const
{
    QJsonObject object;
    object.insert(QStringLiteral("deviceName"), deviceName);
    object.insert(QStringLiteral("vendorId"), vendorId);
    object.insert(QStringLiteral("productId"), productId);
    object.insert(QStringLiteral("usagePage"), usagePage);
    object.insert(QStringLiteral("usage"), usage);
    object.insert(QStringLiteral("packagePath"), packagePath);
    object.insert(QStringLiteral("packageMd5"), packageMd5);
    object.insert(QStringLiteral("time"), time.toString(Qt::ISODate));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(object).toJson()) < 0 || !file.commit()) {
        qDebug() << "Failed to write the flash record" << path << file.errorString();
        return false;
    }
    return true;
}

bool FlashRecord::read(const QString &path, FlashRecord &record)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() > MaximumSize) {
        qDebug() << "Flash record too big:" << file.size();
        return false;
    }
    if (!parse(file.readAll(), record)) {
        qDebug() << "Flash record unreadable:" << path;
        return false;
    }
    return true;
}

bool FlashRecord::parse(const QByteArray &contents, FlashRecord &record)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject object = document.object();
    FlashRecord read;
    read.deviceName = object.value(QStringLiteral("deviceName")).toString();
    read.packagePath = object.value(QStringLiteral("packagePath")).toString();
    read.packageMd5 = object.value(QStringLiteral("packageMd5")).toString();
    read.time = QDateTime::fromString(object.value(QStringLiteral("time")).toString(), Qt::ISODate);
    if (!readId(object, "vendorId", read.vendorId) || !readId(object, "productId", read.productId)
        || !readId(object, "usagePage", read.usagePage) || !readId(object, "usage", read.usage)
        || read.deviceName.isEmpty())
        return false;
    record = read;
    return true;
}

bool FlashRecord::remove(const QString &path)
{
    return !QFile::exists(path) || QFile::remove(path);
}

bool FlashRecord::isFor(const SupportedDevice &device) const
{
    return device.vendorId == vendorId && device.productId == productId && device.usagePage == usagePage
           && device.usage == usage;
}

bool FlashRecord::packageMatches() const
{
    if (packagePath.isEmpty() || packageMd5.isEmpty())
        return false;
    return fileMd5(packagePath) == packageMd5;
}

QString FlashRecord::fileMd5(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}
