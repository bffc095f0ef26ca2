#include "app/ToolUpdate.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "release/ToolRelease.h"
#include "settings/ProgramFolder.h"

#include <QCoreApplication>
#include <QDebug>
#include <QProcess>

bool offerToolUpdate(MainWindow &window)
{
    // The package manager updates an installed copy; update could not write there anyway.
    if (!ProgramFolder::updatesAllowed()) {
        qDebug() << "tool update not offered: this copy is installed, the package manager updates it";
        return false;
    }
    if (!checkNewVersion())
        return false;
    if (!window.askYesNo(QObject::tr("有新的版本,需要立即更新吗?")))
        return false;

    // Quoted, so that a program folder with blanks still works.
    const QString command = QLatin1Char('"') + ProgramFolder::path() + QLatin1Char('/')
        + ProgramFolder::executableName(QStringLiteral("update")) + QLatin1Char('"');
    QStringList arguments = QProcess::splitCommand(command);
    const QString program = arguments.isEmpty() ? QString() : arguments.takeFirst();
    if (!QProcess::startDetached(program, arguments)) {
        // Quitting now would leave the user with neither tool.
        qDebug() << "Failed to start" << command;
        Dialogs::information(nullptr, QCoreApplication::translate("MainWindow", "提示"),
                             QCoreApplication::translate("QObject", "无法启动升级程序,软件将正常启动."));
        return false;
    }
    qDebug() << "程序退出!";
    QCoreApplication::quit();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return true;
}
