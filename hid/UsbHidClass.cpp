#include "hid/UsbHidClass.h"

#include <hidapi.h>

#include <QDebug>

namespace {

QString fromWide(const wchar_t *text)
{
    return text ? QString::fromWCharArray(text) : QString();
}

} // namespace

UsbHidClass::UsbHidClass()
{
    if (hid_init() != 0)
        qDebug() << "hid init error";
    else
        qDebug() << "hid init success";
    enumerateDevices();
}

QString UsbHidClass::deviceKey(quint16 vendorId, quint16 productId, quint16 usagePage)
{
    return QString::asprintf("%04X_%04X_%04X", vendorId, productId, usagePage);
}

QString UsbHidClass::displayText(const QString &product, quint16 vendorId, quint16 productId,
                                 quint16 usagePage, quint16 usage)
{
    return QString::asprintf("%s(0x%04X/0x%04X,0x%04X,0x%04X)", product.toUtf8().constData(),
                             vendorId, productId, usagePage, usage);
}

QString UsbHidClass::deviceName(const QString &displayText)
{
    return displayText.section(QLatin1Char('('), 0, 0);
}

bool UsbHidClass::deviceInfoToList(const hid_device_info *head, QStringList &texts)
{
    texts.clear();
    m_textByKey.clear();
    m_infoByKey.clear();
    m_duplicateFound = false;

    for (const hid_device_info *node = head; node; node = node->next) {
        HidDeviceInfo info;
        info.path = QString::fromUtf8(node->path);
        info.manufacturer = fromWide(node->manufacturer_string);
        info.serialNumber = fromWide(node->serial_number);
        info.product = fromWide(node->product_string);

        const QString text = displayText(info.product, node->vendor_id, node->product_id,
                                         node->usage_page, node->usage);
        texts.append(text);

        const QString key = deviceKey(node->vendor_id, node->product_id, node->usage_page);
        if (m_textByKey.contains(key)) {
            if (info.product.toUpper().contains(QLatin1String("NORVO"))) {
                qDebug() << "危险,有相同的norvo 设备插入";
                m_duplicateFound = true;
            }
            continue;
        }
        m_textByKey.insert(key, text);
        m_infoByKey.insert(key, info);
    }
    qDebug() << "UsbHidClass::deviceInfoToList =" << m_textByKey;
    return m_duplicateFound;
}

bool UsbHidClass::enumerateDevices()
{
    hid_device_info *head = hid_enumerate(0, 0);
    deviceInfoToList(head, m_deviceTexts);
    hid_free_enumeration(head);
    return m_duplicateFound;
}

QString UsbHidClass::getDeviceInfo(quint16 vendorId, quint16 productId, quint16 usagePage,
                                   quint16 usage, HidDeviceInfo &info) const
{
    Q_UNUSED(usage)
    const QString key = deviceKey(vendorId, productId, usagePage);
    info = m_infoByKey.value(key);
    return m_textByKey.value(key);
}
