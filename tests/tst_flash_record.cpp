// setting/flashing.json: the record of a flash that has not reached its outcome.
#include "TestProgramFolder.h"

#include "flash/FlashRecord.h"
#include "settings/ProgramFolder.h"

#include <QtTest>

class TestFlashRecord : public QObject
{
    Q_OBJECT

private slots:
    void roundTripAndMatch();
    void writeFailsWithoutSettingFolder();
    void rejectsWhatIsNoRecord_data();
    void rejectsWhatIsNoRecord();
};

namespace {

SupportedDevice dacRow()
{
    return supportedDeviceTable().at(0);
}

} // namespace

void TestFlashRecord::roundTripAndMatch()
{
    TestProgramFolder folder;
    const QString package = folder.writeFile(QStringLiteral("download/NV DAC/fw 1.bin"), QByteArray(5000, 'x'));
    SupportedDevice device = dacRow();
    device.name = QStringLiteral("NV DAC-X1");

    const FlashRecord written = FlashRecord::forFlash(device, package);
    QCOMPARE(written.packageMd5, QString::fromLatin1(QCryptographicHash::hash(QByteArray(5000, 'x'),
                                                                             QCryptographicHash::Md5).toHex()));
    QVERIFY(written.write(FlashRecord::defaultPath()));

    FlashRecord read;
    QVERIFY(FlashRecord::read(FlashRecord::defaultPath(), read));
    QCOMPARE(read.deviceName, device.name);
    QCOMPARE(read.packagePath, package);
    QCOMPARE(read.time.toString(Qt::ISODate), written.time.toString(Qt::ISODate));
    QVERIFY(read.isFor(device));
    SupportedDevice other = supportedDeviceTable().at(1);
    QVERIFY(!read.isFor(other));
    QVERIFY(read.packageMatches());

    // One byte changed, then the file gone: it is no longer the package that was cut off.
    folder.writeFile(QStringLiteral("download/NV DAC/fw 1.bin"), QByteArray(4999, 'x') + 'y');
    QVERIFY(!read.packageMatches());
    QVERIFY(QFile::remove(package));
    QVERIFY(!read.packageMatches());

    QVERIFY(FlashRecord::remove(FlashRecord::defaultPath()));
    QVERIFY(!QFile::exists(FlashRecord::defaultPath()));
    QVERIFY(FlashRecord::remove(FlashRecord::defaultPath()));
    QVERIFY(!FlashRecord::read(FlashRecord::defaultPath(), read));
}

void TestFlashRecord::writeFailsWithoutSettingFolder()
{
    TestProgramFolder folder(TestProgramFolder::WithTools);
    QVERIFY(!FlashRecord::forFlash(dacRow(), QStringLiteral("/nowhere.bin")).write(FlashRecord::defaultPath()));
    QVERIFY(!QFile::exists(FlashRecord::defaultPath()));
}

void TestFlashRecord::rejectsWhatIsNoRecord_data()
{
    QTest::addColumn<QByteArray>("contents");
    const QByteArray ids = "\"vendorId\":13019,\"productId\":4,\"usagePage\":65330,\"usage\":3";
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("binary") << QByteArray("\xff\xfe\x00{", 4);
    QTest::newRow("array") << QByteArray("[{\"deviceName\":\"A\"," + ids + "}]");
    QTest::newRow("no name") << QByteArray("{" + ids + "}");
    QTest::newRow("id as text") << QByteArray("{\"deviceName\":\"A\",\"vendorId\":\"13019\",\"productId\":4,"
                                              "\"usagePage\":65330,\"usage\":3}");
    QTest::newRow("id out of range") << QByteArray("{\"deviceName\":\"A\",\"vendorId\":70000,\"productId\":4,"
                                                   "\"usagePage\":65330,\"usage\":3}");
    QTest::newRow("10 MB") << QByteArray("{\"deviceName\":\"A\"," + ids + ",\"pad\":\"" + QByteArray(10 << 20, 'a')
                                         + "\"}");
}

void TestFlashRecord::rejectsWhatIsNoRecord()
{
    QFETCH(QByteArray, contents);
    TestProgramFolder folder;
    folder.writeFile(QStringLiteral("setting/flashing.json"), contents);
    FlashRecord record;
    record.deviceName = QStringLiteral("kept");
    QVERIFY(!FlashRecord::read(FlashRecord::defaultPath(), record));
    QCOMPARE(record.deviceName, QStringLiteral("kept"));
}

QTEST_GUILESS_MAIN(TestFlashRecord)
#include "tst_flash_record.moc"
