#pragma once

#include <QString>

// Whether a file of the installation is this running program's own executable and
// cannot be replaced while it runs (Windows keeps it locked; elsewhere nothing is).
bool isLockedOwnExecutable(const QString &path);
