// The encoded form in which the password is stored and compared.
#ifndef BRISVANE_PASSWORD_ENCODING_H
#define BRISVANE_PASSWORD_ENCODING_H

#include <string>
#include <string_view>

// One byte per character of text, then one for its terminator (always 0x20);
// no encoded byte is 0. Kept as it is: stored passwords are in this form.
std::string encodePassword(const char* text);

// True when typed encodes to exactly the reference's bytes.
bool matches(std::string_view reference, const char* typed);

#endif
