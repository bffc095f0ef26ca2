// Enumeration, identity texts and the feature-report commands through hidapi's hidraw
// backend and libudev, against devices the bench emulates at the kernel's side.
#include "BenchTest.h"
#include "TestProgramFolder.h"

#include "hid/UpgradeClass.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cerrno>
#include <cstring>

namespace {

QString zeros(int count)
{
    QStringList bytes;
    for (int i = 0; i < count; ++i)
        bytes << QStringLiteral("00");
    return bytes.join(QLatin1Char(0x20));
}

QByteArray hexBytes(const char *text)
{
    return QByteArray::fromHex(text);
}

} // namespace

Q_DECLARE_METATYPE(QVector<BenchDevice>)

class TestBenchDevices : public QObject
{
    Q_OBJECT

private slots:
    void identityThroughTheKernel_data();
    void identityThroughTheKernel();
    void duplicates_data();
    void duplicates();
    void queries_data();
    void queries();
    void failuresAreLoggedWithHidapisText_data();
    void failuresAreLoggedWithHidapisText();
    void rebootLeavesTheBusAndComesBack();
    void unpluggedDeviceIsGoneFromTheNextEnumeration();
};

void TestBenchDevices::identityThroughTheKernel_data()
{
    QTest::addColumn<QVector<BenchDevice>>("devices");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("listed");

    BenchDevice unnamed = BenchDevice::dac(QString());
    unnamed.manufacturer.clear();
    unnamed.serial.clear();
    BenchDevice keyboard = BenchDevice::veld(QStringLiteral("USB Keyboard"), 0xC31C, 0x0001);
    keyboard.vendorId = 0x046D;
    keyboard.usage = 0x0006;

    QTest::newRow("nothing plugged") << QVector<BenchDevice>{} << QStringList{} << "没有找到设备";
    QTest::newRow("the DAC") << QVector<BenchDevice>{BenchDevice::dac()}
                             << QStringList{"DAC(0x32BB/0x0004,0xFF32,0x0003)"} << "DAC(0x32BB/0x0004,0xFF32,0x0003)";
    QTest::newRow("a VELD device and a keyboard")
        << QVector<BenchDevice>{keyboard, BenchDevice::veld()}
        << QStringList{"USB Keyboard(0x046D/0xC31C,0x0001,0x0006)", "Velmora V2(0x0A12/0x4007,0xFF00,0x0001)"}
        << "Velmora V2(0x0A12/0x4007,0xFF00,0x0001)";
    QTest::newRow("no identity strings") << QVector<BenchDevice>{unnamed}
                                         << QStringList{"(0x32BB/0x0004,0xFF32,0x0003)"}
                                         << "(0x32BB/0x0004,0xFF32,0x0003)";
    QTest::newRow("both collections: listed once, through row 3")
        << QVector<BenchDevice>{BenchDevice::veld(QStringLiteral("Sorvik"), 0x1243, 0x000C),
                                BenchDevice::veld(QStringLiteral("Sorvik"), 0x1243, 0xFF00)}
        << QStringList{"Sorvik(0x0A12/0x1243,0x000C,0x0001)", "Sorvik(0x0A12/0x1243,0xFF00,0x0001)"}
        << "Sorvik(0x0A12/0x1243,0xFF00,0x0001)";
}

void TestBenchDevices::identityThroughTheKernel()
{
    QFETCH(QVector<BenchDevice>, devices);
    QFETCH(QStringList, texts);
    QFETCH(QString, listed);

    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    for (const BenchDevice &device : qAsConst(devices))
        QVERIFY2(bench.plug(device) >= 0, qPrintable(bench.errorString()));

    UpgradeClass upgrade;
    QStringList enumerated = upgrade.m_deviceTexts;
    enumerated.sort();
    QCOMPARE(enumerated, texts);
    QVERIFY(!upgrade.m_duplicateFound);
    QCOMPARE(upgrade.listSupportedDevices(), QStringList{listed});

    // The record carries what the kernel reports for the USB device.
    for (int slot = 0; slot < devices.size(); ++slot) {
        const BenchDevice &device = devices.at(slot);
        HidDeviceInfo info;
        upgrade.getDeviceInfo(device.vendorId, device.productId, device.usagePage, device.usage, info);
        if (info.path != bench.devicePath(slot))
            continue;  // a second collection under a key already taken
        QCOMPARE(info.manufacturer, device.manufacturer);
        QCOMPARE(info.product, device.product);
        QCOMPARE(info.serialNumber, device.serial);
    }
}

