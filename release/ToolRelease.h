#pragma once

#include "settings/AppConfig.h"

// The configuration as the tool's own release check read it at start-up.
extern AppConfig g_appConfig;

// Asks the release server about the tool itself; true when it offers a release.
// Blocks the caller for one form post.
bool checkNewVersion();
