#include "app/MainFrame.h"

#include "frame/QUIWidget.h"

#include <QObject>
#include <QString>

QUIWidget *g_mainFrame = nullptr;

QUIWidget *createMainFrame(QWidget *mainWindow, const QString &version)
{
    g_mainFrame = new QUIWidget;
    g_mainFrame->setMainWidget(mainWindow, true);
    g_mainFrame->setFix(true);
    g_mainFrame->setSizeGripEnabled(false);
    g_mainFrame->setTitle(QObject::tr("诺沃升级工具") + QLatin1Char('-') + version);
    g_mainFrame->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    g_mainFrame->setVisible(QUIWidget::BtnMenu, true);
    g_mainFrame->setTitleHeight(35);
    g_mainFrame->setNoMaxBtn();
    return g_mainFrame;
}

void setMainFrameTitle(const QString &title)
{
    if (g_mainFrame)
        g_mainFrame->setTitle(title);
}
