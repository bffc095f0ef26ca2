#pragma once

#include "flash/SupportedDevice.h"

#include <QString>

// Asks a flashing program for the firmware version of its device; blocks for at most
// 30 s to start and 30 s to finish. Empty when the program cannot start or says nothing.
class ToolVersionQuery
{
public:
    static QString run(const QString &programFolder, const SupportedDevice &row);
    // "version=1,05;" -> "1.05"; empty when the chunk carries no version.
    static QString versionFromChunk(const QString &chunk);
};
