// The feature-report exchange with a device: request bytes, answer decoding and the
// version reshaping, down to what the simulated device receives.
#include "TestProgramFolder.h"

#include "hid/HidReport.h"
#include "hid/UpgradeClass.h"

#include <QtTest>

namespace {

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString zeros(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("00");
    return list.join(QLatin1Char(' '));
}

} // namespace

class TestHidReport : public QObject
{
    Q_OBJECT

private slots:
    void requestBytes_data();
    void requestBytes();
    void answerDecoding_data();
    void answerDecoding();
    void reshapeVersion_data();
    void reshapeVersion();
    void queriesThroughTheDevice_data();
    void queriesThroughTheDevice();
    void rebootSendsItsReport();
};

void TestHidReport::requestBytes_data()
{
    QTest::addColumn<quint32>("parameter");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("head");

    QTest::newRow("name query") << quint32(0) << QByteArray("\x02\x00", 2) << "05 00 00 00 00 02 00";
    QTest::newRow("version query") << quint32(0) << QByteArray("\x02\x03", 2) << "05 00 00 00 00 02 03";
    QTest::newRow("reboot") << quint32(0x1000000A) << QByteArray() << "05 0A 00 00 10 00 00";
}

void TestHidReport::requestBytes()
{
    QFETCH(quint32, parameter);
    QFETCH(QByteArray, payload);
    QFETCH(QString, head);

    const QByteArray report = HidReport::request(0x05, parameter,
                                                 reinterpret_cast<const unsigned char *>(payload.constData()),
                                                 payload.size());
    QCOMPARE(report.size(), 65);
    QCOMPARE(hex(report), head + QLatin1Char(' ') + zeros(58));
}

void TestHidReport::answerDecoding_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("member");

    const QByteArray version("{\"3\":\"V1.05\"}");
    QTest::newRow("version") << version << 3 << "{\"3\":\"V1.05\"}" << "V1.05";
    QTest::newRow("name") << QByteArray("{\"0\":\"Norvo DAC\"}") << 0 << "{\"0\":\"Norvo DAC\"}" << "Norvo DAC";
    QTest::newRow("all zeros") << QByteArray(65, '\0') << 3 << "" << "";
    QTest::newRow("zeros between characters") << QByteArray("\0{\"3\"\0:\0\"1.2\"}\0", 15) << 3
                                              << "{\"3\":\"1.2\"}" << "1.2";
    QTest::newRow("report id left in byte 0") << QByteArray("\x05") + version << 3 << "\x05{\"3\":\"V1.05\"}" << "";
    QTest::newRow("white space before the object") << QByteArray(" ") + version << 3 << " {\"3\":\"V1.05\"}"
                                                   << "V1.05";
    QTest::newRow("not JSON") << QByteArray("V1.05") << 3 << "V1.05" << "";
    QTest::newRow("missing member") << QByteArray("{\"0\":\"DAC\"}") << 3 << "{\"0\":\"DAC\"}" << "";
    QTest::newRow("member not a string") << QByteArray("{\"3\":105}") << 3 << "{\"3\":105}" << "";
    QTest::newRow("array") << QByteArray("[\"V1.05\"]") << 3 << "[\"V1.05\"]" << "";
}

void TestHidReport::answerDecoding()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, item);
    QFETCH(QString, text);
    QFETCH(QString, member);

    const QString decoded = HidReport::answerText(answer);
    QCOMPARE(decoded, text);
    QCOMPARE(HidReport::answerMember(decoded, static_cast<unsigned char>(item)), member);
}

void TestHidReport::reshapeVersion_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("version");

    QTest::newRow("plain") << "1.23" << "1.23";
    QTest::newRow("two digits before the dot") << "10.25" << "0.25";
    QTest::newRow("prefix") << "V2.05" << "2.05";
    QTest::newRow("second dot") << "2.1.3" << "2.1.";
    QTest::newRow("trailing text dropped") << "V1.05-beta" << "1.05";
    QTest::newRow("no dot") << "123" << "123";
    QTest::newRow("leading dot") << ".5" << ".5";
    QTest::newRow("one character after the dot") << "V1.5" << "1.5";
    QTest::newRow("nothing after the dot") << "V1." << "1.";
    QTest::newRow("empty") << "" << "";
}

void TestHidReport::reshapeVersion()
{
    QFETCH(QString, answer);
    QFETCH(QString, version);
    QCOMPARE(HidReport::reshapeVersion(answer), version);
}

void TestHidReport::queriesThroughTheDevice_data()
{
    QTest::addColumn<QString>("switchName");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("reportsSent");

    // Three queries: name and version, then the name once more.
    QTest::newRow("answers") << "" << "Norvo DAC" << "1.05" << 3;
    QTest::newRow("open fails") << "failOpen" << "" << "" << 0;
    QTest::newRow("send fails") << "failSend" << "" << "" << 0;
    QTest::newRow("read fails") << "failRead" << "" << "" << 3;
}

void TestHidReport::queriesThroughTheDevice()
{
    QFETCH(QString, switchName);
    QFETCH(QString, name);
    QFETCH(QString, version);
    QFETCH(int, reportsSent);

    TestProgramFolder folder;
    QJsonObject device = TestProgramFolder::tovrekDevice(QStringLiteral("Norvo DAC"));
    if (!switchName.isEmpty())
        device.insert(switchName, true);
    folder.setDevices({device});
    UpgradeClass upgrade;
    const QString entry = upgrade.listSupportedDevices().value(0);

    QString reportedName;
    QCOMPARE(upgrade.getFirmwareVersion(entry, reportedName), version);
    // The name the device reports replaces the listed one only when it answered.
    QCOMPARE(reportedName, name.isEmpty() ? QStringLiteral("Norvo DAC") : name);
    QCOMPARE(upgrade.readDeviceName(upgrade.getSupportedDevice(entry)), name);
    QCOMPARE(folder.sentReports().size(), reportsSent);
    QCOMPARE(hidsim_open_handle_count(), 0);
    if (reportsSent) {
        QCOMPARE(folder.sentReports().at(0), QStringLiteral("sim-dac: 05 00 00 00 00 02 00 ") + zeros(58));
        QCOMPARE(folder.sentReports().at(1), QStringLiteral("sim-dac: 05 00 00 00 00 02 03 ") + zeros(58));
    }
}

void TestHidReport::rebootSendsItsReport()
{
    TestProgramFolder folder;
    folder.setDevices({TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))});
    UpgradeClass upgrade;
    const QString entry = upgrade.listSupportedDevices().value(0);

    QVERIFY(upgrade.rebootDevice(entry));
    QCOMPARE(folder.sentReports(), QStringList{QStringLiteral("sim-dac: 05 0A 00 00 10 ") + zeros(60)});

    // A name the map does not know opens nothing and sends nothing.
    folder.clearSentReports();
    QVERIFY(upgrade.rebootDevice(QStringLiteral("Unknown(0x0000/0x0000,0x0000,0x0000)")));
    QVERIFY(folder.sentReports().isEmpty());
    QCOMPARE(hidsim_open_handle_count(), 0);
}

QTEST_GUILESS_MAIN(TestHidReport)
#include "tst_hid_report.moc"
