// A device pulled out halfway through a tovrek flash, on the bench: the kernel's remove
// events reach the window's monitor, and the vendor library fails the next page.
#include "BenchTest.h"
#include "TestProgramFolder.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "flash/FlashRecord.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>

namespace {

const QString kError = QStringLiteral("升级出错,请重新插拔设备,重启软件再升级!");

QStringList boxTexts(const QList<Dialogs::Shown> &shown)
{
    QStringList texts;
    for (const Dialogs::Shown &box : shown) {
        if (box.kind == QLatin1String("information") || box.kind == QLatin1String("critical"))
            texts << box.kind + QLatin1Char(':') + box.text;
    }
    return texts;
}

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
    void deviceUnpluggedMidFlash();
};

void TestFaultUnplug::deviceUnpluggedMidFlash()
{
    Dialogs::setScripted(true);
    Dialogs::takeShown();
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    const int slot = bench.plug(BenchDevice::dac());
    QVERIFY(slot >= 0);

    // The vendor library reads the failing step before each page.
    const QString failFile = folder.filePath(QStringLiteral("btapi-fail.txt"));
    QVERIFY(writeLine(failFile, ""));
    qputenv("BTAPI_SIM_VID", "32bb");
    qputenv("BTAPI_SIM_PID", "4");
    qputenv("BTAPI_SIM_PAGE_DELAY_MS", "250");
    qputenv("BTAPI_SIM_FAIL_FILE", failFile.toLocal8Bit());
    const QString firmware = folder.writeFile(QStringLiteral("download/DAC_v1.06.bin"), QByteArray(60 * 4096, 'f'));

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
    // tovrek still runs: nothing has told the window why yet.
    QVERIFY(boxTexts(Dialogs::takeShown()).isEmpty());

    // With the device gone the library cannot write the next page; its report arrives
    // after the device left the list, and must still end the upgrade and say why.
    QVERIFY(writeLine(failFile, "update"));
    QList<Dialogs::Shown> shown;
    QTRY_VERIFY_WITH_TIMEOUT((shown += Dialogs::takeShown(), !boxTexts(shown).isEmpty()), 15000);
    QCOMPARE(boxTexts(shown), QStringList{QStringLiteral("information:") + kError});
    QVERIFY(!window.isUpgrading());
    QVERIFY(list->isEnabled());
    QVERIFY(!QFile::exists(FlashRecord::defaultPath()));
    QVERIFY(window.close());

    for (const char *name : {"BTAPI_SIM_VID", "BTAPI_SIM_PID", "BTAPI_SIM_PAGE_DELAY_MS", "BTAPI_SIM_FAIL_FILE"})
        qunsetenv(name);
}

KESTREL_BENCH_MAIN(TestFaultUnplug, QApplication)
#include "tst_fault_unplug.moc"
