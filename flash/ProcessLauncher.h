#pragma once

#include <QString>

class QProcess;

// Starts a process from one command-line string, split like a shell would at blanks
// outside double quotes (the quotes are dropped).
namespace ProcessLauncher {

void start(QProcess &process, const QString &commandLine);

} // namespace ProcessLauncher
