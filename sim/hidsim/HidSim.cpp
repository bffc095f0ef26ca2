#include "HidSim.h"

#include <hidapi/hidapi.h>

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

// Built with hidden visibility so that, when preloaded, nothing but the hidapi
// entry points can interpose on the product's own symbols.
#define HIDSIM_API __attribute__((visibility("default")))

namespace {

enum class Query { None, Name, Version };

struct SimDevice {
    std::string path;
    unsigned short vendorId = 0;
    unsigned short productId = 0;
    unsigned short usagePage = 0;
    unsigned short usage = 0;
    QString manufacturer;
    QString product;
    QString serial;
    QByteArray nameAnswer;
    QByteArray versionAnswer;
    bool failOpen = false;
    bool failSend = false;
    bool failRead = false;
};

std::mutex g_mutex;
std::wstring g_lastError;
int g_openHandles = 0;

void warn(const QString &message)
{
    std::fprintf(stderr, "hidsim: %s\n", message.toLocal8Bit().constData());
}

// Accepts 4660, "4660" or "0x1234"; anything beyond 16 bits is a typo in the
// test's file, not something to silently wrap.
bool readNumber(const QJsonObject &obj, const char *key, unsigned short *out)
{
    const QJsonValue value = obj.value(QLatin1String(key));
    if (value.isUndefined()) {
        *out = 0;
        return true;
    }
    bool ok = false;
    uint n = 0;
    if (value.isDouble()) {
        const double d = value.toDouble();
        ok = d >= 0 && d <= 0xFFFF && d == static_cast<double>(static_cast<uint>(d));
        n = ok ? static_cast<uint>(d) : 0;
    } else if (value.isString()) {
        const QString s = value.toString().trimmed();
        if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            n = s.mid(2).toUInt(&ok, 16);
        else
            n = s.toUInt(&ok, 10);
        ok = ok && n <= 0xFFFF;
    }
    *out = static_cast<unsigned short>(n);
    return ok;
}

QString readString(const QJsonObject &obj, const char *key)
{
    const QJsonValue value = obj.value(QLatin1String(key));
    return value.isString() ? value.toString() : QString();
}

QByteArray readAnswer(const QJsonObject &obj, const char *textKey, const char *hexKey)
{
    QByteArray raw;
    const QJsonValue hex = obj.value(QLatin1String(hexKey));
    if (hex.isString())
        raw = QByteArray::fromHex(hex.toString().toLatin1());
    else
        raw = readString(obj, textKey).toUtf8();
    return raw.leftJustified(hidsim::kReportSize, '\0', true);
}

// Caller holds g_mutex.
std::vector<SimDevice> loadDevices()
{
    std::vector<SimDevice> devices;
    const QString fileName = QString::fromLocal8Bit(qgetenv(hidsim::kDevicesEnv));
    if (fileName.isEmpty())
        return devices;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return devices; // nothing plugged in
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!doc.isObject()) {
        warn(QStringLiteral("%1: %2").arg(fileName, parseError.errorString()));
        return devices;
    }
    const QJsonArray list = doc.object().value(QLatin1String("devices")).toArray();
    for (const QJsonValue &entry : list) {
        const QJsonObject obj = entry.toObject();
        SimDevice d;
        d.path = readString(obj, "path").toStdString();
        if (d.path.empty()) {
            warn(QStringLiteral("%1: device without a path skipped").arg(fileName));
            continue;
        }
        if (!readNumber(obj, "vendorId", &d.vendorId) || !readNumber(obj, "productId", &d.productId)
            || !readNumber(obj, "usagePage", &d.usagePage) || !readNumber(obj, "usage", &d.usage)) {
            warn(QStringLiteral("%1: device %2 has a bad number, skipped")
                     .arg(fileName, QString::fromStdString(d.path)));
            continue;
        }
        d.manufacturer = readString(obj, "manufacturer");
        d.product = readString(obj, "product");
        d.serial = readString(obj, "serial");
        d.nameAnswer = readAnswer(obj, "nameAnswer", "nameAnswerHex");
        d.versionAnswer = readAnswer(obj, "versionAnswer", "versionAnswerHex");
        d.failOpen = obj.value(QLatin1String("failOpen")).toBool();
        d.failSend = obj.value(QLatin1String("failSend")).toBool();
        d.failRead = obj.value(QLatin1String("failRead")).toBool();
        devices.push_back(std::move(d));
    }
    return devices;
}

wchar_t *newWide(const QString &s)
{
    if (s.isNull())
        return nullptr;
    const std::wstring w = s.toStdWString();
    auto *out = new wchar_t[w.size() + 1];
    std::wmemcpy(out, w.c_str(), w.size() + 1);
    return out;
}

void appendToLog(const std::string &path, const unsigned char *data, size_t length)
{
    const char *logName = std::getenv(hidsim::kLogEnv);
    if (!logName || !*logName)
        return;
    std::string line = path + ":";
    static const char digits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < length; ++i) {
        line += ' ';
        line += digits[data[i] >> 4];
        line += digits[data[i] & 0x0F];
    }
    line += '\n';
    // Opened per write so a test can read the log while a handle is open.
    FILE *log = std::fopen(logName, "a");
    if (!log) {
        warn(QStringLiteral("cannot append to %1").arg(QString::fromLocal8Bit(logName)));
        return;
    }
    std::fwrite(line.data(), 1, line.size(), log);
    std::fclose(log);
}

} // namespace

