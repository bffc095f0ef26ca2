// Flashes that go wrong: a flashing program that ends without an outcome, one that is
// killed, a package of zero bytes, and the tool itself killed mid-flash (its record
// offers the flash again at the next start). A device unplugged halfway is in
// tst_fault_unplug, on the bench.
#include "TestProgramFolder.h"

#include "BoxTexts.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "flash/FlashRecord.h"
#include "release/HttpClass.h"
#include "settings/ProgramFolder.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

namespace {

const QString kError = QStringLiteral("升级出错,请重新插拔设备,重启软件再升级!");
const QString kAlone = QStringLiteral("设备正在自行完成升级,请勿拔出设备,直到设备重启!");
const QString kStarted = QStringLiteral("升级开始,请勿关闭软件或断开设备连接!如果发生错误,请重新插拔设备再升级.");
const QString kVeldDevice = QStringLiteral("Velmora X");

QStringList entriesOf(MainWindow &window)
{
    return logEntries(window.findChild<QTextEdit *>(QStringLiteral("textEdit_info")));
}


void startLocalFlash(MainWindow &window, const QString &firmware)
{
    Dialogs::queueFileName(firmware);
    Dialogs::queueAnswer(QMessageBox::Yes);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton_localUpdate")), Qt::LeftButton);
}

bool isRed(MainWindow &window, const QString &entryStart)
{
    auto *view = window.findChild<QTextEdit *>(QStringLiteral("textEdit_info"));
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().mid(10).startsWith(entryStart))
            return block.begin().fragment().charFormat().foreground().color() == QColor(Qt::red);
    }
    return false;
}

// The child of the interrupted-flash test: starts a slow flash and waits to be killed.
int flashUntilKilled(const QString &folderPath)
{
    int argc = 1;
    char name[] = "flash-until-killed";
    char *argv[] = {name, nullptr};
    QApplication application(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ProgramFolder::setOverride(folderPath);
    Dialogs::setScripted(true);
    MainWindow window;
    startLocalFlash(window, folderPath + QStringLiteral("/download/Velmora X_1.06.bin"));
    if (!window.isUpgrading())
        return 3;
    return application.exec();
}

} // namespace

class TestFaultFlash : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void endsWithoutOutcome_data();
    void endsWithoutOutcome();
    void zeroBytePackage();
    void toolKilledMidFlash_data();
    void toolKilledMidFlash();
};

void TestFaultFlash::init()
{
    Dialogs::setScripted(true);
    Dialogs::takeShown();
    qunsetenv("VELD_SIM_OUTCOME");
    qunsetenv("VELD_SIM_DELAY_MS");
}

void TestFaultFlash::endsWithoutOutcome_data()
{
    QTest::addColumn<QByteArray>("outcome");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("entry");  // the newest log entry

    QTest::newRow("silent, exit code 0") << QByteArray("silent") << kError << kError;
    QTest::newRow("killed halfway") << QByteArray("killed") << kError << kError;
    QTest::newRow("loader finishes, program ends") << QByteArray("loader") << kAlone << kAlone;
    QTest::newRow("device updating, program ends") << QByteArray("updating") << kAlone << kAlone;
}

void TestFaultFlash::endsWithoutOutcome()
{
    QFETCH(QByteArray, outcome);
    QFETCH(QString, box);
    QFETCH(QString, entry);

    TestProgramFolder folder;
    folder.setDevices({TestProgramFolder::veldDevice(kVeldDevice)});
    qputenv("VELD_SIM_OUTCOME", outcome);
    const QString firmware = folder.writeFile(QStringLiteral("download/Velmora X_1.06.bin"), QByteArray(9000, 'v'));

    MainWindow window;
    startLocalFlash(window, firmware);
    QVERIFY(window.isUpgrading());
    QVERIFY(QFile::exists(FlashRecord::defaultPath()));
    QTRY_VERIFY_WITH_TIMEOUT(!window.isUpgrading(), 15000);

    QCOMPARE(boxTexts(Dialogs::takeShown()), QStringList{QStringLiteral("information:") + box});
    QCOMPARE(entriesOf(window).value(0), entry);
    QVERIFY(window.findChild<QPushButton *>(QStringLiteral("pushButton_localUpdate"))->isEnabled());
    // An outcome, even this one, is no interrupted flash.
    QVERIFY(!QFile::exists(FlashRecord::defaultPath()));
    // The close guard lets it go.
    QVERIFY(window.close());
}

