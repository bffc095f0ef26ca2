// Devices plugged and pulled while the window runs: the kernel's uevents reach the
// window's udev monitor, which refreshes the device list about one second later.
#include "BenchTest.h"
#include "TestProgramFolder.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>

namespace {

const QString kDac = QStringLiteral("DAC(0x32BB/0x0004,0xFF32,0x0003)");
const QString kNoDevice = QStringLiteral("没有找到设备");
// Arrival to refresh is one second; the margin covers a loaded machine.
constexpr int kRefreshWait = 5000;

QComboBox *deviceList(MainWindow &window)
{
    return window.findChild<QComboBox *>(QStringLiteral("comboBox_deviceList"));
}

QStringList listed(MainWindow &window)
{
    QStringList texts;
    for (int i = 0; i < deviceList(window)->count(); ++i)
        texts << deviceList(window)->itemText(i);
    return texts;
}

// The name and version queries the selection handler sends.
int queriesSent(const DeviceBench &bench)
{
    int count = 0;
    for (const QString &report : bench.sentReports())
        count += report.contains(QLatin1String(": 05 00 00 00 00 02 ")) ? 1 : 0;
    return count;
}

// Waits until a scheduled refresh has run, then a little longer for any second one.
bool settled(MainWindow &window)
{
    QTest::qWait(200);
    if (!QTest::qWaitFor([&window] { return !window.isRefreshPending(); }, kRefreshWait))
        return false;
    QTest::qWait(1500);
    return !window.isRefreshPending();
}

} // namespace

class TestBenchHotplug : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void arrivalRefreshesTheListOnceAboutASecondLater();
    void removalLeavesNoDevice();
    void outAndBackWithinTheSecondIsOneRefresh();
    void secondIdenticalDeviceRaisesTheDuplicateWarning();
    void rebootButtonBringsTheDeviceBack();
    void refreshDuringAFlashLeavesTheFlashAlone();
};

void TestBenchHotplug::init()
{
    Dialogs::setScripted(true);
    Dialogs::takeShown();
}

void TestBenchHotplug::arrivalRefreshesTheListOnceAboutASecondLater()
{
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    MainWindow window;
    QCOMPARE(listed(window), QStringList{kNoDevice});
    QSignalSpy listChanges(deviceList(window), &QComboBox::currentTextChanged);

    // The USB device, its interface, the HID device and the hidraw node: four events.
    QElapsedTimer clock;
    clock.start();
    QVERIFY(bench.plug(BenchDevice::dac()) >= 0);
    QTRY_VERIFY_WITH_TIMEOUT(window.isRefreshPending(), kRefreshWait);
    QTest::qWait(300);
    QCOMPARE(listChanges.count(), 0);  // not before the second has passed

    QTRY_COMPARE_WITH_TIMEOUT(listed(window), QStringList{kDac}, kRefreshWait);
    QVERIFY(clock.elapsed() >= 900);
    QVERIFY(settled(window));
    // One refresh: cleared once, filled once; the handler read the new device.
    QCOMPARE(listChanges.count(), 2);
    QCOMPARE(queriesSent(bench), 2);
}

void TestBenchHotplug::removalLeavesNoDevice()
{
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    const int slot = bench.plug(BenchDevice::dac());
    MainWindow window;
    QCOMPARE(listed(window), QStringList{kDac});

    QVERIFY(bench.unplug(slot));
    QTRY_COMPARE_WITH_TIMEOUT(listed(window), QStringList{kNoDevice}, kRefreshWait);
    QVERIFY(settled(window));
    QVERIFY(Dialogs::takeShown().isEmpty());
}

void TestBenchHotplug::outAndBackWithinTheSecondIsOneRefresh()
{
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    const int slot = bench.plug(BenchDevice::dac());
    MainWindow window;
    bench.clearSentReports();
    QSignalSpy listChanges(deviceList(window), &QComboBox::currentTextChanged);

    QVERIFY(bench.unplug(slot));
    QVERIFY(bench.replug(slot));
    QVERIFY(settled(window));
    QCOMPARE(listChanges.count(), 2);
    QCOMPARE(listed(window), QStringList{kDac});
    // The refresh found the device under its new node and asked it again.
    QCOMPARE(queriesSent(bench), 2);
    QVERIFY(bench.sentReports().at(0).startsWith(bench.devicePath(slot).mid(5) + QLatin1Char(':')));
}

