// Device identity: keys, display texts, the duplicate rule and matching against
// the supported-device table.
#include "TestProgramFolder.h"

#include "hid/UpgradeClass.h"

#include <hidapi.h>

#include <QtTest>

#include <memory>
#include <vector>

namespace {

// A hand-built enumeration list, as hidapi returns it.
class FakeEnumeration
{
public:
    void add(unsigned short vid, unsigned short pid, unsigned short page, unsigned short usage,
             const wchar_t *product, const char *path = "p")
    {
        auto node = std::make_unique<hid_device_info>();
        *node = hid_device_info{};
        node->path = const_cast<char *>(path);
        node->vendor_id = vid;
        node->product_id = pid;
        node->usage_page = page;
        node->usage = usage;
        node->product_string = const_cast<wchar_t *>(product);
        if (!m_nodes.empty())
            m_nodes.back()->next = node.get();
        m_nodes.push_back(std::move(node));
    }
    const hid_device_info *head() const { return m_nodes.empty() ? nullptr : m_nodes.front().get(); }

private:
    std::vector<std::unique_ptr<hid_device_info>> m_nodes;
};

} // namespace

class TestHidIdentity : public QObject
{
    Q_OBJECT

private slots:
    void keyAndDisplayText_data();
    void keyAndDisplayText();
    void duplicateRule_data();
    void duplicateRule();
    void emptyEnumeration();
    void tableMatching_data();
    void tableMatching();
    void lookupsOfTheNoDeviceEntry();
    void unpluggedDeviceKeepsItsRow();
};

void TestHidIdentity::keyAndDisplayText_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<int>("vid");
    QTest::addColumn<int>("pid");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("usage");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");

    QTest::newRow("row 1 device") << "DAC" << 0x32BB << 0x0004 << 0xFF32 << 0x0003 << "32BB_0004_FF32"
                                  << "DAC(0x32BB/0x0004,0xFF32,0x0003)" << "DAC";
    QTest::newRow("zero padded") << "Norvo Q9Z" << 0x0A12 << 0x1 << 0xC << 0x0 << "0A12_0001_000C"
                                 << "Norvo Q9Z(0x0A12/0x0001,0x000C,0x0000)" << "Norvo Q9Z";
    QTest::newRow("empty product") << "" << 0xFFFF << 0xABCD << 0xFF00 << 0x1 << "FFFF_ABCD_FF00"
                                   << "(0xFFFF/0xABCD,0xFF00,0x0001)" << "";
    QTest::newRow("name with parenthesis") << "Amp (v2)" << 0x32BB << 0x0004 << 0xFF32 << 0x3
                                           << "32BB_0004_FF32" << "Amp (v2)(0x32BB/0x0004,0xFF32,0x0003)"
                                           << "Amp ";
    QTest::newRow("non-ASCII product") << "解码器" << 0x32BB << 0x0082 << 0xFF00 << 0x1 << "32BB_0082_FF00"
                                       << "解码器(0x32BB/0x0082,0xFF00,0x0001)" << "解码器";
}

void TestHidIdentity::keyAndDisplayText()
{
    QFETCH(QString, product);
    QFETCH(int, vid);
    QFETCH(int, pid);
    QFETCH(int, page);
    QFETCH(int, usage);
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(QString, name);

    QCOMPARE(UsbHidClass::deviceKey(quint16(vid), quint16(pid), quint16(page)), key);
    const QString display = UsbHidClass::displayText(product, quint16(vid), quint16(pid), quint16(page), quint16(usage));
    QCOMPARE(display, text);
    QCOMPARE(UsbHidClass::deviceName(display), name);
}

void TestHidIdentity::duplicateRule_data()
{
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("secondUsage");
    QTest::addColumn<bool>("duplicate");

    QTest::newRow("maker's device twice") << "Norvo DAC" << 3 << true;
    QTest::newRow("maker's name in any case") << "nOrVo dac" << 3 << true;
    QTest::newRow("other usage, same key") << "Norvo DAC" << 1 << true;
    QTest::newRow("foreign device twice") << "Generic DAC" << 3 << false;
}

void TestHidIdentity::duplicateRule()
{
    QFETCH(QString, second);
    QFETCH(int, secondUsage);
    QFETCH(bool, duplicate);

    TestProgramFolder folder;
    UsbHidClass hid;
    const std::wstring secondWide = second.toStdWString();
    FakeEnumeration list;
    list.add(0x32BB, 0x0004, 0xFF32, 3, L"First", "first");
    list.add(0x32BB, 0x0004, 0xFF32, quint16(secondUsage), secondWide.c_str(), "second");
    list.add(0x0A12, 0x4007, 0xFF00, 1, nullptr, "third");

    QStringList texts;
    QCOMPARE(hid.deviceInfoToList(list.head(), texts), duplicate);
    QCOMPARE(hid.m_duplicateFound, duplicate);
    QCOMPARE(texts.size(), 3);  // every interface is listed, duplicates included
    QCOMPARE(texts.at(2), QStringLiteral("(0x0A12/0x4007,0xFF00,0x0001)"));
    QCOMPARE(hid.m_textByKey.size(), 2);
    // The first interface with a key is the one kept.
    QCOMPARE(hid.m_infoByKey.value(QStringLiteral("32BB_0004_FF32")).path, QStringLiteral("first"));
    QCOMPARE(hid.m_infoByKey.value(QStringLiteral("0A12_4007_FF00")).product, QString());

    // A rebuild starts from scratch.
    QVERIFY(!hid.deviceInfoToList(nullptr, texts));
    QVERIFY(texts.isEmpty());
    QVERIFY(hid.m_textByKey.isEmpty());
}

