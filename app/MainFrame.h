#pragma once

class QString;
class QUIWidget;
class QWidget;

// The frame that hosts the main window; null until the start-up creates it. The
// language switch re-titles the frame through it.
extern QUIWidget *g_mainFrame;

// Puts the main window into a new frame set up as the tool shows it (35-pixel title
// bar, theme drop-down, no maximise button, the title with the version), stores the
// frame in g_mainFrame and returns it, not yet shown.
QUIWidget *createMainFrame(QWidget *mainWindow, const QString &version);

// Sets the frame's title bar text (which also re-labels its theme menu); does nothing
// while no frame exists.
void setMainFrameTitle(const QString &title);
