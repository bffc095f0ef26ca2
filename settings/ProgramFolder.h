#pragma once

#include <QString>

// The folder the installation lives in; every installed file is addressed from it.
// Tests point it at a temporary program folder.
class ProgramFolder
{
public:
    static QString path();
    // "tovrek/tovrek" -> "tovrek/tovrek.exe" where programs carry the suffix.
    static QString executableName(const QString &relativePath);
    static void setOverride(const QString &folder);

private:
    static QString s_override;
};