struct hid_device_ {
    std::string path;
    QByteArray nameAnswer;
    QByteArray versionAnswer;
    bool failSend = false;
    bool failRead = false;
    Query lastQuery = Query::None;
    std::wstring error;
};

extern "C" {

HIDSIM_API int hidsim_open_handle_count(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_openHandles;
}

HIDSIM_API int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lastError.clear();
    return 0;
}

HIDSIM_API struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_enumerate(unsigned short vendor_id,
                                                                              unsigned short product_id)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    hid_device_info *head = nullptr;
    hid_device_info **tail = &head;
    for (const SimDevice &d : loadDevices()) {
        if ((vendor_id && d.vendorId != vendor_id) || (product_id && d.productId != product_id))
            continue;
        auto *info = new hid_device_info();
        info->path = new char[d.path.size() + 1];
        std::memcpy(info->path, d.path.c_str(), d.path.size() + 1);
        info->vendor_id = d.vendorId;
        info->product_id = d.productId;
        info->serial_number = newWide(d.serial);
        info->manufacturer_string = newWide(d.manufacturer);
        info->product_string = newWide(d.product);
        info->usage_page = d.usagePage;
        info->usage = d.usage;
        info->bus_type = HID_API_BUS_USB;
        *tail = info;
        tail = &info->next;
    }
    if (head)
        g_lastError.clear();
    else
        g_lastError = L"No HID devices found in the system.";
    return head;
}

HIDSIM_API void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info *devs)
{
    while (devs) {
        hid_device_info *next = devs->next;
        delete[] devs->path;
        delete[] devs->serial_number;
        delete[] devs->manufacturer_string;
        delete[] devs->product_string;
        delete devs;
        devs = next;
    }
}

HIDSIM_API HID_API_EXPORT hid_device *HID_API_CALL hid_open_path(const char *path)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!path) {
        g_lastError = L"null path";
        return nullptr;
    }
    const std::vector<SimDevice> devices = loadDevices();
    const auto it = std::find_if(devices.begin(), devices.end(),
                                 [path](const SimDevice &d) { return d.path == path; });
    if (it == devices.end()) {
        g_lastError = L"no such device: " + QString::fromLocal8Bit(path).toStdWString();
        return nullptr;
    }
    if (it->failOpen) {
        g_lastError = L"simulated open failure";
        return nullptr;
    }
    auto *dev = new hid_device;
    dev->path = it->path;
    dev->nameAnswer = it->nameAnswer;
    dev->versionAnswer = it->versionAnswer;
    dev->failSend = it->failSend;
    dev->failRead = it->failRead;
    ++g_openHandles;
    g_lastError.clear();
    return dev;
}

HIDSIM_API int HID_API_EXPORT HID_API_CALL hid_send_feature_report(hid_device *dev, const unsigned char *data,
                                                                    size_t length)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!dev || !data || length == 0) {
        if (dev)
            dev->error = L"empty report";
        else
            g_lastError = L"null device";
        return -1;
    }
    if (dev->failSend) {
        dev->error = L"simulated send failure";
        return -1;
    }
    appendToLog(dev->path, data, length);
    // The query code sits at byte 6; any other request leaves nothing to read.
    dev->lastQuery = Query::None;
    if (length > 6 && data[6] == 0x00)
        dev->lastQuery = Query::Name;
    else if (length > 6 && data[6] == 0x03)
        dev->lastQuery = Query::Version;
    dev->error.clear();
    return static_cast<int>(length);
}

HIDSIM_API int HID_API_EXPORT HID_API_CALL hid_get_feature_report(hid_device *dev, unsigned char *data,
                                                                   size_t length)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!dev || !data || length == 0) {
        if (dev)
            dev->error = L"empty buffer";
        else
            g_lastError = L"null device";
        return -1;
    }
    if (dev->failRead) {
        dev->error = L"simulated read failure";
        return -1;
    }
    const size_t n = std::min(length, static_cast<size_t>(hidsim::kReportSize));
    const QByteArray *answer = nullptr;
    if (dev->lastQuery == Query::Name)
        answer = &dev->nameAnswer;
    else if (dev->lastQuery == Query::Version)
        answer = &dev->versionAnswer;
    if (answer)
        std::memcpy(data, answer->constData(), n);
    else
        std::memset(data, 0, n);
    dev->error.clear();
    return static_cast<int>(n);
}

HIDSIM_API void HID_API_EXPORT HID_API_CALL hid_close(hid_device *dev)
{
    if (!dev)
        return;
    std::lock_guard<std::mutex> lock(g_mutex);
    --g_openHandles;
    delete dev;
}

HIDSIM_API HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    // A per-thread copy stays valid even if another thread fails meanwhile or
    // the handle is closed before the caller reads the text.
    thread_local std::wstring text;
    std::lock_guard<std::mutex> lock(g_mutex);
    const std::wstring &error = dev ? dev->error : g_lastError;
    text = error.empty() ? std::wstring(L"Success") : error;
    return text.c_str();
}

} // extern "C"
