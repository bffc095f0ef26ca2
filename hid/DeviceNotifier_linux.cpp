#include "hid/DeviceNotifier.h"

#include <libudev.h>

#include <QByteArray>
#include <QDebug>
#include <QSocketNotifier>

struct DeviceNotifier::Private
{
    udev *context = nullptr;
    udev_monitor *monitor = nullptr;
    QSocketNotifier *notifier = nullptr;
};

DeviceNotifier::DeviceNotifier(QObject *parent)
    : QObject(parent)
    , d(new Private)
{
}

DeviceNotifier::~DeviceNotifier()
{
    delete d->notifier;
    if (d->monitor)
        udev_monitor_unref(d->monitor);
    if (d->context)
        udev_unref(d->context);
    delete d;
}

void DeviceNotifier::registerWindow(QWidget *window)
{
    Q_UNUSED(window)
    if (d->monitor)
        return;
    d->context = udev_new();
    if (!d->context) {
        qCritical() << "注册失败";
        return;
    }
    d->monitor = udev_monitor_new_from_netlink(d->context, "udev");
    if (!d->monitor
        || udev_monitor_filter_add_match_subsystem_devtype(d->monitor, "hidraw", nullptr) < 0
        || udev_monitor_filter_add_match_subsystem_devtype(d->monitor, "usb", nullptr) < 0
        || udev_monitor_enable_receiving(d->monitor) < 0) {
        qCritical() << "注册失败";
        return;
    }
    qDebug() << "注册成功";
    d->notifier = new QSocketNotifier(udev_monitor_get_fd(d->monitor), QSocketNotifier::Read);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        udev_device *device = udev_monitor_receive_device(d->monitor);
        if (!device)
            return;
        const QByteArray action = udev_device_get_action(device);
        udev_device_unref(device);
        if (action == "add" || action == "remove")
            emit deviceChanged();
    });
}

bool DeviceNotifier::isDeviceChange(void *nativeMessage)
{
    Q_UNUSED(nativeMessage)
    return false;
}
