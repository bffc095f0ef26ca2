#include "flash/SupportedDevice.h"

#include "settings/ProgramFolder.h"

QVector<SupportedDevice> &supportedDeviceTable()
{
    static QVector<SupportedDevice> table = [] {
        const auto row = [](const char *tool, quint16 vid, quint16 pid, quint16 page, quint16 usage,
                            const char *version) {
            SupportedDevice device;
            device.toolPath = ProgramFolder::executableName(QString::fromLatin1(tool));
            device.vendorId = vid;
            device.productId = pid;
            device.usagePage = page;
            device.usage = usage;
            device.defaultVersion = QString::fromLatin1(version);
            return device;
        };
        return QVector<SupportedDevice>{
            row("tovrek/tovrek", 0x32BB, 0x0004, 0xFF32, 0x0003, "1.00"),
            row("VELD/VELD", 0x0A12, 0x4007, 0xFF00, 0x0001, "0.02"),
            row("VELD/VELD", 0x0A12, 0x1243, 0xFF00, 0x0001, "1.00"),
            row("VELD/VELD", 0x32BB, 0x0082, 0xFF00, 0x0001, "1.00"),
            row("VELD/VELD", 0x0A12, 0x1243, 0x000C, 0x0001, "1.00"),
        };
    }();
    return table;
}
