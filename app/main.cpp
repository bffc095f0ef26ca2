#include "app/MainWindow.h"
#include "app/ToolUpdate.h"
#include "release/ToolRelease.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);

    QFont font = QApplication::font();
    font.setPointSize(14);
    QApplication::setFont(font);

    auto *mainWindow = new MainWindow(nullptr);

    if (offerToolUpdate(*mainWindow)) {
        // Its lookup workers must end before the process does.
        delete mainWindow;
        return 0;
    }

    QApplication::setFont(QFont(QStringLiteral("Microsoft Yahei"), 10));
    QApplication::setWindowIcon(QIcon(QStringLiteral("://LOGO_Norvo.ico")));
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);

    // Until the frameless frame hosts it, the window carries the tool's title itself.
    mainWindow->setWindowTitle(QObject::tr("诺沃升级工具") + QLatin1Char('-') + g_appConfig.version);
    mainWindow->show();
    return application.exec();
}