void TestBenchDevices::duplicates_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<bool>("duplicate");

    QTest::newRow("maker's DAC twice") << "Norvo DAC" << true;
    QTest::newRow("maker's name in lower case") << "norvo dac" << true;
    QTest::newRow("foreign device twice") << "Generic DAC" << false;
}

void TestBenchDevices::duplicates()
{
    QFETCH(QString, product);
    QFETCH(bool, duplicate);

    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    QVERIFY(bench.plug(BenchDevice::dac(product)) >= 0);
    BenchDevice second = BenchDevice::dac(product);
    second.serial = QStringLiteral("0002");
    QVERIFY(bench.plug(second) >= 0);

    UpgradeClass upgrade;
    QCOMPARE(upgrade.m_duplicateFound, duplicate);
    QCOMPARE(upgrade.m_deviceTexts.size(), 2);
    QCOMPARE(upgrade.m_infoByKey.size(), 1);
}

void TestBenchDevices::queries_data()
{
    QTest::addColumn<int>("faults");
    QTest::addColumn<QByteArray>("versionAnswer");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("reportsSent");

    const QByteArray version = BenchDevice::jsonAnswer("3", QStringLiteral("V1.05"));
    // Three queries: name and version, then the name once more.
    QTest::newRow("answers") << 0 << version << "Norvo DAC" << "1.05" << 3;
    QTest::newRow("open fails") << int(BenchDevice::FailOpen) << version << "" << "" << 0;
    QTest::newRow("send fails") << int(BenchDevice::FailSend) << version << "" << "" << 0;
    QTest::newRow("read fails") << int(BenchDevice::FailRead) << version << "" << "" << 3;
    QTest::newRow("zeros between characters")
        << 0 << QByteArray("\0{\"3\"\0:\0\"V2.1\"}", 15) << "Norvo DAC" << "2.1" << 3;
    QTest::newRow("report id left in byte 0") << 0 << QByteArray("\x05") + version << "Norvo DAC" << "" << 3;
    // One character per byte, not UTF-8 decoding.
    QTest::newRow("bytes above 0x7F") << 0 << hexBytes("7B2233223A22C3A9227D") << "Norvo DAC"
                                      << QString::fromLatin1("\xC3\xA9") << 3;
}

void TestBenchDevices::queries()
{
    QFETCH(int, faults);
    QFETCH(QByteArray, versionAnswer);
    QFETCH(QString, name);
    QFETCH(QString, version);
    QFETCH(int, reportsSent);

    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    const int slot = bench.plug(BenchDevice::dac(QStringLiteral("Norvo DAC")));
    bench.setAnswers(slot, BenchDevice::jsonAnswer("0", QStringLiteral("Norvo DAC")), versionAnswer);
    bench.setFaults(slot, faults);
    UpgradeClass upgrade;
    const QString entry = upgrade.listSupportedDevices().value(0);
    QCOMPARE(entry, QStringLiteral("Norvo DAC(0x32BB/0x0004,0xFF32,0x0003)"));

    QString reportedName;
    QCOMPARE(upgrade.getFirmwareVersion(entry, reportedName), version);
    QCOMPARE(reportedName, name.isEmpty() ? QStringLiteral("Norvo DAC") : name);
    QCOMPARE(upgrade.readDeviceName(upgrade.getSupportedDevice(entry)), name);

    const QStringList sent = bench.sentReports();
    QCOMPARE(sent.size(), reportsSent);
    if (reportsSent) {
        QCOMPARE(sent.at(0), QStringLiteral("hidraw0: 05 00 00 00 00 02 00 ") + zeros(58));
        QCOMPARE(sent.at(1), QStringLiteral("hidraw0: 05 00 00 00 00 02 03 ") + zeros(58));
    }
}

