#pragma once

#include "flash/SupportedDevice.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// setting/flashing.json: written before a flash starts and removed on its outcome, so
// a file found at the next start means that flash was interrupted (the tool killed,
// the power lost) and the device may be half-written.
struct FlashRecord
{
    QString deviceName;
    quint16 vendorId = 0;
    quint16 productId = 0;
    quint16 usagePage = 0;
    quint16 usage = 0;
    QString packagePath;
    QString packageMd5;  // lower-case hex
    QDateTime time;

    static FlashRecord forFlash(const SupportedDevice &device, const QString &packagePath);

    static QString defaultPath();
    // Replaces the file whole; false when it could not be written.
    bool write(const QString &path) const;
    // False, and the record untouched, when the file is missing or is no record.
    static bool read(const QString &path, FlashRecord &record);
    static bool parse(const QByteArray &contents, FlashRecord &record);
    static bool remove(const QString &path);

    bool isFor(const SupportedDevice &device) const;
    // The package is still where it was and is the one that was being flashed.
    bool packageMatches() const;

    // Empty when the file cannot be read.
    static QString fileMd5(const QString &path);
};
