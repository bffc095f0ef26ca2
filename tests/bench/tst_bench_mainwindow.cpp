// The main window on the bench: operation log, busy state, close guard, the reboot
// button, the PEQ link and the refresh after hot-plug notifications. The list at start
// and the version button are in tst_bench_window.
#include "BenchTest.h"
#include "TestProgramFolder.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

Q_DECLARE_METATYPE(BenchDevice)

namespace {

QTextEdit *logView(MainWindow &window)
{
    return window.findChild<QTextEdit *>(QStringLiteral("textEdit_info"));
}

QComboBox *deviceList(MainWindow &window)
{
    return window.findChild<QComboBox *>(QStringLiteral("comboBox_deviceList"));
}

QStringList entries(MainWindow &window)
{
    return logEntries(logView(window));
}

QColor colourOf(MainWindow &window, const QString &text)
{
    for (QTextBlock block = logView(window)->document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().contains(text))
            return block.begin().fragment().charFormat().foreground().color();
    }
    return QColor();
}

void log(MainWindow &window, const QString &text)
{
    QMetaObject::invokeMethod(&window, "insertStringToFirstLine", Q_ARG(QString, text));
}

bool peqLinkShown(MainWindow &window)
{
    return !window.findChild<QPushButton *>(QStringLiteral("pushButton_url"))->isHidden()
        && !window.findChild<QWidget *>(QStringLiteral("label_space"))->isHidden();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void logIsNewestFirstInTheCallersColour();
    void busyState();
    void closeGuard_data();
    void closeGuard();
    void rebootButton();
    void peqLink_data();
    void peqLink();
    void burstOfNotificationsGivesOneRefresh();
    void languageChangeRewritesTheNotice();
};

void TestMainWindow::init()
{
    Dialogs::setScripted(true);
}

void TestMainWindow::logIsNewestFirstInTheCallersColour()
{
    TestProgramFolder folder;
    DeviceBench bench;  // nothing plugged: the machine's own devices stay out of sight
    KESTREL_REQUIRE_BENCH(bench);
    MainWindow window;
    QCOMPARE(entries(window).size(), 1);
    QVERIFY(entries(window).at(0).startsWith(QStringLiteral("升级注意:\n1.USB")));
    QCOMPARE(entries(window).at(0).count(QLatin1Char('\n')), 3);

    logView(window)->clear();
    log(window, QStringLiteral("oldest"));
    QVERIFY(QRegularExpression(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\]oldest$"))
                .match(logView(window)->toPlainText())
                .hasMatch());

    logView(window)->setTextColor(Qt::red);
    log(window, QStringLiteral("middle"));
    logView(window)->setTextColor(Qt::black);
    log(window, QStringLiteral("newest"));

    QCOMPARE(entries(window), (QStringList{"newest", "middle", "oldest"}));
    QCOMPARE(colourOf(window, QStringLiteral("middle")), QColor(Qt::red));
    QCOMPARE(colourOf(window, QStringLiteral("newest")), QColor(Qt::black));
    QCOMPARE(colourOf(window, QStringLiteral("oldest")), QColor(Qt::black));
}

void TestMainWindow::busyState()
{
    TestProgramFolder folder;
    DeviceBench bench;  // nothing plugged: the machine's own devices stay out of sight
    KESTREL_REQUIRE_BENCH(bench);
    MainWindow window;
    const QStringList controls{"comboBox_deviceList", "pushButton_getVer", "pushButton_reboot",
                               "pushButton_localUpdate", "btn_download", "comboBox_lang"};
    auto *bar = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    bar->setValue(40);

    window.setControlsEnabled(false);
    QVERIFY(window.isUpgrading());
    for (const QString &name : controls)
        QVERIFY2(!window.findChild<QWidget *>(name)->isEnabled(), qPrintable(name));
    QVERIFY(window.findChild<QPushButton *>(QStringLiteral("pushButton_url"))->isEnabled());
    QVERIFY(window.findChild<QLineEdit *>(QStringLiteral("lineEdit_filepath"))->isEnabled());
    QCOMPARE(bar->value(), 0);

    bar->setValue(70);
    window.setControlsEnabled(true);
    QVERIFY(!window.isUpgrading());
    for (const QString &name : controls)
        QVERIFY2(window.findChild<QWidget *>(name)->isEnabled(), qPrintable(name));
    QCOMPARE(bar->value(), 0);
}

void TestMainWindow::closeGuard_data()
{
    QTest::addColumn<bool>("upgrading");
    QTest::addColumn<bool>("deviceListed");
    QTest::addColumn<bool>("closes");

    QTest::newRow("idle") << false << true << true;
    QTest::newRow("upgrading a listed device") << true << true << false;
    QTest::newRow("upgrading, device gone from the list") << true << false << true;
}

void TestMainWindow::closeGuard()
{
    QFETCH(bool, upgrading);
    QFETCH(bool, deviceListed);
    QFETCH(bool, closes);

    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    if (deviceListed)
        QVERIFY(bench.plug(BenchDevice::dac()) >= 0);
    MainWindow window;
    window.setControlsEnabled(!upgrading);
    Dialogs::takeShown();

    QCloseEvent event;
    QApplication::sendEvent(&window, &event);
    QCOMPARE(event.isAccepted(), closes);
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), closes ? 0 : 1);
    if (!closes)
        QCOMPARE(shown.at(0).text, QStringLiteral("正在升级中,请勿关闭软件!"));
}

