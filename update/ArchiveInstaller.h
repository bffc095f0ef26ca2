#pragma once

#include <QString>

// Unpacks a release archive over the program folder in two steps: every entry goes
// into a staging folder inside the target folder first, and only when all of them are
// there are they moved over their targets, each by a rename. A failure in either step
// leaves the installation as it was. Refused: entries that would land outside the
// target folder, entries that cannot be read or written.
bool unzipFile(const QString &zipPath, const QString &targetDir);
