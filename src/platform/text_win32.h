// Text between the forms the program meets: the ANSI code page it works in,
// the UTF-16 of the system's wide calls, and the UTF-8 in which names are
// carried to be shown.
#ifndef BRISVANE_PLATFORM_TEXT_WIN32_H
#define BRISVANE_PLATFORM_TEXT_WIN32_H

#include <string>

// Text in the code page (CP_ACP or CP_UTF8) in UTF-16.
std::wstring wideText(const std::string& text, unsigned codePage);
std::string utf8Text(const std::wstring& text);

// The text in the ANSI code page; exact says whether it converts there and
// back unchanged, with no best-fit look-alike and nothing lost. Without an
// exact form the text can name nothing exactly, and is only to be shown.
std::string ansiText(const std::wstring& text, bool* exact);

#endif
