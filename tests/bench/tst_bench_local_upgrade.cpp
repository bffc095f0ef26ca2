// A local upgrade end to end on the bench: the window starts the real tovrek (with the
// vendor library stand-in) or the VELD stand-in and follows what they print.
#include "BenchTest.h"
#include "ScopedEnvironment.h"
#include "TestProgramFolder.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "release/HttpClass.h"
#include "settings/ConfigFile.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

Q_DECLARE_METATYPE(QVector<BenchDevice>)

namespace {

const QString kDone = QStringLiteral("升级完毕!");
const QString kError = QStringLiteral("升级出错,请重新插拔设备,重启软件再升级!");

QStringList logEntries(MainWindow &window)
{
    return logEntries(window.findChild<QTextEdit *>(QStringLiteral("textEdit_info")));
}

QStringList boxTexts(const QList<Dialogs::Shown> &shown, const QString &kind)
{
    QStringList texts;
    for (const Dialogs::Shown &box : shown) {
        if (box.kind == kind)
            texts << box.text;
    }
    return texts;
}

void clickLocalUpdate(MainWindow &window)
{
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_localUpdate")), Qt::LeftButton);
}

} // namespace

class TestLocalUpgrade : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void tovrekUpgrade_data();
    void tovrekUpgrade();
    void veldOutcomes_data();
    void veldOutcomes();
    void veldVersion();
    void missingFlashingProgram();
    void stopsBeforeFlashing_data();
    void stopsBeforeFlashing();
    void fileDialogRemembersItsFolder();
};

void TestLocalUpgrade::init()
{
    Dialogs::setScripted(true);
}

void TestLocalUpgrade::tovrekUpgrade_data()
{
    QTest::addColumn<QByteArray>("failingStep");
    QTest::addColumn<bool>("withLibrary");
    QTest::addColumn<QString>("folderName");
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("progressMoved");

    // The folder name holds "fail": tovrek's echo of it must not end the upgrade.
    const QString folderName = QStringLiteral("failsafe");
    QTest::newRow("success") << QByteArray() << true << folderName << kDone << true;
    QTest::newRow("connection fails") << QByteArray("connect") << true << folderName << kError << false;
    QTest::newRow("update fails") << QByteArray("update") << true << folderName << kError << true;
    QTest::newRow("vendor library missing") << QByteArray() << false << folderName << kError << false;
    // tovrek refuses it on standard error alone and exits.
    QTest::newRow("path too long for the vendor library")
        << QByteArray() << true << QStringLiteral("固件").repeated(45) << kError << false;
}

