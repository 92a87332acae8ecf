// Stands in for a library someone left beside the program, as a download
// may: once loaded into a process, it leaves a marker beside itself.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        char marker[MAX_PATH + 8];
        const DWORD length = GetModuleFileNameA(self, marker, MAX_PATH);
        lstrcpyA(marker + length, ".ran");
        CloseHandle(CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    return TRUE;
}

// What the program would call first, the common controls' export number 17.
extern "C" void WINAPI plantedInitialise()
{
}
