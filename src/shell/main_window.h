// The main window: the buttons that start everything, and the fields and
// progress display in which a deletion run shows how far it is.
#ifndef BRISVANE_SHELL_MAIN_WINDOW_H
#define BRISVANE_SHELL_MAIN_WINDOW_H

#include "shred/deletion_run.h"

#include <windows.h>

extern const char kMainWindowClass[];

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The main window as the deletion run sees it.
const RunDisplay& mainWindowDisplay();

#endif
