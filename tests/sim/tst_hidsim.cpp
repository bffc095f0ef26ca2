#include "HidSim.h"

#include <hidapi/hidapi.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

const QString kNameText = QStringLiteral("{\"0\":\"Norvo DAC\"}");
const QString kVersionText = QStringLiteral("{\"3\":\"V1.05\"}");
// Longer than a report, to see the answer cut at 65 bytes.
const QByteArray kLongText = QByteArray("{\"3\":\"") + QByteArray(80, 'x') + "\"}";
// Non-zero byte 0 and zeros between characters, as some firmware answers.
const QByteArray kRawHex = "AA 7B 00 22 00 30 00 22";

QByteArray report(const QByteArray &bytes)
{
    return bytes.leftJustified(hidsim::kReportSize, '\0', true);
}

QJsonObject dac()
{
    return QJsonObject{{"path", "sim-dac-1"},
                       {"vendorId", "0x32BB"},
                       {"productId", "0x0004"},
                       {"usagePage", "0xFF32"},
                       {"usage", "0x0003"},
                       {"manufacturer", "Norvo"},
                       {"product", "Norvo DAC"},
                       {"serial", "0001"},
                       {"nameAnswer", kNameText},
                       {"versionAnswer", kVersionText}};
}

// Same vendor as plain integers, no strings at all.
QJsonObject amp()
{
    return QJsonObject{{"path", "sim-amp-2"},
                       {"vendorId", 0x32BB},
                       {"productId", 2},
                       {"usagePage", 0xFF32},
                       {"usage", 1},
                       {"nameAnswerHex", QString::fromLatin1(kRawHex)},
                       {"versionAnswer", QString::fromLatin1(kLongText)}};
}

QString wide(const wchar_t *s)
{
    return s ? QString::fromWCharArray(s) : QStringLiteral("<null>");
}

QStringList enumeratedPaths(unsigned short vid, unsigned short pid)
{
    QStringList paths;
    hid_device_info *list = hid_enumerate(vid, pid);
    for (hid_device_info *d = list; d; d = d->next)
        paths << QString::fromLatin1(d->path);
    hid_free_enumeration(list);
    return paths;
}

// A 65-byte request carrying `code` at byte 6.
QByteArray request(int code)
{
    QByteArray r(hidsim::kReportSize, '\0');
    r[0] = 0x05;
    r[5] = 0x02;
    r[6] = static_cast<char>(code);
    return r;
}

int send(hid_device *dev, const QByteArray &bytes)
{
    return hid_send_feature_report(dev, reinterpret_cast<const unsigned char *>(bytes.constData()),
                                   static_cast<size_t>(bytes.size()));
}

} // namespace

class HidSimTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_devicesFile;
    QString m_logFile;

    void writeDevices(const QJsonArray &devices)
    {
        QFile f(m_devicesFile);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QJsonDocument(QJsonObject{{"devices", devices}}).toJson());
    }

    QStringList logLines() const
    {
        QFile f(m_logFile);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_devicesFile = m_dir.filePath("devices.json");
        m_logFile = m_dir.filePath("reports.log");
        qputenv(hidsim::kDevicesEnv, QFile::encodeName(m_devicesFile));
        qputenv(hidsim::kLogEnv, QFile::encodeName(m_logFile));
        QCOMPARE(hid_init(), 0);
    }

    void init()
    {
        writeDevices({dac(), amp()});
        QFile::remove(m_logFile);
    }

    void cleanup() { QCOMPARE(hidsim_open_handle_count(), 0); }

    void enumerateFields()
    {
        hid_device_info *list = hid_enumerate(0, 0);
        QVERIFY(list && list->next && !list->next->next);
        const hid_device_info *d = list;
        const hid_device_info *a = list->next;

        QCOMPARE(QString::fromLatin1(d->path), QStringLiteral("sim-dac-1"));
        QCOMPARE(d->vendor_id, 0x32BB);
        QCOMPARE(d->product_id, 0x0004);
        QCOMPARE(d->usage_page, 0xFF32);
        QCOMPARE(d->usage, 0x0003);
        QCOMPARE(wide(d->manufacturer_string), QStringLiteral("Norvo"));
        QCOMPARE(wide(d->product_string), QStringLiteral("Norvo DAC"));
        QCOMPARE(wide(d->serial_number), QStringLiteral("0001"));

        QCOMPARE(QString::fromLatin1(a->path), QStringLiteral("sim-amp-2"));
        QCOMPARE(a->vendor_id, 0x32BB);
        QCOMPARE(a->product_id, 0x0002);
        QCOMPARE(a->usage_page, 0xFF32);
        QCOMPARE(a->usage, 0x0001);
        QVERIFY(!a->manufacturer_string);
        QVERIFY(!a->product_string);
        QVERIFY(!a->serial_number);
        hid_free_enumeration(list);
    }

    void enumerateFilter_data()
    {
        QTest::addColumn<int>("vid");
        QTest::addColumn<int>("pid");
        QTest::addColumn<QStringList>("paths");
        const QStringList both{"sim-dac-1", "sim-amp-2"};
        QTest::newRow("all") << 0 << 0 << both;
        QTest::newRow("vendor") << 0x32BB << 0 << both;
        QTest::newRow("vendor+product") << 0x32BB << 0x0004 << QStringList{"sim-dac-1"};
        QTest::newRow("product only") << 0 << 0x0002 << QStringList{"sim-amp-2"};
        QTest::newRow("other vendor") << 0x1234 << 0 << QStringList();
        QTest::newRow("other product") << 0x32BB << 0x0009 << QStringList();
    }

    void enumerateFilter()
    {
        QFETCH(int, vid);
        QFETCH(int, pid);
        QFETCH(QStringList, paths);
        QCOMPARE(enumeratedPaths(static_cast<unsigned short>(vid), static_cast<unsigned short>(pid)), paths);
    }

    void answers_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QList<int>>("queries");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray none(hidsim::kReportSize, '\0');
        QTest::newRow("name") << QByteArray("sim-dac-1") << QList<int>{0x00} << report(kNameText.toUtf8());
        QTest::newRow("version") << QByteArray("sim-dac-1") << QList<int>{0x03} << report(kVersionText.toUtf8());
        QTest::newRow("last query wins") << QByteArray("sim-dac-1") << QList<int>{0x03, 0x00}
                                         << report(kNameText.toUtf8());
        QTest::newRow("other request after query") << QByteArray("sim-dac-1") << QList<int>{0x00, 0x05} << none;
        QTest::newRow("nothing asked") << QByteArray("sim-dac-1") << QList<int>{} << none;
        QTest::newRow("raw hex") << QByteArray("sim-amp-2") << QList<int>{0x00}
                                 << report(QByteArray::fromHex(kRawHex));
        QTest::newRow("cut at 65") << QByteArray("sim-amp-2") << QList<int>{0x03} << kLongText.left(65);
    }

    void answers()
    {
        QFETCH(QByteArray, path);
        QFETCH(QList<int>, queries);
        QFETCH(QByteArray, expected);
        hid_device *dev = hid_open_path(path.constData());
        QVERIFY(dev);
        for (int code : queries)
            QCOMPARE(send(dev, request(code)), hidsim::kReportSize);
        // Stale bytes must not survive: every byte, the report ID too, is written.
        unsigned char buf[hidsim::kReportSize];
        std::memset(buf, 0xEE, sizeof buf);
        buf[0] = 0x05;
        const int rc = hid_get_feature_report(dev, buf, sizeof buf);
        hid_close(dev);
        QCOMPARE(rc, hidsim::kReportSize);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(buf), sizeof buf), expected);
    }

    void failSwitches_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QByteArray>("openPath");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("sendRc");
        QTest::addColumn<int>("readRc");
        QTest::addColumn<QString>("error"); // part of hid_error() after the failing call
        QTest::newRow("healthy") << "" << QByteArray("sim-dac-1") << true << 65 << 65 << "";
        QTest::newRow("failOpen") << "failOpen" << QByteArray("sim-dac-1") << false << 0 << 0 << "open";
        QTest::newRow("unknown path") << "" << QByteArray("sim-nope") << false << 0 << 0 << "sim-nope";
        QTest::newRow("failSend") << "failSend" << QByteArray("sim-dac-1") << true << -1 << 65 << "send";
        QTest::newRow("failRead") << "failRead" << QByteArray("sim-dac-1") << true << 65 << -1 << "read";
    }

    void failSwitches()
    {
        QFETCH(QString, flag);
        QFETCH(QByteArray, openPath);
        QFETCH(bool, opens);
        QFETCH(int, sendRc);
        QFETCH(int, readRc);
        QFETCH(QString, error);
        QJsonObject device = dac();
        if (!flag.isEmpty())
            device.insert(flag, true);
        writeDevices({device});

        hid_device *dev = hid_open_path(openPath.constData());
        QCOMPARE(dev != nullptr, opens);
        if (!dev) {
            QVERIFY(wide(hid_error(nullptr)).contains(error));
            return;
        }
        const int sent = send(dev, request(0x03));
        const QString sendError = wide(hid_error(dev));
        unsigned char buf[hidsim::kReportSize] = {0x05};
        const int read = hid_get_feature_report(dev, buf, sizeof buf);
        const QString readError = wide(hid_error(dev));
        hid_close(dev);

        QCOMPARE(sent, sendRc);
        QCOMPARE(read, readRc);
        QCOMPARE(logLines().size(), sent < 0 ? 0 : 1);
        if (sent < 0)
            QVERIFY2(sendError.contains(error), qPrintable(sendError));
        if (read < 0)
            QVERIFY2(readError.contains(error), qPrintable(readError));
    }

    void reportLog()
    {
        hid_device *d = hid_open_path("sim-dac-1");
        hid_device *a = hid_open_path("sim-amp-2");
        QVERIFY(d && a);
        QCOMPARE(send(d, QByteArray::fromHex("0500000000020300")), 8);
        // Readable while the handle is still open.
        QCOMPARE(logLines(), QStringList{"sim-dac-1: 05 00 00 00 00 02 03 00"});
        QCOMPARE(send(a, QByteArray::fromHex("05abCD")), 3);
        hid_close(d);
        hid_close(a);
        QCOMPARE(logLines(), (QStringList{"sim-dac-1: 05 00 00 00 00 02 03 00", "sim-amp-2: 05 AB CD"}));
    }

    void rereadsTheFile()
    {
        QCOMPARE(enumeratedPaths(0, 0).size(), 2);

        writeDevices({amp()}); // dac unplugged
        QCOMPARE(enumeratedPaths(0, 0), QStringList{"sim-amp-2"});
        QVERIFY(!hid_open_path("sim-dac-1"));

        QVERIFY(QFile::remove(m_devicesFile)); // everything unplugged
        QVERIFY(!hid_enumerate(0, 0));

        // Plugged back with new firmware: a new handle sees the new version.
        QJsonObject upgraded = dac();
        upgraded.insert("versionAnswer", "{\"3\":\"V1.06\"}");
        writeDevices({upgraded});
        hid_device *dev = hid_open_path("sim-dac-1");
        QVERIFY(dev);
        send(dev, request(0x03));
        unsigned char buf[hidsim::kReportSize] = {0x05};
        hid_get_feature_report(dev, buf, sizeof buf);
        hid_close(dev);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(buf)), QByteArray("{\"3\":\"V1.06\"}"));
    }

    // The product links the real libhidapi; the stand-in has to win when preloaded.
    void preloadReplacesRealLibrary()
    {
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString preload = env.value("LD_PRELOAD");
        env.insert("LD_PRELOAD", QString(HIDSIM_LIBRARY) + (preload.isEmpty() ? "" : " " + preload));
        probe.setProcessEnvironment(env);
        probe.start(HIDSIM_PROBE, QStringList());
        QVERIFY(probe.waitForFinished(10000));
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(probe.readAllStandardOutput(), QByteArray("sim-dac-1 32bb:0004 {\"3\":\"V1.05\"}\n"
                                                           "sim-amp-2 32bb:0002\n"));
    }
};

QTEST_GUILESS_MAIN(HidSimTest)
#include "tst_hidsim.moc"