void TestFaultFlash::zeroBytePackage()
{
    TestProgramFolder folder;
    folder.setDevices({TestProgramFolder::veldDevice(kVeldDevice)});
    qputenv("VELD_SIM_ARGS_LOG", folder.filePath(QStringLiteral("veld-args.log")).toLocal8Bit());
    const QString firmware = folder.writeFile(QStringLiteral("download/Velmora X_1.06.bin"), QByteArray());

    MainWindow window;
    QFile::remove(folder.filePath(QStringLiteral("veld-args.log")));
    startLocalFlash(window, firmware);
    qunsetenv("VELD_SIM_ARGS_LOG");

    QVERIFY(!window.isUpgrading());
    QCOMPARE(boxTexts(Dialogs::takeShown()), QStringList{QStringLiteral("critical:固件文件是空的,无法升级!")});
    QCOMPARE(entriesOf(window).value(0), QStringLiteral("固件文件是空的,无法升级!"));
    QVERIFY(isRed(window, QStringLiteral("固件文件是空的")));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("veld-args.log"))));  // never flashed
    QVERIFY(!QFile::exists(FlashRecord::defaultPath()));
}

void TestFaultFlash::toolKilledMidFlash_data()
{
    QTest::addColumn<QString>("afterwards");  // "yes", "no", "package changed"
    QTest::addColumn<bool>("offered");
    QTest::addColumn<bool>("recordKept");

    QTest::newRow("flashed again") << "yes" << true << false;
    QTest::newRow("declined") << "no" << true << false;
    QTest::newRow("package changed") << "package changed" << false << true;
}

void TestFaultFlash::toolKilledMidFlash()
{
    QFETCH(QString, afterwards);
    QFETCH(bool, offered);
    QFETCH(bool, recordKept);

    TestProgramFolder folder;
    folder.setDevices({TestProgramFolder::veldDevice(kVeldDevice)});
    const QString firmware = folder.writeFile(QStringLiteral("download/Velmora X_1.06.bin"), QByteArray(2 * 4096, 'v'));

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELD_SIM_DELAY_MS"), QStringLiteral("15000"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--flash-until-killed"), folder.path()});
    QVERIFY(child.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(FlashRecord::defaultPath()) || child.state() == QProcess::NotRunning,
                             30000);
    QCOMPARE(child.state(), QProcess::Running);
    child.kill();
    QVERIFY(child.waitForFinished(10000));
    QVERIFY(QFile::exists(FlashRecord::defaultPath()));

    if (afterwards == QLatin1String("package changed"))
        folder.writeFile(QStringLiteral("download/Velmora X_1.06.bin"), QByteArray(2 * 4096, 'w'));
    Dialogs::queueAnswer(afterwards == QLatin1String("yes") ? QMessageBox::Yes : QMessageBox::No);
    MainWindow window;
    const QString interrupted = QStringLiteral("上次对 %1 的升级").arg(kVeldDevice);
    QVERIFY2(entriesOf(window).value(0).startsWith(interrupted), qPrintable(entriesOf(window).join('|')));
    QVERIFY(isRed(window, interrupted));

    if (offered) {
        QList<Dialogs::Shown> shown;
        QTRY_VERIFY_WITH_TIMEOUT((shown += Dialogs::takeShown(), !shown.isEmpty()), 10000);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, QStringLiteral("yesno"));
        QCOMPARE(shown.first().text, QStringLiteral("上次对 %1 的升级被中断,是否用固件 %2 重新升级?")
                                         .arg(kVeldDevice, QDir::toNativeSeparators(firmware)));
    } else {
        QTest::qWait(500);
        QVERIFY(Dialogs::takeShown().isEmpty());
    }
    if (afterwards == QLatin1String("yes")) {
        QVERIFY(window.isUpgrading());
        QCOMPARE(entriesOf(window).value(0), kStarted);
        QTRY_VERIFY_WITH_TIMEOUT(!window.isUpgrading(), 15000);
        QCOMPARE(entriesOf(window).value(0), QStringLiteral("升级完毕!"));
    } else {
        QVERIFY(!window.isUpgrading());
    }
    QCOMPARE(QFile::exists(FlashRecord::defaultPath()), recordKept);
}

int main(int argc, char **argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--flash-until-killed") == 0)
        return flashUntilKilled(QString::fromLocal8Bit(argv[2]));
    QApplication application(argc, argv);
    TestFaultFlash test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fault_flash.moc"
