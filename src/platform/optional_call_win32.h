// Calls that older systems lack, looked up when needed, so that the program
// still starts where they are missing.
#ifndef BRISVANE_PLATFORM_OPTIONAL_CALL_WIN32_H
#define BRISVANE_PLATFORM_OPTIONAL_CALL_WIN32_H

#include <windows.h>

// The library's export of that name (or number, MAKEINTRESOURCEA), as a
// function of the given type; nullptr where it has none.
template <typename Function>
Function exported(HMODULE library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The call named in the loaded module, or nullptr where the system has none.
template <typename Function>
Function optionalCall(const char* module, const char* name)
{
    return exported<Function>(GetModuleHandleA(module), name);
}

#endif
