#pragma once

// The one place the updater's look is set: the silvery theme sheet and the palette
// taken from it, applied to the whole application. Without the sheet among the
// resources the look stays Qt's own.
void applyUpdaterTheme();
