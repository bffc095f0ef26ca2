// The device row of the main window on the bench: the list at start, the version
// button and the PEQ link, with the devices behind the real hidapi.
#include "BenchTest.h"
#include "TestProgramFolder.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

Q_DECLARE_METATYPE(QVector<BenchDevice>)

namespace {

QStringList listed(MainWindow &window)
{
    auto *list = window.findChild<QComboBox *>(QStringLiteral("comboBox_deviceList"));
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

bool peqLinkShown(MainWindow &window)
{
    return !window.findChild<QPushButton *>(QStringLiteral("pushButton_url"))->isHidden()
        && !window.findChild<QWidget *>(QStringLiteral("label_space"))->isHidden();
}

QStringList entries(MainWindow &window)
{
    return logEntries(window.findChild<QTextEdit *>(QStringLiteral("textEdit_info")));
}

} // namespace

class TestBenchWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void startUp_data();
    void startUp();
    void versionButton_data();
    void versionButton();
};

void TestBenchWindow::init()
{
    Dialogs::setScripted(true);
    Dialogs::takeShown();
}

void TestBenchWindow::startUp_data()
{
    QTest::addColumn<QVector<BenchDevice>>("devices");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<bool>("warned");
    QTest::addColumn<bool>("peqLink");

    BenchDevice tarnik = BenchDevice::dac();
    tarnik.nameAnswer = BenchDevice::jsonAnswer("0", QStringLiteral("Tarnik One"));
    BenchDevice twin = BenchDevice::dac(QStringLiteral("Norvo DAC"));
    twin.serial = QStringLiteral("0002");

    QTest::newRow("nothing plugged") << QVector<BenchDevice>{} << QStringList{"没有找到设备"} << false << false;
    QTest::newRow("the DAC") << QVector<BenchDevice>{BenchDevice::dac()}
                             << QStringList{"DAC(0x32BB/0x0004,0xFF32,0x0003)"} << false << false;
    QTest::newRow("model Velmora") << QVector<BenchDevice>{BenchDevice::veld()}
                                   << QStringList{"Velmora V2(0x0A12/0x4007,0xFF00,0x0001)"} << false << true;
    QTest::newRow("reported name Tarnik") << QVector<BenchDevice>{tarnik}
                                          << QStringList{"DAC(0x32BB/0x0004,0xFF32,0x0003)"} << false << true;
    // The selection handler never ran, so the link keeps its first state.
    QTest::newRow("two identical devices of the maker")
        << QVector<BenchDevice>{BenchDevice::dac(QStringLiteral("Norvo DAC")), twin} << QStringList{} << true << true;
}

void TestBenchWindow::startUp()
{
    QFETCH(QVector<BenchDevice>, devices);
    QFETCH(QStringList, list);
    QFETCH(bool, warned);
    QFETCH(bool, peqLink);

    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    for (const BenchDevice &device : qAsConst(devices))
        QVERIFY(bench.plug(device) >= 0);
    MainWindow window;
    QCOMPARE(listed(window), list);
    QCOMPARE(peqLinkShown(window), peqLink);
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), warned ? 1 : 0);
    if (warned) {
        QCOMPARE(shown.at(0).kind, QStringLiteral("critical"));
        QCOMPARE(shown.at(0).title, QStringLiteral("提示"));
        QCOMPARE(shown.at(0).text, QStringLiteral("注意:检测到有多个相同ID值的设备,为防止升级错误,请先拔除再升级!"));
    }
}

void TestBenchWindow::versionButton_data()
{
    QTest::addColumn<QByteArray>("versionAnswer");
    QTest::addColumn<int>("faults");
    QTest::addColumn<QString>("entry");

    const QByteArray version = BenchDevice::jsonAnswer("3", QStringLiteral("V1.05"));
    QTest::newRow("answers") << version << 0 << "[当前固件版本:1.05]";
    QTest::newRow("read fails") << version << int(BenchDevice::FailRead) << "";
    QTest::newRow("send fails") << version << int(BenchDevice::FailSend) << "";
    QTest::newRow("no version member") << BenchDevice::jsonAnswer("0", QStringLiteral("DAC")) << 0 << "";
}

void TestBenchWindow::versionButton()
{
    QFETCH(QByteArray, versionAnswer);
    QFETCH(int, faults);
    QFETCH(QString, entry);

    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    const int slot = bench.plug(BenchDevice::dac());
    MainWindow window;
    bench.setAnswers(slot, bench.device(slot).nameAnswer, versionAnswer);
    bench.setFaults(slot, faults);
    auto *path = window.findChild<QLineEdit *>(QStringLiteral("lineEdit_filepath"));
    path->setText(QStringLiteral("/old.bin"));

    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_getVer")), Qt::LeftButton);
    QVERIFY(path->text().isEmpty());
    QCOMPARE(entries(window).size(), entry.isEmpty() ? 1 : 2);
    if (!entry.isEmpty())
        QCOMPARE(entries(window).at(0), entry);
}

KESTREL_BENCH_MAIN(TestBenchWindow, QApplication)
#include "tst_bench_window.moc"
