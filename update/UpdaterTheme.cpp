#include "update/UpdaterTheme.h"

#include <QApplication>
#include <QColor>
#include <QFile>
#include <QPalette>

void applyUpdaterTheme()
{
    QFile sheet(QStringLiteral(":/qss/silvery.css"));
    if (!sheet.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = sheet.readAll();
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    const QString text = QString::fromUtf8(bytes);
    // The sheet's first rule starts with the window colour at a fixed place.
    QApplication::setPalette(QPalette(QColor(text.mid(20, 7))));
    qApp->setStyleSheet(text);
}
