#include "flash/ProcessLauncher.h"

#include <QProcess>

namespace ProcessLauncher {

void start(QProcess &process, const QString &commandLine)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    const QString program = arguments.isEmpty() ? QString() : arguments.takeFirst();
    process.start(program, arguments, QIODevice::ReadWrite);
}

} // namespace ProcessLauncher
