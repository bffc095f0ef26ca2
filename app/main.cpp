#include "app/MainWindow.h"
#include "release/HttpClass.h"
#include "settings/LogFile.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    initLogFile();

    QFont font = QApplication::font();
    font.setPointSize(14);
    QApplication::setFont(font);

    auto *mainWindow = new MainWindow(nullptr);
    // What the window wrote while it was built stays out of the file.
    qInstallMessageHandler(outputMessage);

    QApplication::setFont(QFont(QStringLiteral("Microsoft Yahei"), 10));
    QApplication::setWindowIcon(QIcon(QStringLiteral("://LOGO_Norvo.ico")));
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);

    // Until the frameless frame hosts it, the window carries the tool's title itself.
    mainWindow->setWindowTitle(QObject::tr("诺沃升级工具") + QLatin1Char('-') + g_httpClass.getConfig().version);
    mainWindow->show();
    return application.exec();
}
