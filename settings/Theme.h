#pragma once

#include <QByteArray>
#include <QString>

// The colour themes shared by kestrelup and update: a theme is a compiled-in style
// sheet whose first rule carries the application palette's background colour.
namespace Theme {

// Theme numbers, as saved in setting/style.dat.
enum Number {
    Silvery = 0,
    Blue = 1,
    Count = 13
};

// ":/qss/black.css" and the like; a number outside the table chooses the blue sheet.
QString sheetResource(int style);

// The palette colour of a sheet (characters 20 to 26) and the text colour of its
// second rule; empty when the sheet does not have them.
QString paletteColour(const QString &sheet);
QString textColour(const QString &sheet);

// Sets the application palette and style sheet from the theme's sheet. False, and
// nothing changed, when the sheet resource cannot be opened.
bool apply(int style);
bool applySilvery();

// setting/style.dat of the program folder: the number of the last applied theme.
QString savedStylePath();
// 0 when the file is missing or does not hold a number.
int readSavedStyle();
// The number held by the contents of style.dat; 0 when they hold none.
int parseSavedStyle(const QByteArray &contents);
// Replaces the file whole, so that a crash never leaves it empty.
bool saveStyle(int style);

} // namespace Theme
