#include "TextEncoding.h"

#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#include <stdexcept>
#include <strings.h>

namespace {

const char *localeCodeset()
{
    return nl_langinfo(CODESET);
}

// Plain ASCII ("C"/"POSIX") locales are treated like UTF-8: paths on this
// system are UTF-8 whatever the locale claims, and ASCII is its subset anyway.
bool isUtf8Compatible(const char *codeset)
{
    return strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "UTF8") == 0
        || strcasecmp(codeset, "ANSI_X3.4-1968") == 0 || strcasecmp(codeset, "ASCII") == 0;
}

class Converter {
public:
    Converter(const char *to, const char *from) : m_cd(iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("unsupported text encoding");
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    std::string operator()(const std::string &text)
    {
        std::string out;
        char *in = const_cast<char *>(text.data());
        size_t inLeft = text.size();
        bool flushing = false;
        for (;;) {
            char chunk[256];
            char *next = chunk;
            size_t outLeft = sizeof chunk;
            const size_t rc = flushing ? iconv(m_cd, nullptr, nullptr, &next, &outLeft)
                                       : iconv(m_cd, &in, &inLeft, &next, &outLeft);
            out.append(chunk, static_cast<size_t>(next - chunk));
            if (rc != static_cast<size_t>(-1)) {
                if (flushing)
                    return out;
                flushing = true; // input done; stateful encodings may still owe a shift back
            } else if (errno != E2BIG) {
                throw std::runtime_error("text is not valid in the locale's encoding");
            }
        }
    }

private:
    iconv_t m_cd;
};

std::string utf8ToLocal(const std::string &utf8)
{
    const char *codeset = localeCodeset();
    if (isUtf8Compatible(codeset))
        return utf8;
    try {
        return Converter(codeset, "UTF-8")(utf8);
    } catch (const std::runtime_error &) {
        return utf8; // unrepresentable here; UTF-8 is the least surprising fallback
    }
}

} // namespace

void initTextEncoding()
{
    std::setlocale(LC_ALL, "");
}

std::string ansiToUtf8(const std::string &text)
{
    const char *codeset = localeCodeset();
    if (isUtf8Compatible(codeset))
        return text;
    return Converter("UTF-8", codeset)(text);
}

std::string connectErrorText()
{
    return utf8ToLocal("\xE9\x93\xBE\xE6\x8E\xA5USB\xE9\x94\x99\xE8\xAF\xAF"); // 链接USB错误
}

std::string firmwareErrorText()
{
    return utf8ToLocal("\xE5\x86\x99\xE5\x9B\xBA\xE4\xBB\xB6\xE9\x94\x99\xE8\xAF\xAF"); // 写固件错误
}
