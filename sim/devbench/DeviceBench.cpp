// GLib names a struct member "signals"; it must come before Qt defines that word.
#include <umockdev.h>

#include "DeviceBench.h"

#include <linux/hidraw.h>
#include <sys/ioctl.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr const char *kPreload = "libumockdev-preload.so.0";
constexpr unsigned kRebootParameter[] = {0x0A, 0x00, 0x00, 0x10};

// A vendor collection of one usage with one 64-byte feature report, ID 5.
QByteArray reportDescriptor(quint16 usagePage, quint16 usage)
{
    const auto lo = [](quint16 v) { return char(v & 0xFF); };
    const auto hi = [](quint16 v) { return char(v >> 8); };
    QByteArray d;
    d += '\x06'; d += lo(usagePage); d += hi(usagePage);
    d += '\x0A'; d += lo(usage); d += hi(usage);
    d += QByteArray::fromHex("A101" "8505" "0901" "1500" "26FF00" "7508" "9540" "B102" "C0");
    return d;
}

// umockdev's text format escapes nothing but line ends; keep identity texts on one line.
QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

BenchDevice BenchDevice::dac(const QString &product, const QString &version)
{
    BenchDevice device;
    device.product = product;
    device.nameAnswer = jsonAnswer("0", product);
    device.versionAnswer = jsonAnswer("3", version);
    return device;
}

BenchDevice BenchDevice::veld(const QString &product, quint16 productId, quint16 usagePage)
{
    BenchDevice device;
    device.vendorId = 0x0A12;
    device.productId = productId;
    device.usagePage = usagePage;
    device.usage = 0x0001;
    device.manufacturer = QStringLiteral("Velmora");
    device.product = product;
    return device;
}

QByteArray BenchDevice::jsonAnswer(const char *member, const QString &value)
{
    return QJsonDocument(QJsonObject{{QLatin1String(member), value}}).toJson(QJsonDocument::Compact);
}

struct DeviceBench::Slot
{
    DeviceBench *bench = nullptr;
    int index = 0;
    // Guarded by the bench's mutex: the ioctl worker thread reads it.
    BenchDevice device;
    bool plugged = false;
    int pendingItem = -1;
    // Like the kernel, every arrival gets a new hidraw number and HID device id.
    int arrival = 0;
    UMockdevIoctlBase *handler = nullptr;

    QString usbPath() const
    {
        return QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb1/1-%1").arg(index + 1);
    }
    QString interfacePath() const { return usbPath() + QStringLiteral("/1-%1:1.0").arg(index + 1); }
    QString hidName() const
    {
        return QString::asprintf("0003:%04X:%04X.%04X", device.vendorId, device.productId, arrival + 1);
    }
    QString hidPath() const { return interfacePath() + QLatin1Char('/') + hidName(); }
    QString hidrawName() const { return QStringLiteral("hidraw%1").arg(arrival); }
    QString hidrawPath() const { return hidPath() + QStringLiteral("/hidraw/") + hidrawName(); }
    QString node() const { return QStringLiteral("/dev/") + hidrawName(); }

    QByteArray description() const
    {
        QString text;
        // One block per sysfs device, blank lines between; paths are given without "/sys".
        const auto entry = [&text](const QString &path) {
            if (!text.isEmpty())
                text += QLatin1Char('\n');
            text += QStringLiteral("P: ") + path.mid(4) + QLatin1Char('\n');
        };
        entry(usbPath());
        text += QStringLiteral("E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n");
        text += QString::asprintf("E: DEVNAME=/dev/bus/usb/001/%03d\n", index + 2);
        text += QString::asprintf("A: idVendor=%04x\nA: idProduct=%04x\n", device.vendorId, device.productId);
        text += QStringLiteral("A: manufacturer=%1\nA: product=%2\nA: serial=%3\n")
                    .arg(oneLine(device.manufacturer), oneLine(device.product), oneLine(device.serial));
        text += QStringLiteral("A: bcdDevice=0100\nA: busnum=1\nA: devnum=%1\n").arg(index + 2);
        entry(interfacePath());
        text += QStringLiteral("E: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=00\n");
        entry(hidPath());
        text += QStringLiteral("E: SUBSYSTEM=hid\n");
        text += QString::asprintf("E: HID_ID=0003:%08X:%08X\n", device.vendorId, device.productId);
        text += QStringLiteral("E: HID_NAME=%1 %2\nE: HID_UNIQ=%3\n")
                    .arg(oneLine(device.manufacturer), oneLine(device.product), oneLine(device.serial));
        text += QStringLiteral("H: report_descriptor=%1\n")
                    .arg(QString::fromLatin1(reportDescriptor(device.usagePage, device.usage).toHex()));
        entry(hidrawPath());
        text += QStringLiteral("N: %1\nE: SUBSYSTEM=hidraw\nE: DEVNAME=%2\nL: device=../../../%3\n")
                    .arg(hidrawName(), node(), hidName());
        return text.toUtf8();
    }
    // The kernel announces the parents first and takes the children away first.
    QStringList eventPaths() const { return {usbPath(), interfacePath(), hidPath(), hidrawPath()}; }
};