void TestMainWindow::rebootButton()
{
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    const int slot = bench.plug(BenchDevice::dac());
    QVERIFY(slot >= 0);
    const QString node = QFileInfo(bench.devicePath(slot)).fileName();
    MainWindow window;
    bench.clearSentReports();
    QSignalSpy reboots(&bench, &DeviceBench::rebootRequested);

    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_reboot")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(reboots.count(), 1, 5000);
    const QStringList sent = bench.sentReports();
    QCOMPARE(sent.size(), 1);
    QVERIFY2(sent.at(0).startsWith(node + QStringLiteral(": 05 0A 00 00 10 00 00 00")), qPrintable(sent.at(0)));
    QCOMPARE(entries(window).size(), 1);  // nothing logged
}

void TestMainWindow::peqLink_data()
{
    QTest::addColumn<BenchDevice>("device");
    QTest::addColumn<bool>("shown");

    BenchDevice tarnik = BenchDevice::dac();
    tarnik.nameAnswer = BenchDevice::jsonAnswer("0", QStringLiteral("Tarnik One"));
    QTest::newRow("model Velmora") << BenchDevice::veld(QStringLiteral("Velmora V2")) << true;
    QTest::newRow("model Sorvik") << BenchDevice::veld(QStringLiteral("Sorvik"), 0x1243) << true;
    QTest::newRow("other model") << BenchDevice::dac() << false;
    QTest::newRow("reported name Tarnik") << tarnik << true;
    QTest::newRow("case matters") << BenchDevice::veld(QStringLiteral("velmora")) << false;
}

void TestMainWindow::peqLink()
{
    QFETCH(BenchDevice, device);
    QFETCH(bool, shown);

    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    QVERIFY(bench.plug(device) >= 0);
    MainWindow window;
    QCOMPARE(peqLinkShown(window), shown);

    if (shown) {
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_url")), Qt::LeftButton);
        const QList<Dialogs::Shown> opened = Dialogs::takeShown();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.at(0).kind, QStringLiteral("url"));
        QCOMPARE(opened.at(0).text, QString::fromLatin1(MainWindow::PeqToolUrl));
        QVERIFY(opened.at(0).text.startsWith(QStringLiteral("https://")));
    }
}

void TestMainWindow::burstOfNotificationsGivesOneRefresh()
{
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    MainWindow window;
    auto *notifier = window.findChild<DeviceNotifier *>();
    QVERIFY(notifier);
    QSignalSpy listChanges(deviceList(window), &QComboBox::currentTextChanged);

    // Plugging one device raises several notifications within the second; the bench's
    // own add events join the ones sent here.
    emit notifier->deviceChanged();
    const int dac = bench.plug(BenchDevice::dac());
    QVERIFY(dac >= 0);
    emit notifier->deviceChanged();
    emit notifier->deviceChanged();
    QVERIFY(window.isRefreshPending());
    QTest::qWait(500);
    QCOMPARE(listChanges.count(), 0);  // not before the second has passed

    QTRY_VERIFY_WITH_TIMEOUT(!window.isRefreshPending(), 3000);
    QTest::qWait(1200);
    // One refresh: the list is cleared once and filled once, with the device seen.
    QCOMPARE(listChanges.count(), 2);
    QCOMPARE(deviceList(window)->currentText(), QStringLiteral("DAC(0x32BB/0x0004,0xFF32,0x0003)"));

    // A notification after the refresh schedules a new one, duplicates included. The
    // refresh the bench's own events bring is let pass first.
    BenchDevice twin = BenchDevice::dac(QStringLiteral("Norvo A"));
    // Three devices' events at once overflow the monitor's socket: let the loop read
    // them in between.
    QVERIFY(bench.unplug(dac));
    QTest::qWait(200);
    QVERIFY(bench.plug(twin) >= 0);
    QTest::qWait(200);
    twin.serial = QStringLiteral("0002");
    QVERIFY(bench.plug(twin) >= 0);
    QTest::qWait(500);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isRefreshPending(), 3000);
    Dialogs::takeShown();
    emit notifier->deviceChanged();
    QVERIFY(window.isRefreshPending());
    QTRY_VERIFY_WITH_TIMEOUT(!window.isRefreshPending(), 3000);
    QCOMPARE(deviceList(window)->count(), 0);
    QCOMPARE(Dialogs::takeShown().size(), 1);
}

void TestMainWindow::languageChangeRewritesTheNotice()
{
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    MainWindow window;
    log(window, QStringLiteral("something"));
    QCOMPARE(entries(window).size(), 2);

    window.findChild<QComboBox *>(QStringLiteral("comboBox_lang"))->setCurrentIndex(1);
    QCOMPARE(entries(window).size(), 1);
    QVERIFY(entries(window).at(0).startsWith(QStringLiteral("升级注意:")));
}

KESTREL_BENCH_MAIN(TestMainWindow, QApplication)
#include "tst_bench_mainwindow.moc"
