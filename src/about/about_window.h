// The window that shows the product's name and version.
#ifndef BRISVANE_ABOUT_ABOUT_WINDOW_H
#define BRISVANE_ABOUT_ABOUT_WINDOW_H

#include <windows.h>

extern const char kAboutWindowClass[];

LRESULT CALLBACK aboutWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Each call opens another, independent About window.
void openAboutWindow();

#endif
