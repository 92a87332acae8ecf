#include "platform/system_libraries_win32.h"

#include "platform/optional_call_win32.h"

#include <string>

void confineLibrarySearch()
{
    // Windows 8, and Windows 7 with its update KB2533623; without it, the
    // current folder at least is taken out of the search.
    using SetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault = optionalCall<SetDefaultDllDirectories>("kernel32.dll", "SetDefaultDllDirectories");
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryA("");
}

HMODULE loadSystemLibrary(const char* name)
{
    const HMODULE library = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (library || GetLastError() != ERROR_INVALID_PARAMETER)
        return library;
    // A system that does not know the flag: the library by its full path.
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder)
        return nullptr;
    return LoadLibraryA((std::string(folder) + "\\" + name).c_str());
}
