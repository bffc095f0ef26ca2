#include "hid/DeviceNotifier.h"

#include <windows.h>
#include <dbt.h>

#include <QDebug>
#include <QString>
#include <QWidget>

namespace {

// Device-interface classes whose arrival or removal refreshes the device list.
const GUID kInterfaceClasses[] = {
    {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}}, // USB device
    {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}}, // disk
    {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}}, // HID interface
    {0xAD498944, 0x762F, 0x11D0, {0x8D, 0xCB, 0x00, 0xC0, 0x4F, 0xC3, 0x35, 0x8C}}, // network adapter
    {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}}, // serial port
    {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}}, // ports class
    {0x97F76EF0, 0xF883, 0x11D0, {0xAF, 0x1F, 0x00, 0x00, 0xF8, 0x00, 0x84, 0x5C}}, // parallel port
    {0x811FC6A5, 0xF728, 0x11D0, {0xA5, 0x37, 0x00, 0x00, 0xF8, 0x75, 0x3E, 0xD1}}, // parallel class
};

QString interfaceName(const DEV_BROADCAST_DEVICEINTERFACE_W *record)
{
    const size_t header = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (record->dbcc_size <= header)
        return QString();
    const size_t maxChars = (record->dbcc_size - header) / sizeof(wchar_t);
    size_t length = 0;
    while (length < maxChars && record->dbcc_name[length] != L'\0')
        ++length;
    return QString::fromWCharArray(record->dbcc_name, static_cast<int>(length));
}

void logBroadcast(WPARAM event, const DEV_BROADCAST_HDR *header)
{
    if (!header)
        return;
    const bool arrival = event == DBT_DEVICEARRIVAL;
    if (header->dbch_devicetype == DBT_DEVTYP_VOLUME) {
        const auto *volume = reinterpret_cast<const DEV_BROADCAST_VOLUME *>(header);
        if (arrival && volume->dbcv_flags != 0)
            qDebug() << "插入设备111111111111";
        else if (!arrival && volume->dbcv_flags == 0)
            qDebug() << "USB_Removed";
    } else if (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
        if (arrival) {
            const auto *record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W *>(header);
            qDebug() << "插入设备(size)：" << interfaceName(record);
        } else {
            qDebug() << "USB_Removed111111111111";
        }
    }
}

} // namespace

struct DeviceNotifier::Private
{
};

DeviceNotifier::DeviceNotifier(QObject *parent)
    : QObject(parent)
    , d(new Private)
{
}

DeviceNotifier::~DeviceNotifier()
{
    delete d;
}

void DeviceNotifier::registerWindow(QWidget *window)
{
    for (const GUID &guid : kInterfaceClasses) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter;
        ZeroMemory(&filter, sizeof(filter));
        filter.dbcc_size = sizeof(filter);
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = guid;
        const HDEVNOTIFY handle = RegisterDeviceNotificationW(reinterpret_cast<HWND>(window->winId()), &filter,
                                                              DEVICE_NOTIFY_WINDOW_HANDLE);
        if (handle)
            qDebug() << "注册成功";
        else
            qCritical() << "注册失败";
    }
}

bool DeviceNotifier::isDeviceChange(void *nativeMessage)
{
    const MSG *message = static_cast<const MSG *>(nativeMessage);
    if (!message || message->message != WM_DEVICECHANGE)
        return false;
    if (message->wParam != DBT_DEVICEARRIVAL && message->wParam != DBT_DEVICEREMOVECOMPLETE)
        return false;
    logBroadcast(message->wParam, reinterpret_cast<const DEV_BROADCAST_HDR *>(message->lParam));
    return true;
}
