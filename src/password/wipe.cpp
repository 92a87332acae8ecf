#include "password/wipe.h"

void wipe(void* bytes, std::size_t size)
{
    volatile unsigned char* byte = static_cast<volatile unsigned char*>(bytes);
    for (std::size_t i = 0; i < size; ++i)
        byte[i] = 0;
}

void wipe(std::string& text)
{
    wipe(&text[0], text.size());
}
