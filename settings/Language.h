#pragma once

#include <QString>

class QTranslator;

// The three interface languages, shared by kestrelup and update. A language's name is
// at once its entry in the language box, the value saved as lang and the argument of
// loadLanguage.
namespace Language {

extern const char *const English;    // "English"
extern const char *const SimChinese; // "简体中文"
extern const char *const TraChinese; // "繁体中文"

// ":/lang_English.qm" and the like; empty for a name that is none of the three.
QString catalogueResource(const QString &name);

// The language the system locale asks for. The updater's variant also says which of
// its plain choices it made.
enum class Caller { Tool, Updater };
QString fromSystemLocale(Caller caller);

// Loads the language's catalogue into the translator and installs it in the
// application; false (and nothing installed) when the catalogue does not load.
bool install(QTranslator &translator, const QString &name);

} // namespace Language
