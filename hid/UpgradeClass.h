#pragma once

#include "flash/SupportedDevice.h"
#include "hid/UsbHidClass.h"
#include "release/ReleaseInfo.h"

#include <QMap>

typedef struct hid_device_ hid_device;

// The device layer of the main window: the supported devices among the connected
// interfaces, and the commands sent to them.
class UpgradeClass : public UsbHidClass
{
public:
    UpgradeClass() = default;

    // Entries for the device list: at most one device, or the no-device text.
    QStringList listSupportedDevices();
    QString getToolPath(const QString &text, QString &name);
    SupportedDevice getSupportedDevice(const QString &text);
    QString getDefaultVersion(const QString &text);
    QString getFirmwareVersion(const QString &text, QString &name);

    static int sendHidCommand(hid_device *device, unsigned char reportId, quint32 parameter,
                              const unsigned char *payload, int payloadLength);
    QString readDeviceName(SupportedDevice row);
    QString readFirmwareVersion(SupportedDevice row);
    bool rebootDevice(QString text);
    QString queryToolVersion(SupportedDevice row);
    // Replaces the stored release with the one the answer names.
    void parseReleaseInfo(const QString &answer);

    QMap<QString, SupportedDevice> m_deviceByName;
    ReleaseInfo m_releaseInfo;

private:
    QString readItem(const SupportedDevice &row, unsigned char item);
};
