// kestrel_frameshot --folder <program folder> --theme <n> [--catalogue <file.qm>] --out <file.png>
//
// Starts the window as kestrelup does, with the theme number saved in the folder's
// style.dat and the catalogue installed, and saves a picture of the frame.
#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "frame/QUIWidget.h"
#include "release/HttpClass.h"
#include "settings/ProgramFolder.h"
#include "settings/Theme.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    Q_INIT_RESOURCE(kestrelup);

    QCommandLineParser parser;
    const QCommandLineOption folder(QStringLiteral("folder"), QStringLiteral("program folder"), QStringLiteral("path"));
    const QCommandLineOption theme(QStringLiteral("theme"), QStringLiteral("theme number"), QStringLiteral("n"));
    const QCommandLineOption catalogue(QStringLiteral("catalogue"), QStringLiteral("catalogue"), QStringLiteral("file"));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("picture"), QStringLiteral("file"));
    parser.addOptions({folder, theme, catalogue, out});
    parser.process(application);
    if (!parser.isSet(folder) || !parser.isSet(out)) {
        std::fprintf(stderr, "usage: kestrel_frameshot --folder <dir> --theme <n> [--catalogue <qm>] --out <png>\n");
        return 2;
    }
    ProgramFolder::setOverride(parser.value(folder));
    Theme::saveStyle(parser.value(theme).toInt());

    QTranslator translator;
    if (parser.isSet(catalogue)) {
        if (!translator.load(parser.value(catalogue))) {
            std::fprintf(stderr, "cannot load %s\n", qPrintable(parser.value(catalogue)));
            return 1;
        }
        QCoreApplication::installTranslator(&translator);
    }

    QFont font = QApplication::font();
    font.setPointSize(14);
    QApplication::setFont(font);
    auto *mainWindow = new MainWindow(nullptr);
    QApplication::setFont(QFont(QStringLiteral("Microsoft Yahei"), 10));
    QApplication::setWindowIcon(QIcon(QStringLiteral("://LOGO_Norvo.ico")));
    createMainFrame(mainWindow, g_httpClass.getConfig().version)->show();

    int result = 1;
    QTimer::singleShot(2000, &application, [&] {
        if (g_mainFrame->grab().save(parser.value(out)))
            result = 0;
        application.quit();
    });
    application.exec();
    return result;
}