namespace {

QStringList g_debugLines;

void collectDebug(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg)
        g_debugLines << text;
}

// The suite runs with debug output off; these checks need it on.
void enableDebug(QLoggingCategory *category)
{
    if (qstrcmp(category->categoryName(), "default") == 0)
        category->setEnabled(QtDebugMsg, true);
}

} // namespace

void TestBenchDevices::failuresAreLoggedWithHidapisText_data()
{
    QTest::addColumn<int>("faults");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("lines");

    // One failed send is logged twice: by the send and by the query that made it.
    QTest::newRow("send fails") << int(BenchDevice::FailSend) << "hid_send_feature_report error=" << 2;
    QTest::newRow("read fails") << int(BenchDevice::FailRead) << "hid_get_feature_report error=" << 1;
}

void TestBenchDevices::failuresAreLoggedWithHidapisText()
{
    QFETCH(int, faults);
    QFETCH(QString, prefix);
    QFETCH(int, lines);

    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    const int slot = bench.plug(BenchDevice::dac());
    UpgradeClass upgrade;
    const SupportedDevice row = upgrade.getSupportedDevice(upgrade.listSupportedDevices().value(0));
    bench.setFaults(slot, faults);

    g_debugLines.clear();
    const QLoggingCategory::CategoryFilter filter = QLoggingCategory::installFilter(enableDebug);
    const QtMessageHandler previous = qInstallMessageHandler(collectDebug);
    const QString version = upgrade.readFirmwareVersion(row);
    qInstallMessageHandler(previous);
    QLoggingCategory::installFilter(filter);

    QCOMPARE(version, QString());
    const QStringList failures = g_debugLines.filter(prefix);
    QCOMPARE(failures.size(), lines);
    // hidapi's own text of the failed ioctl follows the prefix.
    QVERIFY2(failures.first().contains(QString::fromLocal8Bit(std::strerror(EIO))), qPrintable(failures.first()));
    QCOMPARE(failures.last(), failures.first());
}

void TestBenchDevices::rebootLeavesTheBusAndComesBack()
{
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    const int slot = bench.plug(BenchDevice::dac());
    UpgradeClass upgrade;
    const QString entry = upgrade.listSupportedDevices().value(0);
    QSignalSpy plugged(&bench, &DeviceBench::pluggedChanged);

    QVERIFY(upgrade.rebootDevice(entry));
    QCOMPARE(bench.sentReports(), QStringList{QStringLiteral("hidraw0: 05 0A 00 00 10 ") + zeros(60)});
    QTRY_COMPARE_WITH_TIMEOUT(plugged.count(), 1, 5000);
    QVERIFY(!bench.isPlugged(slot));
    upgrade.enumerateDevices();
    QCOMPARE(upgrade.listSupportedDevices(), QStringList{QStringLiteral("没有找到设备")});

    QTRY_COMPARE_WITH_TIMEOUT(plugged.count(), 2, 5000);
    upgrade.enumerateDevices();
    QCOMPARE(upgrade.listSupportedDevices(), QStringList{entry});
    QString name;
    QCOMPARE(upgrade.getFirmwareVersion(entry, name), QStringLiteral("1.05"));
}

void TestBenchDevices::unpluggedDeviceIsGoneFromTheNextEnumeration()
{
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    const int slot = bench.plug(BenchDevice::dac());
    UpgradeClass upgrade;
    const SupportedDevice row = upgrade.getSupportedDevice(upgrade.listSupportedDevices().value(0));
    QCOMPARE(row.hidInfo.path, bench.devicePath(slot));

    QVERIFY(bench.unplug(slot));
    QVERIFY(!upgrade.enumerateDevices());
    QVERIFY(upgrade.m_deviceTexts.isEmpty());
    // A row kept from before the removal opens nothing.
    QCOMPARE(upgrade.readFirmwareVersion(row), QString());
    QVERIFY(bench.sentReports().isEmpty());
}

KESTREL_BENCH_MAIN(TestBenchDevices, QCoreApplication)
#include "tst_bench_devices.moc"
