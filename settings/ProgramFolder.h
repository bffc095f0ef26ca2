#pragma once

#include <QString>

// The folder the installation lives in; every installed file is addressed from it.
// Tests point it at a temporary program folder.
//
// A copy the user unpacked keeps its log/, setting/ and download/ beside the programs.
// A copy installed by the package manager lives in a folder the user cannot write;
// those three folders then go to the user's data folder, and the tool does not update
// itself (the package manager does).
class ProgramFolder
{
public:
    // Where the programs are: tovrek/, VELD/, update, the installed setting/config.json.
    static QString path();
    // Where log/, setting/ and download/ are: the program folder or the user's data folder.
    static QString dataPath();
    // The program folder cannot be written, as after a package install.
    static bool isInstalled();
    // Whether the tool may replace itself with a newer release.
    static bool updatesAllowed();
    // Creates the data folder of an installed copy and, at its first start, copies the
    // installed setting/config.json there as the default. True when the data folder is usable.
    static bool prepareDataFolder();

    // "tovrek/tovrek" -> "tovrek/tovrek.exe" where programs carry the suffix.
    static QString executableName(const QString &relativePath);
    static void setOverride(const QString &folder);

    // Tests decide writability instead of probing (root can write anywhere).
    enum class Writability { Probe, Writable, ReadOnly };
    static void setWritability(Writability writability);

private:
    static QString s_override;
    static Writability s_writability;
};
