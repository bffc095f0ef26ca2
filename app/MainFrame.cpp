#include "app/MainFrame.h"

// The frame library may not be part of this build yet; without it there is never a
// frame to re-title.
#if __has_include("frame/QUIWidget.h")
#include "frame/QUIWidget.h"
#define KESTREL_HAVE_FRAME 1
#endif

QUIWidget *g_mainFrame = nullptr;

void setMainFrameTitle(const QString &title)
{
    if (!g_mainFrame)
        return;
#ifdef KESTREL_HAVE_FRAME
    g_mainFrame->setTitle(title);
#else
    Q_UNUSED(title)
#endif
}
