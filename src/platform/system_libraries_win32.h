// Libraries loaded only from the system folder. The program is run from
// wherever it was unpacked, often a downloads folder, and the system would
// otherwise look for a library there first: a file planted beside the
// program would run in it.
#ifndef BRISVANE_PLATFORM_SYSTEM_LIBRARIES_WIN32_H
#define BRISVANE_PLATFORM_SYSTEM_LIBRARIES_WIN32_H

#include <windows.h>

// Confines every later library search of the process, the libraries' own
// imports included, to the system folder. Called first of all.
void confineLibrarySearch();

// The named library from the system folder; nullptr if it cannot be had.
HMODULE loadSystemLibrary(const char* name);

#endif
