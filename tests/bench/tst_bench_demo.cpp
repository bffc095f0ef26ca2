// The demo's bench: how the next flash ends is picked while the tool runs, and a device
// flashed successfully restarts with the version of its package.
#include "BenchController.h"
#include "BenchTest.h"
#include "TestProgramFolder.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>

Q_DECLARE_METATYPE(BenchController::Device)
Q_DECLARE_METATYPE(BenchController::Outcome)

class TestBenchDemo : public QObject
{
    Q_OBJECT

private slots:
    void versionFromPackage_data();
    void versionFromPackage();
    void flashOutcome_data();
    void flashOutcome();
};

void TestBenchDemo::versionFromPackage_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("version");

    QTest::newRow("tool's download") << "/d/download/DAC/DAC_v1.06.bin" << "V1.06";
    QTest::newRow("space in the name") << "Velmora V2_2.10.bin" << "V2.10";
    QTest::newRow("no version") << "firmware.bin" << "";
}

void TestBenchDemo::versionFromPackage()
{
    QFETCH(QString, fileName);
    QFETCH(QString, version);
    QCOMPARE(BenchController::versionFromPackage(fileName), version);
}

void TestBenchDemo::flashOutcome_data()
{
    QTest::addColumn<BenchController::Device>("device");
    QTest::addColumn<BenchController::Outcome>("outcome");
    QTest::addColumn<QString>("package");
    QTest::addColumn<bool>("restarts");
    QTest::addColumn<QString>("versionAfter");

    QTest::newRow("DAC, success") << BenchController::Dac << BenchController::Success << "DAC_v1.06.bin" << true
                                  << "1.06";
    QTest::newRow("DAC, failure") << BenchController::Dac << BenchController::Failure << "DAC_v1.06.bin" << false
                                  << "1.05";
    QTest::newRow("VELD device finishing by itself")
        << BenchController::VeldDevice << BenchController::DeviceFinishes << "Velmora V2_1.07.bin" << true << "1.07";
}

void TestBenchDemo::flashOutcome()
{
    QFETCH(BenchController::Device, device);
    QFETCH(BenchController::Outcome, outcome);
    QFETCH(QString, package);
    QFETCH(bool, restarts);
    QFETCH(QString, versionAfter);

    TestProgramFolder folder;
    BenchController controller(folder.filePath(QStringLiteral("bench")));
    KESTREL_REQUIRE_BENCH(controller.bench());
    const QStringList env = controller.processEnvironment();
    for (const QString &entry : env)
        if (!entry.startsWith(QLatin1String("LD_PRELOAD=")))
            qputenv(entry.section(QLatin1Char('='), 0, 0).toLocal8Bit(), entry.section(QLatin1Char('='), 1).toLocal8Bit());
    QVERIFY(controller.setPlugged(device, true));
    const QString firmware = folder.writeFile(QStringLiteral("download/") + package, QByteArray(3 * 4096, 'f'));

    Dialogs::setScripted(true);
    Dialogs::takeShown();
    MainWindow window;
    auto *list = window.findChild<QComboBox *>(QStringLiteral("comboBox_deviceList"));
    const QString entry = list->currentText();
    QString name;
    QCOMPARE(window.upgrade().getFirmwareVersion(entry, name), QStringLiteral("1.05"));
    // Picked after the tool started: the flashing program reads it when it runs.
    controller.setOutcome(outcome);
    QSignalSpy plugged(&controller, &BenchController::pluggedChanged);

    Dialogs::queueFileName(firmware);
    Dialogs::queueAnswer(QMessageBox::Yes);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_localUpdate")), Qt::LeftButton);
    QVERIFY(window.isUpgrading());
    if (restarts) {
        QTRY_COMPARE_WITH_TIMEOUT(plugged.count(), 2, 20000);  // off the bus, back again
        QVERIFY(controller.isPlugged(device));
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(!window.isUpgrading(), 20000);
        QTest::qWait(2500);
        QCOMPARE(plugged.count(), 0);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!window.isRefreshPending(), 5000);
    QCOMPARE(window.upgrade().getFirmwareVersion(entry, name), versionAfter);

    for (const QString &entry : env)
        qunsetenv(entry.section(QLatin1Char('='), 0, 0).toLocal8Bit());
}

KESTREL_BENCH_MAIN(TestBenchDemo, QApplication)
#include "tst_bench_demo.moc"
