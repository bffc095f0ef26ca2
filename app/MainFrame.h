#pragma once

#include <QString>

class QUIWidget;

// The frameless frame that hosts the main window; null until main has made it.
extern QUIWidget *g_mainFrame;

// Sets the frame's title bar text (which also re-labels its theme menu); does nothing
// while no frame exists.
void setMainFrameTitle(const QString &title);
