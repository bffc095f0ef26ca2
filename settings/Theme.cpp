#include "settings/Theme.h"

#include "settings/ProgramFolder.h"

#include <QApplication>
#include <QColor>
#include <QDebug>
#include <QFile>
#include <QPalette>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>

static void initThemeSheets()
{
    // The sheets live in a static library; this pulls them into the program.
    Q_INIT_RESOURCE(kestrel_theme_sheets);
}

namespace Theme {

namespace {

const char *const kSheetNames[Count] = {
    "silvery", "blue", "lightblue", "darkblue", "gray", "lightgray", "darkgray",
    "black", "lightblack", "darkblack", "psblack", "flatblack", "flatwhite",
};

const int kColourAt = 20;
const int kColourLength = 7;

} // namespace

QString sheetResource(int style)
{
    const int index = style >= 0 && style < Count ? style : int(Blue);
    return QStringLiteral(":/qss/%1.css").arg(QLatin1String(kSheetNames[index]));
}

QString paletteColour(const QString &sheet)
{
    if (!sheet.startsWith(QLatin1String("QPalette{background:")))
        return QString();
    return sheet.mid(kColourAt, kColourLength);
}

QString textColour(const QString &sheet)
{
    static const QRegularExpression secondRule(QStringLiteral("^[^}]*\\}\\s*\\*\\{[^}]*\\bcolor:(#[0-9A-Fa-f]{6})"));
    return secondRule.match(sheet).captured(1);
}

bool apply(int style)
{
    initThemeSheets();
    QFile file(sheetResource(style));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    const int end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    const QString sheet = QString::fromUtf8(bytes);
    QApplication::setPalette(QPalette(QColor(sheet.mid(kColourAt, kColourLength))));
    qApp->setStyleSheet(sheet);
    return true;
}

bool applySilvery()
{
    return apply(Silvery);
}

QString savedStylePath()
{
    return ProgramFolder::dataPath() + QStringLiteral("/setting/style.dat");
}

int readSavedStyle()
{
    QFile file(savedStylePath());
    if (!file.open(QIODevice::ReadOnly))
        return Silvery;
    return parseSavedStyle(file.readAll());
}

int parseSavedStyle(const QByteArray &contents)
{
    QTextStream in(contents);
    const QString text = in.readAll();
    // A number is a few characters; more is not worth a log of megabytes.
    qDebug().noquote().nospace() << "Data read from file: " << text.left(64);
    return text.toInt(nullptr, 10);
}

bool saveStyle(int style)
{
    QSaveFile file(savedStylePath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QTextStream out(&file);
    out << QString::number(style);
    out.flush();
    return file.commit();
}

} // namespace Theme
