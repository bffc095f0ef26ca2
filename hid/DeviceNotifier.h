#pragma once

#include <QObject>
class QWidget;

// Tells when USB or HID devices arrive or leave. On Windows the window registers for
// device-change broadcasts and hands each native message to isDeviceChange(); elsewhere
// the notifier watches the system's device events itself and emits deviceChanged().
class DeviceNotifier : public QObject
{
    Q_OBJECT

public:
    explicit DeviceNotifier(QObject *parent = nullptr);
    ~DeviceNotifier() override;

    void registerWindow(QWidget *window);
    // True for an arrival or removal message; logs what the broadcast says.
    static bool isDeviceChange(void *nativeMessage);

signals:
    void deviceChanged();

private:
    Q_DISABLE_COPY(DeviceNotifier)
    struct Private;
    Private *d = nullptr;
};