void TestLocalUpgrade::tovrekUpgrade()
{
    QFETCH(QByteArray, failingStep);
    QFETCH(bool, withLibrary);
    QFETCH(QString, folderName);
    QFETCH(QString, box);
    QFETCH(bool, progressMoved);

    TestProgramFolder folder;
    if (!withLibrary)
        QVERIFY(QFile::remove(folder.filePath(QStringLiteral("tovrek/libbtapi.so"))));
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    QVERIFY(bench.plug(BenchDevice::dac()) >= 0);
    ScopedEnvironment env;
    env.set("BTAPI_SIM_VID", "32bb");
    env.set("BTAPI_SIM_PID", "4");
    env.set("BTAPI_SIM_FAIL", failingStep);
    env.set("BTAPI_SIM_LOG", folder.filePath(QStringLiteral("btapi.log")).toLocal8Bit());
    const QString firmware = folder.writeFile(folderName + QStringLiteral("/DAC_v2.bin"), QByteArray(3 * 4096 + 10, 'x'));

    MainWindow window;
    auto *list = window.findChild<QComboBox *>(QStringLiteral("comboBox_deviceList"));
    QSignalSpy progress(window.findChild<QProgressBar *>(QStringLiteral("progressBar")), &QProgressBar::valueChanged);
    QSignalSpy listChanges(list, &QComboBox::currentTextChanged);
    Dialogs::queueFileName(firmware);
    Dialogs::queueAnswer(QMessageBox::Yes);
    clickLocalUpdate(window);

    QVERIFY(window.isUpgrading());
    QCOMPARE(logEntries(window).value(0), QStringLiteral("升级开始,请勿关闭软件或断开设备连接!如果发生错误,请重新插拔设备再升级."));
    QTRY_VERIFY_WITH_TIMEOUT(!window.isUpgrading(), 15000);

    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(boxTexts(shown, QStringLiteral("information")), QStringList{box});
    QCOMPARE(logEntries(window).value(0), box);
    QVERIFY(list->isEnabled());
    bool moved = false;
    for (const QList<QVariant> &value : qAsConst(progress))
        moved = moved || value.at(0).toInt() > 0;
    QCOMPARE(moved, progressMoved);
    // Lines that arrive together are painted once; the bar must paint again after them.
    QTRY_VERIFY(window.findChild<QProgressBar *>(QStringLiteral("progressBar"))->updatesEnabled());

    if (box == kDone) {
        QVERIFY(logEntries(window).contains(QStringLiteral("数据下载完毕,等待设备重启.....请稍候!")));
        QVERIFY(listChanges.count() >= 2);  // the list was rebuilt
        QCOMPARE(list->currentText(), QStringLiteral("DAC(0x32BB/0x0004,0xFF32,0x0003)"));
        QFile transactions(folder.filePath(QStringLiteral("btapi.log")));
        QVERIFY(transactions.open(QIODevice::ReadOnly));
        const QByteArray log = transactions.readAll();
        QVERIFY(log.contains("vendor_id=0x32bb product_id=0x4"));
        QVERIFY(log.contains("fota_package_filename=" + firmware.toUtf8()));
    }
}

void TestLocalUpgrade::veldOutcomes_data()
{
    QTest::addColumn<QByteArray>("outcome");
    QTest::addColumn<bool>("ends");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("entry");

    QTest::newRow("success") << QByteArray("success") << true << kDone << kDone;
    // Once the program has ended the window is idle again and says the device goes on alone.
    QTest::newRow("loader finishes on its own")
        << QByteArray("loader") << true << QStringLiteral("设备正在自行完成升级,请勿拔出设备,直到设备重启!")
        << QStringLiteral("固件更新中,请等待设备自动升级.....");
    QTest::newRow("fail") << QByteArray("fail") << true << kError << kError;
    QTest::newRow("command fail") << QByteArray("command-fail") << true << kError << "";
    QTest::newRow("device not readable") << QByteArray("unable-to-read") << true
                                         << "Error: Unable to read, err 1167\n" << "";
    QTest::newRow("chip answered") << QByteArray("received") << true << kDone << kDone;
    QTest::newRow("device updating, then done") << QByteArray("no-device") << true << kDone
                                                << QStringLiteral("设备更新中.....请稍候!");
}

void TestLocalUpgrade::veldOutcomes()
{
    QFETCH(QByteArray, outcome);
    QFETCH(bool, ends);
    QFETCH(QString, box);
    QFETCH(QString, entry);

    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    QVERIFY(bench.plug(BenchDevice::veld(QStringLiteral("Velmora X"))) >= 0);
    ScopedEnvironment env;
    env.set("VELD_SIM_OUTCOME", outcome);
    env.set("VELD_SIM_ARGS_LOG", folder.filePath(QStringLiteral("veld-args.log")).toLocal8Bit());
    const QString firmware = folder.writeFile(QStringLiteral("download/Velmora X_1.06.bin"), QByteArray(9000, 'v'));

    MainWindow window;
    QFile::remove(folder.filePath(QStringLiteral("veld-args.log")));  // drop the version query's line
    Dialogs::queueFileName(firmware);
    Dialogs::queueAnswer(QMessageBox::Yes);
    clickLocalUpdate(window);
    QVERIFY(window.isUpgrading());

    if (ends)
        QTRY_VERIFY_WITH_TIMEOUT(!window.isUpgrading(), 15000);
    else
        QTRY_VERIFY_WITH_TIMEOUT(logEntries(window).contains(entry), 15000);
    if (!ends)
        QTest::qWait(500);  // the program ends; the device goes on alone
    QCOMPARE(window.isUpgrading(), !ends);
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(boxTexts(shown, QStringLiteral("information")), box.isEmpty() ? QStringList{} : QStringList{box});
    if (!entry.isEmpty())
        QVERIFY2(logEntries(window).contains(entry), qPrintable(logEntries(window).join(QLatin1Char('|'))));
    else
        QVERIFY(!logEntries(window).contains(box));

    QFile arguments(folder.filePath(QStringLiteral("veld-args.log")));
    QVERIFY(arguments.open(QIODevice::ReadOnly));
    QVERIFY(arguments.readAll().contains("a12 4007 1 ff00"));
}

