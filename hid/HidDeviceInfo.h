#pragma once

#include <QString>

// Identity texts of one enumerated HID interface; its numbers live in the key and display text.
struct HidDeviceInfo
{
    QString path;
    QString manufacturer;
    QString serialNumber;
    QString product;
};
