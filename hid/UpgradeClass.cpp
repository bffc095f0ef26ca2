#include "hid/UpgradeClass.h"

#include "flash/ToolVersionQuery.h"
#include "hid/HidReport.h"
#include "settings/ProgramFolder.h"

#include <hidapi.h>

#include <QCoreApplication>
#include <QDebug>

namespace {

QString hidErrorText(hid_device *device)
{
    const wchar_t *text = hid_error(device);
    return text ? QString::fromWCharArray(text) : QString();
}

hid_device *openPath(const QString &path)
{
    return hid_open_path(path.toLocal8Bit().constData());
}

} // namespace

QStringList UpgradeClass::listSupportedDevices()
{
    QStringList entries;
    for (SupportedDevice &row : supportedDeviceTable()) {
        const QString text = getDeviceInfo(row.vendorId, row.productId, row.usagePage, row.usage, row.hidInfo);
        if (text.isEmpty())
            continue;
        entries.append(text);
        row.name = deviceName(text);
        m_deviceByName[row.name] = row;
        break;
    }
    if (entries.isEmpty())
        entries.append(QCoreApplication::translate("QObject", "没有找到设备"));
    return entries;
}

QString UpgradeClass::getToolPath(const QString &text, QString &name)
{
    if (!text.contains(QLatin1Char('(')))
        return QString();
    name = deviceName(text);
    return m_deviceByName[name].toolPath;
}

SupportedDevice UpgradeClass::getSupportedDevice(const QString &text)
{
    if (!text.contains(QLatin1Char('(')))
        return SupportedDevice();
    return m_deviceByName[deviceName(text)];
}

QString UpgradeClass::getDefaultVersion(const QString &text)
{
    if (!text.contains(QLatin1Char('(')))
        return QString();
    return m_deviceByName[deviceName(text)].defaultVersion;
}

QString UpgradeClass::getFirmwareVersion(const QString &text, QString &name)
{
    if (!text.contains(QLatin1Char('(')))
        return QString();
    name = deviceName(text);
    const SupportedDevice row = m_deviceByName[name];
    if (row.toolPath.contains(QLatin1String("tovrek"))) {
        const QString reportedName = readDeviceName(row);
        const QString version = readFirmwareVersion(row);
        if (!reportedName.isEmpty())
            name = reportedName;
        return version;
    }
    if (row.toolPath.contains(QLatin1String("VELD")))
        return queryToolVersion(row);
    return QString();
}

int UpgradeClass::sendHidCommand(hid_device *device, unsigned char reportId, quint32 parameter,
                                 const unsigned char *payload, int payloadLength)
{
    const QByteArray report = HidReport::request(reportId, parameter, payload, payloadLength);
    const int result = hid_send_feature_report(
        device, reinterpret_cast<const unsigned char *>(report.constData()), report.size());
    if (result < 0)
        qDebug() << "hid_send_feature_report error=" << hidErrorText(device);
    return result;
}

QString UpgradeClass::readItem(const SupportedDevice &row, unsigned char item)
{
    hid_device *device = openPath(row.hidInfo.path);
    if (!device)
        return QString();

    QByteArray answer(HidReport::Size, '\0');
    const unsigned char payload[2] = {0x02, item};
    if (sendHidCommand(device, HidReport::ReportId, 0, payload, 2) < 0) {
        qDebug() << "hid_send_feature_report error=" << hidErrorText(device);
    } else {
        answer[0] = static_cast<char>(HidReport::ReportId);
        if (hid_get_feature_report(device, reinterpret_cast<unsigned char *>(answer.data()), answer.size()) < 0)
            qDebug() << "hid_get_feature_report error=" << hidErrorText(device);
    }
    const QString result = HidReport::answerMember(HidReport::answerText(answer), item);
    hid_close(device);
    return result;
}

QString UpgradeClass::readDeviceName(SupportedDevice row)
{
    return readItem(row, HidReport::NameItem);
}

QString UpgradeClass::readFirmwareVersion(SupportedDevice row)
{
    return HidReport::reshapeVersion(readItem(row, HidReport::VersionItem));
}

bool UpgradeClass::rebootDevice(QString text)
{
    if (!text.contains(QLatin1Char('(')))
        return true;
    hid_device *device = openPath(m_deviceByName[deviceName(text)].hidInfo.path);
    if (!device)
        return true;
    if (sendHidCommand(device, HidReport::ReportId, HidReport::RebootParameter, nullptr, 0) < 0)
        qDebug() << "hid_send_feature_report error=" << hidErrorText(device);
    hid_close(device);
    return true;
}

QString UpgradeClass::queryToolVersion(SupportedDevice row)
{
    return ToolVersionQuery::run(ProgramFolder::path(), row);
}

void UpgradeClass::parseReleaseInfo(const QString &answer)
{
    m_releaseInfo = ::parseReleaseInfo(answer);
}
