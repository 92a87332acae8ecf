#include "password/encoding.h"

#include "password/wipe.h"

#include <cstring>

namespace {

unsigned char encodeByte(unsigned char plain)
{
    unsigned char encoded = static_cast<unsigned char>(plain << 6);
    if (plain & 0x80)
        encoded |= 0x3F;
    return encoded ^ 0x20;
}

}  // namespace

std::string encodePassword(const char* text)
{
    const std::size_t length = std::strlen(text);
    std::string encoded(length + 1, '\0');
    for (std::size_t i = 0; i <= length; ++i)
        encoded[i] = static_cast<char>(encodeByte(static_cast<unsigned char>(text[i])));
    return encoded;
}

bool matches(std::string_view reference, const char* typed)
{
    std::string encoded = encodePassword(typed);
    const bool same = encoded == reference;
    wipe(encoded);
    return same;
}