struct DeviceBench::Private
{
    UMockdevTestbed *testbed = nullptr;
    QString error;
    QVector<Slot *> slots_;
    mutable QMutex mutex;
    QStringList sent;
    int arrivals = 0;
};

DeviceBench::DeviceBench(QObject *parent)
    : QObject(parent)
    , d(new Private)
{
    d->testbed = umockdev_testbed_new();
    if (!d->testbed)
        d->error = QStringLiteral("umockdev testbed could not be created");
}

DeviceBench::~DeviceBench()
{
    for (Slot *slot : qAsConst(d->slots_)) {
        if (slot->plugged)
            umockdev_testbed_detach_ioctl(d->testbed, slot->node().toUtf8().constData(), nullptr);
        if (slot->handler)
            g_object_unref(slot->handler);
    }
    if (d->testbed)
        g_object_unref(d->testbed);
    qDeleteAll(d->slots_);
}

bool DeviceBench::isValid() const
{
    return d->testbed && d->error.isEmpty();
}

QString DeviceBench::errorString() const
{
    return d->error;
}

QString DeviceBench::rootDir() const
{
    if (!d->testbed)
        return {};
    gchar *root = umockdev_testbed_get_root_dir(d->testbed);
    const QString result = QString::fromUtf8(root);
    g_free(root);
    return result;
}

int DeviceBench::plug(const BenchDevice &device)
{
    if (!d->testbed)
        return -1;
    auto *slot = new Slot;
    slot->bench = this;
    slot->index = d->slots_.size();
    slot->device = device;
    slot->handler = umockdev_ioctl_base_new();
    g_signal_connect(slot->handler, "handle-ioctl", G_CALLBACK(&DeviceBench::handleIoctl), slot);
    d->slots_.append(slot);
    return replug(slot->index) ? slot->index : -1;
}

bool DeviceBench::replug(int index)
{
    if (index < 0 || index >= d->slots_.size() || d->slots_.at(index)->plugged)
        return false;
    Slot *slot = d->slots_.at(index);
    GError *error = nullptr;
    QByteArray description;
    {
        QMutexLocker lock(&d->mutex);
        slot->arrival = d->arrivals++;
        description = slot->description();
    }
    if (!umockdev_testbed_add_from_string(d->testbed, description.constData(), &error)
        || !umockdev_testbed_attach_ioctl(d->testbed, slot->node().toUtf8().constData(), slot->handler, &error)) {
        d->error = QString::fromUtf8(error ? error->message : "umockdev refused the device");
        g_clear_error(&error);
        return false;
    }
    {
        QMutexLocker lock(&d->mutex);
        slot->plugged = true;
    }
    for (const QString &path : slot->eventPaths())
        umockdev_testbed_uevent(d->testbed, path.toUtf8().constData(), "add");
    emit pluggedChanged(index, true);
    return true;
}

bool DeviceBench::unplug(int index)
{
    if (!isPlugged(index))
        return false;
    Slot *slot = d->slots_.at(index);
    QStringList paths = slot->eventPaths();
    std::reverse(paths.begin(), paths.end());
    for (const QString &path : qAsConst(paths))
        umockdev_testbed_uevent(d->testbed, path.toUtf8().constData(), "remove");
    {
        QMutexLocker lock(&d->mutex);
        slot->plugged = false;
    }
    umockdev_testbed_detach_ioctl(d->testbed, slot->node().toUtf8().constData(), nullptr);
    // One by one, children first: each removal takes only its own bus and class links.
    for (const QString &path : qAsConst(paths))
        umockdev_testbed_remove_device(d->testbed, path.toUtf8().constData());
    // The node outlives its device in umockdev; a replug creates it anew.
    QFile::remove(rootDir() + slot->node());
    emit pluggedChanged(index, false);
    return true;
}

bool DeviceBench::isPlugged(int index) const
{
    QMutexLocker lock(&d->mutex);
    return index >= 0 && index < d->slots_.size() && d->slots_.at(index)->plugged;
}

QString DeviceBench::devicePath(int index) const
{
    return index >= 0 && index < d->slots_.size() ? d->slots_.at(index)->node() : QString();
}

BenchDevice DeviceBench::device(int index) const
{
    QMutexLocker lock(&d->mutex);
    return index >= 0 && index < d->slots_.size() ? d->slots_.at(index)->device : BenchDevice();
}

