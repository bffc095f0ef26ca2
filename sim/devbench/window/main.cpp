// The demo's device bench: a window to plug and unplug simulated devices while
// kestrelup runs on them.
//
//   devbench PROGRAM_FOLDER             starts PROGRAM_FOLDER/kestrelup on the bench
//   devbench --script SHOTS PROGRAM_FOLDER
//                                       a short scripted pass (plug, select, flash,
//                                       unplug) with the main window in this process,
//                                       one screenshot per step saved to SHOTS
#include "BenchWindow.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "settings/ProgramFolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

void wait(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

void click(QWidget &window, const char *name)
{
    if (auto *button = window.findChild<QAbstractButton *>(QLatin1String(name)))
        button->click();
}

int runScript(QApplication &app, const QString &folder, const QString &shots)
{
    Q_UNUSED(app)
    QDir().mkpath(shots);
    ProgramFolder::setOverride(folder);
    BenchController controller(QDir(folder).filePath(QStringLiteral("bench")));
    if (!controller.bench().isValid()) {
        std::fprintf(stderr, "devbench: %s\n", qPrintable(controller.bench().errorString()));
        return 1;
    }
    for (const QString &entry : controller.processEnvironment()) {
        if (!entry.startsWith(QLatin1String("LD_PRELOAD=")))
            qputenv(entry.section(QLatin1Char('='), 0, 0).toLocal8Bit(), entry.section(QLatin1Char('='), 1).toLocal8Bit());
    }
    Dialogs::setScripted(true);

    auto *mainWindow = new MainWindow(nullptr);
    mainWindow->setWindowTitle(QStringLiteral("kestrelup"));
    mainWindow->move(0, 0);
    mainWindow->show();
    BenchWindow benchWindow(controller);
    benchWindow.move(mainWindow->frameGeometry().right() + 12, 0);
    benchWindow.show();
    auto *list = mainWindow->findChild<QComboBox *>(QStringLiteral("comboBox_deviceList"));

    int step = 0;
    QTextStream out(stdout);
    const auto shoot = [&](const char *what) {
        wait(600);
        const QString file = QDir(shots).filePath(QStringLiteral("%1-%2.png").arg(++step).arg(QLatin1String(what)));
        QScreen *screen = QGuiApplication::primaryScreen();
        const QRect area = mainWindow->frameGeometry().united(benchWindow.frameGeometry());
        screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(file);
        out << file << '\n';
        out.flush();
    };
    const QString dac = QStringLiteral("Norvo DAC(0x32BB/0x0004,0xFF32,0x0003)");

    shoot("start");
    benchWindow.plugButton(BenchController::Dac)->click();
    const bool listed = waitFor([&] { return list->currentText() == dac; }, 8000);
    shoot("plugged");
    click(*mainWindow, "pushButton_getVer");
    shoot("selected");

    const QString firmware = QDir(folder).filePath(QStringLiteral("download/DAC_v1.06.bin"));
    Dialogs::queueFileName(firmware);
    Dialogs::queueAnswer(QMessageBox::Yes);
    click(*mainWindow, "pushButton_localUpdate");
    waitFor([&] { return !mainWindow->isUpgrading(); }, 60000);
    // The device restarts with the new version and the refresh finds it again.
    wait(2500);
    waitFor([&] { return list->currentText() == dac && !mainWindow->isRefreshPending(); }, 8000);
    click(*mainWindow, "pushButton_getVer");
    shoot("flashed");

    benchWindow.plugButton(BenchController::Dac)->click();
    // The entry follows the interface language.
    const QString noDevice = QCoreApplication::translate("QObject", "没有找到设备");
    const bool gone = waitFor([&] { return list->currentText() == noDevice; }, 8000);
    shoot("unplugged");
    return listed && gone ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const bool script = argc == 4 && qstrcmp(argv[1], "--script") == 0;
    if (!script && argc != 2) {
        std::fprintf(stderr, "usage: devbench [--script SHOTS] PROGRAM_FOLDER\n");
        return 2;
    }
    // umockdev sends uevents through libudev, and the scripted pass hosts the main
    // window here: both need the preload in this process too.
    if (!DeviceBench::ensurePreloaded(argv))
        return 1;
    QApplication app(argc, argv);
    if (script)
        return runScript(app, QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[2]));

    const QString folder = QString::fromLocal8Bit(argv[1]);
    BenchController controller(QDir(folder).filePath(QStringLiteral("bench")));
    if (!controller.bench().isValid()) {
        std::fprintf(stderr, "devbench: %s\n", qPrintable(controller.bench().errorString()));
        return 1;
    }
    BenchWindow window(controller);
    // At the screen's right edge, so that kestrelup does not cover it.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    window.move(screen.right() - window.frameGeometry().width(), screen.top());
    window.show();

    QProcess kestrelup;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &entry : controller.processEnvironment())
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    kestrelup.setProcessEnvironment(env);
    kestrelup.setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(&kestrelup, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &app,
                     &QCoreApplication::quit);
    kestrelup.start(QDir(folder).filePath(QStringLiteral("kestrelup")), QStringList());
    if (!kestrelup.waitForStarted(10000)) {
        std::fprintf(stderr, "devbench: kestrelup did not start\n");
        return 1;
    }
    const int result = app.exec();
    if (kestrelup.state() != QProcess::NotRunning) {
        kestrelup.terminate();
        kestrelup.waitForFinished(5000);
    }
    return result;
}
