#pragma once

#include "DeviceBench.h"

#include <QHash>
#include <QObject>
#include <QTimer>

// What the bench window decides, without a window: the demo's devices, how the next
// flash ends, and what a device does after a flash. The stand-in flashing programs tell
// what they were asked through their logs; a device flashed successfully leaves the bus
// and comes back with the version in its package's file name.
class BenchController : public QObject
{
    Q_OBJECT

public:
    enum Device { Dac, VeldDevice, SecondDac, DeviceCount };
    enum Outcome { Success, Failure, DeviceFinishes };

    // workFolder receives the control files and logs the stand-ins share with the bench.
    explicit BenchController(const QString &workFolder, QObject *parent = nullptr);

    DeviceBench &bench() { return m_bench; }
    QString deviceLabel(Device device) const;
    bool isPlugged(Device device) const;
    bool setPlugged(Device device, bool plugged);

    Outcome outcome() const { return m_outcome; }
    void setOutcome(Outcome outcome);

    // The environment of a process that runs on the bench and starts the stand-ins.
    QStringList processEnvironment() const;

    // "V1.06" from "DAC_v1.06.bin"; empty when the name carries no version.
    static QString versionFromPackage(const QString &fileName);

signals:
    void message(const QString &text);
    void pluggedChanged(int device, bool plugged);

private:
    void pollLogs();
    void finishFlash(Device device, const QString &package);
    QString filePath(const QString &name) const;

    DeviceBench m_bench;
    QString m_folder;
    Outcome m_outcome = Success;
    int m_slot[DeviceCount] = {-1, -1, -1};
    BenchDevice m_device[DeviceCount];
    QHash<QString, qint64> m_logRead;
    QString m_pendingPackage;
    QTimer m_poll;
};
