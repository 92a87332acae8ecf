#include "platform/text_win32.h"

#include <windows.h>

std::wstring wideText(const std::string& text, unsigned codePage)
{
    const int length = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, &wide[0], static_cast<int>(wide.size()));
    return wide;
}

std::string utf8Text(const std::wstring& text)
{
    const int length = static_cast<int>(text.size());
    std::string converted(
        static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr)),
        '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &converted[0], static_cast<int>(converted.size()), nullptr,
                        nullptr);
    return converted;
}

std::string ansiText(const std::wstring& text, bool* exact)
{
    const int wideLength = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int length =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), wideLength, nullptr, 0, nullptr, &usedDefault);
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), wideLength, &ansi[0], length, nullptr,
                        &usedDefault);
    std::wstring back(static_cast<std::size_t>(wideLength), L'\0');
    const int backLength = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), length, &back[0], wideLength);
    *exact = !usedDefault && backLength == wideLength && back == text;
    return ansi;
}