void TestLocalUpgrade::veldVersion()
{
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    QVERIFY(bench.plug(BenchDevice::veld(QStringLiteral("Velmora X"))) >= 0);
    UpgradeClass upgrade;
    const QString entry = upgrade.listSupportedDevices().value(0);
    QString name;
    QCOMPARE(upgrade.getFirmwareVersion(entry, name), QStringLiteral("1.05"));
    QCOMPARE(name, QStringLiteral("Velmora X"));

    ScopedEnvironment env;
    env.set("VELD_SIM_VERSION_FAIL", "1");
    QCOMPARE(upgrade.getFirmwareVersion(entry, name), QString());
}

void TestLocalUpgrade::missingFlashingProgram()
{
    TestProgramFolder folder(TestProgramFolder::WithSettingFolder);
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    QVERIFY(bench.plug(BenchDevice::dac()) >= 0);
    const QString firmware = folder.writeFile(QStringLiteral("download/DAC.bin"), "x");
    MainWindow window;
    Dialogs::queueFileName(firmware);
    Dialogs::queueAnswer(QMessageBox::Yes);
    clickLocalUpdate(window);

    QVERIFY(!window.isUpgrading());
    const QString expected = QStringLiteral("升级发生了错误,可能是设备没正确连接或者工具路径问题.\n"
                                            "1.设备没正确连接问题请重新插拔设备再重试\n"
                                            "2.工具路径问题请安装到非中文路径并且不带空格符号的路径下面再重试.");
    QCOMPARE(logEntries(window).value(0), expected);
    auto *view = window.findChild<QTextEdit *>(QStringLiteral("textEdit_info"));
    const QTextBlock first = view->document()->begin();
    QCOMPARE(first.begin().fragment().charFormat().foreground().color(), QColor(Qt::red));
    QCOMPARE(view->textColor(), QColor(Qt::black));
}

void TestLocalUpgrade::stopsBeforeFlashing_data()
{
    QTest::addColumn<QVector<BenchDevice>>("devices");
    QTest::addColumn<QString>("fileName");      // empty: the dialog is cancelled
    QTest::addColumn<QList<int>>("answers");    // confirmation, then model warning
    QTest::addColumn<QStringList>("boxes");     // kinds of the boxes shown, in order
    QTest::addColumn<QString>("boxText");       // text of the last box
    QTest::addColumn<bool>("folderStored");

    const QVector<BenchDevice> dac{BenchDevice::dac(QStringLiteral("Norvo Q9Z"))};
    BenchDevice twin = BenchDevice::dac(QStringLiteral("Norvo A"));
    twin.serial = QStringLiteral("0002");
    const QString warning = QStringLiteral("注意:选择的固件可能不是设备的升级固件,\n继续升级可能会导致错误,设备无法启动, 是否继续升级?");
    QTest::newRow("no device") << QVector<BenchDevice>{} << "x.bin" << QList<int>{} << QStringList{"critical"}
                               << "没有找到设备" << false;
    QTest::newRow("duplicate devices")
        << QVector<BenchDevice>{BenchDevice::dac(QStringLiteral("Norvo A")), twin}
        << "x.bin" << QList<int>{} << QStringList{"critical", "critical"}
        << "注意:检测到有多个相同ID值的设备,为防止升级错误,请先拔除再升级!" << false;
    QTest::newRow("dialog cancelled") << dac << "" << QList<int>{} << QStringList{"file"} << "" << false;
    QTest::newRow("confirmation refused") << dac << "Q9Z_v2.bin" << QList<int>{QMessageBox::No}
                                          << QStringList{"file", "yesno"} << "确定要升级本固件吗?" << false;
    QTest::newRow("model in other letter case warns")
        << dac << "q9z_v2.bin" << QList<int>{QMessageBox::Yes, QMessageBox::No}
        << QStringList{"file", "yesno", "question"} << warning << true;
    QTest::newRow("unrelated file warns") << dac << "update.bin" << QList<int>{QMessageBox::Yes, QMessageBox::No}
                                          << QStringList{"file", "yesno", "question"} << warning << true;
}

