#include "shred/selection.h"

#include <cstring>

namespace {

// The string starting at offset, if its terminator lies within capacity.
bool terminatedString(const char* buffer, std::size_t capacity, std::size_t offset,
                      std::size_t* length)
{
    if (offset >= capacity)
        return false;
    const void* end = std::memchr(buffer + offset, '\0', capacity - offset);
    if (!end)
        return false;
    *length = static_cast<const char*>(end) - (buffer + offset);
    return true;
}

}  // namespace

std::vector<std::string> parseSelection(const char* buffer, std::size_t capacity)
{
    std::vector<std::string> paths;
    std::size_t firstLength;
    if (!terminatedString(buffer, capacity, 0, &firstLength) || firstLength == 0)
        return paths;
    const std::string first(buffer, firstLength);
    std::size_t offset = firstLength + 1;
    if (offset >= capacity || buffer[offset] == '\0') {
        paths.push_back(first);
        return paths;
    }
    // Several files: the first string is their folder. The separator goes in
    // whatever the folder ends with, as the dialog's own answers expect.
    std::size_t nameLength;
    while (terminatedString(buffer, capacity, offset, &nameLength) && nameLength > 0) {
        paths.push_back(first + '\\' + std::string(buffer + offset, nameLength));
        offset += nameLength + 1;
    }
    return paths;
}