void TestHidIdentity::emptyEnumeration()
{
    TestProgramFolder folder;
    UpgradeClass upgrade;
    QVERIFY(upgrade.m_deviceTexts.isEmpty());
    QVERIFY(upgrade.m_infoByKey.isEmpty());
    QVERIFY(!upgrade.m_duplicateFound);
    HidDeviceInfo info;
    info.path = QStringLiteral("stale");
    QCOMPARE(upgrade.getDeviceInfo(0x32BB, 0x0004, 0xFF32, 3, info), QString());
    QCOMPARE(info.path, QString());
    QCOMPARE(upgrade.listSupportedDevices(), QStringList{QStringLiteral("没有找到设备")});
}

void TestHidIdentity::tableMatching_data()
{
    QTest::addColumn<QJsonArray>("devices");
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QString>("toolPath");
    QTest::addColumn<QString>("defaultVersion");

    QTest::newRow("first row wins over a later one")
        << QJsonArray{TestProgramFolder::veldDevice(QStringLiteral("Velmora X")),
                      TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))}
        << "DAC(0x32BB/0x0004,0xFF32,0x0003)" << "tovrek/tovrek" << "1.00";
    QTest::newRow("row 2") << QJsonArray{TestProgramFolder::veldDevice(QStringLiteral("Velmora X"))}
                           << "Velmora X(0x0A12/0x4007,0xFF00,0x0001)" << "VELD/VELD" << "0.02";
    QTest::newRow("both collections: listed once, through row 3")
        << QJsonArray{TestProgramFolder::veldDevice(QStringLiteral("Sorvik"), 0x1243, 0x000C, QStringLiteral("c")),
                      TestProgramFolder::veldDevice(QStringLiteral("Sorvik"), 0x1243, 0xFF00, QStringLiteral("f"))}
        << "Sorvik(0x0A12/0x1243,0xFF00,0x0001)" << "VELD/VELD" << "1.00";
    QTest::newRow("row 5 alone") << QJsonArray{TestProgramFolder::veldDevice(QStringLiteral("Sorvik"), 0x1243, 0x000C)}
                                 << "Sorvik(0x0A12/0x1243,0x000C,0x0001)" << "VELD/VELD" << "1.00";
    QTest::newRow("unsupported only")
        << QJsonArray{TestProgramFolder::veldDevice(QStringLiteral("Other"), 0x9999)} << "没有找到设备" << ""
        << "";
    QTest::newRow("empty product name") << QJsonArray{TestProgramFolder::tovrekDevice(QString())}
                                        << "(0x32BB/0x0004,0xFF32,0x0003)" << "tovrek/tovrek" << "1.00";
}

void TestHidIdentity::tableMatching()
{
    QFETCH(QJsonArray, devices);
    QFETCH(QString, listed);
    QFETCH(QString, toolPath);
    QFETCH(QString, defaultVersion);

    TestProgramFolder folder;
    folder.setDevices(devices);
    UpgradeClass upgrade;
    QCOMPARE(upgrade.listSupportedDevices(), QStringList{listed});

    QString name = QStringLiteral("unchanged");
    QCOMPARE(upgrade.getToolPath(listed, name), toolPath);
    QCOMPARE(name, toolPath.isEmpty() ? QStringLiteral("unchanged") : UsbHidClass::deviceName(listed));
    QCOMPARE(upgrade.getDefaultVersion(listed), defaultVersion);
    const SupportedDevice row = upgrade.getSupportedDevice(listed);
    QCOMPARE(row.toolPath, toolPath);
    if (!toolPath.isEmpty()) {
        QCOMPARE(row.name, UsbHidClass::deviceName(listed));
        QVERIFY(!row.hidInfo.path.isEmpty());
    }
}

void TestHidIdentity::lookupsOfTheNoDeviceEntry()
{
    TestProgramFolder folder;
    UpgradeClass upgrade;
    const QString entry = QStringLiteral("没有找到设备");
    QString name = QStringLiteral("kept");
    QCOMPARE(upgrade.getFirmwareVersion(entry, name), QString());
    QCOMPARE(upgrade.getToolPath(entry, name), QString());
    QCOMPARE(name, QStringLiteral("kept"));
    QCOMPARE(upgrade.getSupportedDevice(entry).vendorId, quint16(0));
    QVERIFY(upgrade.rebootDevice(entry));
    QVERIFY(folder.sentReports().isEmpty());
}

void TestHidIdentity::unpluggedDeviceKeepsItsRow()
{
    TestProgramFolder folder;
    folder.setDevices({TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))});
    UpgradeClass upgrade;
    const QString listed = upgrade.listSupportedDevices().value(0);

    folder.setDevices({});
    QVERIFY(!upgrade.enumerateDevices());
    QCOMPARE(upgrade.listSupportedDevices(), QStringList{QStringLiteral("没有找到设备")});
    QVERIFY(upgrade.m_deviceByName.contains(QStringLiteral("DAC")));
    QCOMPARE(upgrade.getDefaultVersion(listed), QStringLiteral("1.00"));
}

QTEST_GUILESS_MAIN(TestHidIdentity)
#include "tst_hid_identity.moc"
