#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "app/ToolUpdate.h"
#include "frame/QUIWidget.h"
#include "release/ToolRelease.h"
#include "settings/LogFile.h"
#include "settings/ProgramFolder.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    ProgramFolder::prepareDataFolder();
    initLogFile();
    // The program's own resources come from a library.
    Q_INIT_RESOURCE(kestrelup);

    QFont font = QApplication::font();
    font.setPointSize(14);
    QApplication::setFont(font);

    auto *mainWindow = new MainWindow(nullptr);
    // What the window wrote while it was built stays out of the file.
    qInstallMessageHandler(outputMessage);

    if (offerToolUpdate(*mainWindow)) {
        // Its lookup workers must end before the process does.
        delete mainWindow;
        return 0;
    }

    QApplication::setFont(QFont(QStringLiteral("Microsoft Yahei"), 10));
    QApplication::setWindowIcon(QIcon(QStringLiteral("://LOGO_Norvo.ico")));
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);

    createMainFrame(mainWindow, g_appConfig.version);
    g_mainFrame->show();
    return application.exec();
}
