#pragma once

#include "hid/HidDeviceInfo.h"

#include <QString>
#include <QVector>

// One supported device: how it is recognised and which program flashes it.
struct SupportedDevice
{
    QString toolPath;
    quint16 vendorId = 0;
    quint16 productId = 0;
    quint16 usagePage = 0;
    quint16 usage = 0;
    QString defaultVersion;
    HidDeviceInfo hidInfo;
    QString name;
};

// The fixed table, in matching order; built on first use.
QVector<SupportedDevice> &supportedDeviceTable();