void TestLocalUpgrade::stopsBeforeFlashing()
{
    QFETCH(QVector<BenchDevice>, devices);
    QFETCH(QString, fileName);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, boxes);
    QFETCH(QString, boxText);
    QFETCH(bool, folderStored);

    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    for (const BenchDevice &device : qAsConst(devices))
        QVERIFY(bench.plug(device) >= 0);
    folder.writeConfig("{\"version\":\"1.0\"}");
    MainWindow window;
    const QString firmware = fileName.isEmpty() ? QString() : folder.writeFile(QStringLiteral("fw/") + fileName, "x");
    Dialogs::queueFileName(firmware);
    for (int answer : answers)
        Dialogs::queueAnswer(QMessageBox::StandardButton(answer));
    clickLocalUpdate(window);

    QVERIFY(!window.isUpgrading());
    QCOMPARE(logEntries(window).size(), 1);  // only the notice
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QStringList kinds;
    for (const Dialogs::Shown &box : shown)
        kinds << box.kind;
    QCOMPARE(kinds, boxes);
    if (!boxText.isEmpty())
        QCOMPARE(shown.last().text, boxText);
    QCOMPARE(folder.readConfig().contains("\"lastDir\": \"" + folder.filePath(QStringLiteral("fw")).toUtf8()),
             folderStored);
    // The path stays shown once the file is confirmed, even when the warning stops it.
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("lineEdit_filepath"))->text(),
             folderStored ? firmware : QString());
}

void TestLocalUpgrade::fileDialogRemembersItsFolder()
{
    TestProgramFolder folder;
    DeviceBench bench;
    KESTREL_REQUIRE_BENCH(bench);
    QVERIFY(bench.plug(BenchDevice::dac()) >= 0);
    folder.writeConfig("{\"productName\":\"Tool\",\"version\":\"1.0\",\"lastDir\":\"\"}");
    const QString firmware = folder.writeFile(QStringLiteral("my firmware/other.bin"), "x");
    {
        MainWindow window;
        Dialogs::queueFileName(firmware);
        Dialogs::queueAnswer(QMessageBox::Yes);
        Dialogs::queueAnswer(QMessageBox::No);  // the model warning stops it
        clickLocalUpdate(window);
        QCOMPARE(Dialogs::takeShown().value(0).text, folder.filePath(QStringLiteral("download")));

        clickLocalUpdate(window);  // cancelled
        QCOMPARE(Dialogs::takeShown().value(0).text, folder.filePath(QStringLiteral("my firmware")));
    }
    AppConfig stored;
    QVERIFY(ConfigFile::read(ConfigFile::defaultPath(), stored));
    QCOMPARE(stored.lastDir, folder.filePath(QStringLiteral("my firmware")));
    QCOMPARE(stored.productName, QStringLiteral("Tool"));

    // The next run reads it back from the file.
    g_httpClass.setLastDir(QString());
    folder.writeConfig(QByteArray("{\"lastDir\":\"") + folder.filePath(QStringLiteral("my firmware")).toUtf8() + "\"}");
    MainWindow next;
    clickLocalUpdate(next);
    QCOMPARE(Dialogs::takeShown().value(0).text, folder.filePath(QStringLiteral("my firmware")));
}

KESTREL_BENCH_MAIN(TestLocalUpgrade, QApplication)
#include "tst_bench_local_upgrade.moc"
