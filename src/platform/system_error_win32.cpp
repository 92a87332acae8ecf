#include "platform/system_error_win32.h"

#include <windows.h>

#include <cstdio>

std::string systemErrorText(long error)
{
    char text[512];
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                        static_cast<DWORD>(error), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                        text, sizeof text, nullptr))
        std::snprintf(text, sizeof text, "Error %ld.", error);
    return text;
}

void tellUser(const char* text, const char* caption)
{
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONINFORMATION);
}