void DeviceBench::setFaults(int index, int faults)
{
    QMutexLocker lock(&d->mutex);
    if (index >= 0 && index < d->slots_.size())
        d->slots_.at(index)->device.faults = faults;
}

void DeviceBench::setAnswers(int index, const QByteArray &nameAnswer, const QByteArray &versionAnswer)
{
    QMutexLocker lock(&d->mutex);
    if (index < 0 || index >= d->slots_.size())
        return;
    d->slots_.at(index)->device.nameAnswer = nameAnswer;
    d->slots_.at(index)->device.versionAnswer = versionAnswer;
}

QStringList DeviceBench::sentReports() const
{
    QMutexLocker lock(&d->mutex);
    return d->sent;
}

void DeviceBench::clearSentReports()
{
    QMutexLocker lock(&d->mutex);
    d->sent.clear();
}

int DeviceBench::handleIoctl(void *, void *client, void *slot)
{
    auto *s = static_cast<Slot *>(slot);
    s->bench->answer(s, client);
    return TRUE;
}

// Runs on umockdev's worker thread while the client waits in ioctl().
void DeviceBench::answer(Slot *slot, void *clientPointer)
{
    auto *client = static_cast<UMockdevIoctlClient *>(clientPointer);
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    const auto fail = [client](int error) { umockdev_ioctl_client_complete(client, -1, error); };

    QMutexLocker lock(&d->mutex);
    const BenchDevice &device = slot->device;
    if (!slot->plugged)
        return fail(ENODEV);

    if (request == HIDIOCGRDESCSIZE) {
        if (device.faults & BenchDevice::FailOpen)
            return fail(EIO);
        UMockdevIoctlData *size = umockdev_ioctl_data_resolve(arg, 0, sizeof(int), nullptr);
        if (!size)
            return fail(EFAULT);
        const int length = reportDescriptor(device.usagePage, device.usage).size();
        std::memcpy(size->data, &length, sizeof length);
        return umockdev_ioctl_client_complete(client, 0, 0);
    }

    const bool isSend = request == HIDIOCSFEATURE(_IOC_SIZE(request));
    const bool isGet = request == HIDIOCGFEATURE(_IOC_SIZE(request));
    if (!isSend && !isGet)
        return fail(ENOTTY);
    const int length = int(_IOC_SIZE(request));
    UMockdevIoctlData *buffer = length > 0 ? umockdev_ioctl_data_resolve(arg, 0, length, nullptr) : nullptr;
    if (!buffer)
        return fail(EFAULT);

    if (isSend) {
        if (device.faults & BenchDevice::FailSend)
            return fail(EIO);
        const QByteArray report(reinterpret_cast<const char *>(buffer->data), length);
        d->sent << slot->hidrawName() + QStringLiteral(": ")
                       + QString::fromLatin1(report.toHex(' ').toUpper());
        // The query item waits in byte 6 for the read that follows.
        slot->pendingItem = length > 6 ? report.at(6) : -1;
        bool reboot = length > 4;
        for (int i = 0; reboot && i < 4; ++i)
            reboot = static_cast<unsigned char>(report.at(i + 1)) == kRebootParameter[i];
        umockdev_ioctl_client_complete(client, length, 0);
        lock.unlock();
        QMetaObject::invokeMethod(this, [this, index = slot->index, report, reboot] {
            emit reportReceived(index, report);
            if (reboot)
                rebootSlot(index);
        }, Qt::QueuedConnection);
        return;
    }

    if (device.faults & BenchDevice::FailRead)
        return fail(EIO);
    QByteArray reply;
    if (slot->pendingItem == 0x00)
        reply = device.nameAnswer;
    else if (slot->pendingItem == 0x03)
        reply = device.versionAnswer;
    reply = reply.leftJustified(length, '\0', true);
    std::memcpy(buffer->data, reply.constData(), size_t(length));
    umockdev_ioctl_client_complete(client, length, 0);
}

void DeviceBench::rebootSlot(int index)
{
    emit rebootRequested(index);
    const int delay = device(index).rebootDelayMs;
    if (!unplug(index))
        return;
    QTimer::singleShot(delay, this, [this, index] { replug(index); });
}

bool DeviceBench::ensurePreloaded(char **argv)
{
    const QByteArray preload = qgetenv("LD_PRELOAD");
    if (preload.contains("libumockdev-preload"))
        return true;
    const QByteArray value = preload.isEmpty() ? QByteArray(kPreload) : QByteArray(kPreload) + ':' + preload;
    setenv("LD_PRELOAD", value.constData(), 1);
    execv("/proc/self/exe", argv);
    return false;
}

QStringList DeviceBench::processEnvironment() const
{
    return {QStringLiteral("LD_PRELOAD=") + QLatin1String(kPreload),
            QStringLiteral("UMOCKDEV_DIR=") + rootDir()};
}
