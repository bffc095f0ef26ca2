#ifndef TOVREK_TEXTENCODING_H
#define TOVREK_TEXTENCODING_H

#include <string>

// Picks up the user's locale where the platform needs it (POSIX).
void initTextEncoding();

// Command-line text (the ANSI code page on Windows, the locale's encoding
// elsewhere) as UTF-8, which is what the vendor library expects for paths.
// Throws std::runtime_error when the text is not valid in that encoding.
std::string ansiToUtf8(const std::string &text);

// The two operator messages, in the bytes the console and the GUI decode
// them with (GBK on Windows, the locale's encoding elsewhere).
std::string connectErrorText();
std::string firmwareErrorText();

#endif
