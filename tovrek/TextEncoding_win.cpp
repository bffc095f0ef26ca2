#include "TextEncoding.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdexcept>

void initTextEncoding()
{
}

std::string ansiToUtf8(const std::string &text)
{
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (wideLength <= 0)
        throw std::runtime_error("text is not valid in the ANSI code page");
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), wideLength);

    const int utf8Length = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0,
                                               nullptr, nullptr);
    if (utf8Length <= 0)
        throw std::runtime_error("text cannot be written as UTF-8");
    std::string utf8(static_cast<size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, utf8.data(), utf8Length, nullptr,
                        nullptr);
    utf8.pop_back(); // both lengths counted the terminating zero
    return utf8;
}

// The Chinese consoles this tool ships to run code page 936.
std::string connectErrorText()
{
    return "\xC1\xB4\xBD\xD3USB\xB4\xED\xCE\xF3"; // 链接USB错误
}

std::string firmwareErrorText()
{
    return "\xD0\xB4\xB9\xCC\xBC\xFE\xB4\xED\xCE\xF3"; // 写固件错误
}
