// Clearing passwords from memory once they have served.
#ifndef BRISVANE_PASSWORD_WIPE_H
#define BRISVANE_PASSWORD_WIPE_H

#include <cstddef>
#include <string>

// Zeroes the bytes in a way the compiler may not leave out, although
// nothing reads them afterwards.
void wipe(void* bytes, std::size_t size);
void wipe(std::string& text);

#endif
