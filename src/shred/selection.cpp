#include "shred/selection.h"

#include <algorithm>

namespace {

// The string starting at offset, if its terminator lies within capacity.
template <typename Char>
bool terminatedString(const Char* buffer, std::size_t capacity, std::size_t offset,
                      std::size_t* length)
{
    if (offset >= capacity)
        return false;
    const Char* end = buffer + capacity;
    const Char* nul = std::find(buffer + offset, end, Char(0));
    if (nul == end)
        return false;
    *length = static_cast<std::size_t>(nul - (buffer + offset));
    return true;
}

}  // namespace

template <typename Char>
std::vector<std::basic_string<Char>> parseSelection(const Char* buffer, std::size_t capacity)
{
    using String = std::basic_string<Char>;
    std::vector<String> paths;
    std::size_t firstLength;
    if (!terminatedString(buffer, capacity, 0, &firstLength) || firstLength == 0)
        return paths;
    const String first(buffer, firstLength);
    std::size_t offset = firstLength + 1;
    if (offset >= capacity || buffer[offset] == Char(0)) {
        paths.push_back(first);
        return paths;
    }
    // Several files: the first string is their folder. The separator goes in
    // whatever the folder ends with, as the dialog's own answers expect.
    std::size_t nameLength;
    while (terminatedString(buffer, capacity, offset, &nameLength) && nameLength > 0) {
        paths.push_back(first + Char('\\') + String(buffer + offset, nameLength));
        offset += nameLength + 1;
    }
    return paths;
}

template std::vector<std::string> parseSelection(const char*, std::size_t);
template std::vector<std::wstring> parseSelection(const wchar_t*, std::size_t);
