// Splits the open-file dialog's answer into the full paths chosen.
#ifndef BRISVANE_SHRED_SELECTION_H
#define BRISVANE_SHRED_SELECTION_H

#include <cstddef>
#include <string>
#include <vector>

// The answer is a list of NUL-terminated strings ended by an empty one:
// either one full path, or a folder followed by the names chosen in it.
// Nothing at or beyond capacity is read; a string not terminated within it
// yields no path and ends the list. For narrow and wide answers alike.
template <typename Char>
std::vector<std::basic_string<Char>> parseSelection(const Char* buffer, std::size_t capacity);

extern template std::vector<std::string> parseSelection(const char*, std::size_t);
extern template std::vector<std::wstring> parseSelection(const wchar_t*, std::size_t);

#endif
