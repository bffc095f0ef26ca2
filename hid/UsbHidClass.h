#pragma once

#include "hid/HidDeviceInfo.h"

#include <QMap>
#include <QString>
#include <QStringList>

struct hid_device_info;

// Snapshot of the connected HID interfaces: display texts, one record per device key,
// and whether two interfaces of the maker share a key.
class UsbHidClass
{
public:
    UsbHidClass();
    virtual ~UsbHidClass() = default;

    bool deviceInfoToList(const hid_device_info *head, QStringList &texts);
    bool enumerateDevices();
    QString getDeviceInfo(quint16 vendorId, quint16 productId, quint16 usagePage, quint16 usage,
                          HidDeviceInfo &info) const;

    static QString deviceKey(quint16 vendorId, quint16 productId, quint16 usagePage);
    static QString displayText(const QString &product, quint16 vendorId, quint16 productId,
                               quint16 usagePage, quint16 usage);
    // The device name is what the display text shows before its first "(".
    static QString deviceName(const QString &displayText);

    QStringList m_deviceTexts;
    QMap<QString, QString> m_textByKey;
    QMap<QString, HidDeviceInfo> m_infoByKey;
    bool m_duplicateFound = false;

private:
    Q_DISABLE_COPY(UsbHidClass)
};
