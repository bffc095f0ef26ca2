#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "frame/QUIWidget.h"
#include "release/HttpClass.h"
#include "settings/LogFile.h"
#include "settings/ProgramFolder.h"

#include <QApplication>
#include <QDebug>
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
    if (!ProgramFolder::updatesAllowed())
        qDebug() << "tool update not offered: this copy is installed, the package manager updates it";

    QApplication::setFont(QFont(QStringLiteral("Microsoft Yahei"), 10));
    QApplication::setWindowIcon(QIcon(QStringLiteral("://LOGO_Norvo.ico")));
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);

    createMainFrame(mainWindow, g_httpClass.getConfig().version);
    g_mainFrame->show();
    return application.exec();
}
