#pragma once

#include <QFont>
#include <QObject>

class QAbstractButton;
class QLabel;

// The icon font of the title bars (Font Awesome), loaded once per process.
class IconHelper : public QObject
{
    Q_OBJECT

public:
    static IconHelper *Instance();

    // The widget gets its own copy of the font at the given size, showing one glyph.
    void setIcon(QLabel *lab, QChar c, quint32 size = 9);
    void setIcon(QAbstractButton *btn, QChar c, quint32 size = 9);

    QFont iconFont() const { return m_iconFont; }

private:
    explicit IconHelper(QObject *parent);

    QFont m_iconFont;
};
