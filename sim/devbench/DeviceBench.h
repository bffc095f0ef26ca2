#pragma once

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

// Devices as the Linux kernel shows them, emulated with umockdev: sysfs entries for the
// USB device, its interface, the HID device and its hidraw node, and the hidraw ioctls
// that hidapi issues answered like the devices answer them. hidapi and libudev run
// unchanged in a process started under umockdev's preload with UMOCKDEV_DIR pointing at
// rootDir(); the bench itself may live in that process or in another one, but its own
// process needs the preload as well (umockdev sends uevents through libudev).
struct BenchDevice
{
    enum Fault { NoFault = 0, FailOpen = 1, FailSend = 2, FailRead = 4 };

    quint16 vendorId = 0x32BB;
    quint16 productId = 0x0004;
    quint16 usagePage = 0xFF32;
    quint16 usage = 0x0003;
    QString manufacturer = QStringLiteral("Norvo");
    QString product = QStringLiteral("DAC");
    QString serial = QStringLiteral("0001");
    // Answer bytes of the name and version queries, laid into the 65-byte report from
    // byte 0 on and padded with zeros.
    QByteArray nameAnswer;
    QByteArray versionAnswer;
    int faults = NoFault;
    // How long a rebooting device stays off the bus.
    int rebootDelayMs = 600;

    // A device of the first table row (flashed by tovrek) that answers both queries.
    static BenchDevice dac(const QString &product = QStringLiteral("DAC"),
                           const QString &version = QStringLiteral("V1.05"));
    // A device served by VELD; it does not answer HID queries.
    static BenchDevice veld(const QString &product = QStringLiteral("Velmora V2"),
                            quint16 productId = 0x4007, quint16 usagePage = 0xFF00);
    // The JSON answer a device gives for one member.
    static QByteArray jsonAnswer(const char *member, const QString &value);
};

class DeviceBench : public QObject
{
    Q_OBJECT

public:
    explicit DeviceBench(QObject *parent = nullptr);
    ~DeviceBench() override;

    bool isValid() const;
    QString errorString() const;
    // What UMOCKDEV_DIR must hold for a preloaded process to see this bench.
    QString rootDir() const;

    // Plugs a device in and raises the kernel's add events; returns its slot, or -1.
    int plug(const BenchDevice &device);
    // Raises the remove events and takes the device off the bus.
    bool unplug(int slot);
    bool isPlugged(int slot) const;
    // Plugs back a device that was unplugged, as it was last described.
    bool replug(int slot);
    // The hidraw node hidapi reports as the path of the current arrival, e.g. /dev/hidraw0;
    // every arrival, a reboot included, gets a new number as with the kernel.
    QString devicePath(int slot) const;

    BenchDevice device(int slot) const;
    void setFaults(int slot, int faults);
    void setAnswers(int slot, const QByteArray &nameAnswer, const QByteArray &versionAnswer);

    // Every feature report the devices received, "<node>: 05 00 ..." in upper-case hex.
    QStringList sentReports() const;
    void clearSentReports();

    // Test programs call this first in main(): unless umockdev's preload is already in
    // place, the program is started again under it. Returns only when it is in place,
    // or false when the restart failed.
    static bool ensurePreloaded(char **argv);
    // The environment a separate process needs to see the bench.
    QStringList processEnvironment() const;

signals:
    void reportReceived(int slot, const QByteArray &report);
    void rebootRequested(int slot);
    void pluggedChanged(int slot, bool plugged);

private:
    struct Slot;
    struct Private;
    static int handleIoctl(void *handler, void *client, void *slot);
    void answer(Slot *slot, void *client);
    void rebootSlot(int slot);
    std::unique_ptr<Private> d;
};
