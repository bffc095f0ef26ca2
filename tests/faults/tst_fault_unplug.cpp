// A device pulled out halfway through a flash, on the bench: the kernel's remove events
// reach the window's monitor, which empties the list while the flashing program runs;
// the program's report comes after that and must still end the upgrade and say why.
#include "BenchTest.h"
#include "TestProgramFolder.h"

#include "BoxTexts.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "flash/FlashRecord.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>

Q_DECLARE_METATYPE(BenchDevice)

namespace {

const QString kError = QStringLiteral("升级出错,请重新插拔设备,重启软件再升级!");


bool writeLine(const QString &path, const QByteArray &line)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(line + '\n') >= 0;
}

} // namespace

class TestFaultUnplug : public QObject
{
    Q_OBJECT

private slots:
    void deviceUnpluggedMidFlash_data();
    void deviceUnpluggedMidFlash();
    void cleanup();
};

void TestFaultUnplug::deviceUnpluggedMidFlash_data()
{
    QTest::addColumn<BenchDevice>("device");
    QTest::addColumn<QString>("package");
    QTest::addColumn<QString>("box");

    // The vendor library fails the next page once the device has gone.
    QTest::newRow("tovrek") << BenchDevice::dac() << "DAC_v1.06.bin" << kError;
    // VELD ends with the reading error a device that left gives.
    QTest::newRow("VELD") << BenchDevice::veld(QStringLiteral("Velmora X")) << "Velmora X_1.06.bin"
                          << "Error: Unable to read, err 1167\n";
}

void TestFaultUnplug::deviceUnpluggedMidFlash()
{
    QFETCH(BenchDevice, device);
    QFETCH(QString, package);
    QFETCH(QString, box);

    Dialogs::setScripted(true);
    Dialogs::takeShown();
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    const int slot = bench.plug(device);
    QVERIFY(slot >= 0);

    // The vendor library reads the failing step before each page.
    const QString failFile = folder.filePath(QStringLiteral("btapi-fail.txt"));
    QVERIFY(writeLine(failFile, ""));
    qputenv("BTAPI_SIM_VID", "32bb");
    qputenv("BTAPI_SIM_PID", "4");
    qputenv("BTAPI_SIM_PAGE_DELAY_MS", "250");
    qputenv("BTAPI_SIM_FAIL_FILE", failFile.toLocal8Bit());
    // Long enough for the list to empty first on a busy machine.
    qputenv("VELD_SIM_OUTCOME", "unable-to-read");
    qputenv("VELD_SIM_DELAY_MS", "250");
    const QString firmware = folder.writeFile(QStringLiteral("download/") + package, QByteArray(24 * 4096, 'f'));

    MainWindow window;
    auto *list = window.findChild<QComboBox *>(QStringLiteral("comboBox_deviceList"));
    auto *bar = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    Dialogs::queueFileName(firmware);
    Dialogs::queueAnswer(QMessageBox::Yes);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_localUpdate")), Qt::LeftButton);
    QVERIFY(window.isUpgrading());
    QTRY_VERIFY_WITH_TIMEOUT(bar->value() > 0, 15000);

    QVERIFY(bench.unplug(slot));
    QTRY_COMPARE_WITH_TIMEOUT(list->currentText(), QStringLiteral("没有找到设备"), 10000);
    // The flashing program still runs: nothing has told the window why yet.
    QVERIFY(boxTexts(Dialogs::takeShown()).isEmpty());

    // With the device gone tovrek's library cannot write the next page.
    QVERIFY(writeLine(failFile, "update"));
    QList<Dialogs::Shown> shown;
    QTRY_VERIFY_WITH_TIMEOUT((shown += Dialogs::takeShown(), !boxTexts(shown).isEmpty()), 15000);
    QCOMPARE(boxTexts(shown), QStringList{QStringLiteral("information:") + box});
    QVERIFY(!window.isUpgrading());
    QVERIFY(list->isEnabled());
    QVERIFY(!QFile::exists(FlashRecord::defaultPath()));
    QVERIFY(window.close());
}

void TestFaultUnplug::cleanup()
{
    for (const char *name : {"BTAPI_SIM_VID", "BTAPI_SIM_PID", "BTAPI_SIM_PAGE_DELAY_MS", "BTAPI_SIM_FAIL_FILE",
                             "VELD_SIM_OUTCOME", "VELD_SIM_DELAY_MS"})
        qunsetenv(name);
}

KESTREL_BENCH_MAIN(TestFaultUnplug, QApplication)
#include "tst_fault_unplug.moc"
