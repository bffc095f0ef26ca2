#pragma once

#include "app/Dialogs.h"

#include <QStringList>

// The message boxes shown, as "kind:text", without the file dialog and the questions.
inline QStringList boxTexts(const QList<Dialogs::Shown> &shown)
{
    QStringList texts;
    for (const Dialogs::Shown &box : shown) {
        if (box.kind == QLatin1String("information") || box.kind == QLatin1String("critical"))
            texts << box.kind + QLatin1Char(':') + box.text;
    }
    return texts;
}