void TestBenchHotplug::secondIdenticalDeviceRaisesTheDuplicateWarning()
{
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    QVERIFY(bench.plug(BenchDevice::dac(QStringLiteral("Norvo DAC"))) >= 0);
    MainWindow window;
    QCOMPARE(listed(window).size(), 1);

    BenchDevice twin = BenchDevice::dac(QStringLiteral("Norvo DAC"));
    twin.serial = QStringLiteral("0002");
    const int second = bench.plug(twin);
    QVERIFY(settled(window));
    QVERIFY(listed(window).isEmpty());
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).kind, QStringLiteral("critical"));
    QCOMPARE(shown.at(0).text,
             QStringLiteral("注意:检测到有多个相同ID值的设备,为防止升级错误,请先拔除再升级!"));

    // Pulling the twin brings the list back.
    QVERIFY(bench.unplug(second));
    QTRY_COMPARE_WITH_TIMEOUT(listed(window), QStringList{QStringLiteral("Norvo DAC(0x32BB/0x0004,0xFF32,0x0003)")},
                              kRefreshWait);
}

void TestBenchHotplug::rebootButtonBringsTheDeviceBack()
{
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    const int slot = bench.plug(BenchDevice::dac());
    MainWindow window;
    bench.clearSentReports();
    QSignalSpy rebooted(&bench, &DeviceBench::rebootRequested);
    QSignalSpy plugged(&bench, &DeviceBench::pluggedChanged);

    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_reboot")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(rebooted.count(), 1, kRefreshWait);
    QTRY_COMPARE_WITH_TIMEOUT(plugged.count(), 2, kRefreshWait);  // left the bus, came back
    QVERIFY(settled(window));
    QCOMPARE(listed(window), QStringList{kDac});
    QVERIFY(bench.isPlugged(slot));
    QCOMPARE(queriesSent(bench), 2);  // asked again after it came back
}

void TestBenchHotplug::refreshDuringAFlashLeavesTheFlashAlone()
{
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    QVERIFY(bench.plug(BenchDevice::dac()) >= 0);
    qputenv("BTAPI_SIM_VID", "32bb");
    qputenv("BTAPI_SIM_PID", "4");
    qputenv("BTAPI_SIM_PAGE_DELAY_MS", "400");
    const QString firmware = folder.writeFile(QStringLiteral("DAC_v2.bin"), QByteArray(12 * 4096, 'x'));

    MainWindow window;
    bench.clearSentReports();
    Dialogs::queueFileName(firmware);
    Dialogs::queueAnswer(QMessageBox::Yes);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_localUpdate")), Qt::LeftButton);
    QVERIFY(window.isUpgrading());

    // A device plugged mid-flash: the list is refreshed, the flash carries on.
    QVERIFY(bench.plug(BenchDevice::veld()) >= 0);
    QTRY_VERIFY_WITH_TIMEOUT(window.isRefreshPending(), kRefreshWait);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isRefreshPending(), kRefreshWait);
    QVERIFY(window.isUpgrading());
    QCOMPARE(listed(window), QStringList{kDac});
    QCOMPARE(queriesSent(bench), 0);  // the selection handler stood aside

    QTRY_VERIFY_WITH_TIMEOUT(!window.isUpgrading(), 30000);
    qunsetenv("BTAPI_SIM_VID");
    qunsetenv("BTAPI_SIM_PID");
    qunsetenv("BTAPI_SIM_PAGE_DELAY_MS");
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown.last().text, QStringLiteral("升级完毕!"));
}

KESTREL_BENCH_MAIN(TestBenchHotplug, QApplication)
#include "tst_bench_hotplug.moc"
