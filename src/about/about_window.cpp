#include "about/about_window.h"

#include "shell/window.h"

const char kAboutWindowClass[] = "AboutWindow";

namespace {

constexpr int kDone = 21;

const char kVersionText[] =
    "Brisvane! Version 1.00.\n"
    "\n"
    "Published by Orvex. Before it deletes a file, it overwrites the file with zeros where the disk "
    "keeps it; copies kept elsewhere are beyond its reach.";

void onCreate(HWND window)
{
    const ControlSpec controls[] = {
        {"Button", "Done", kDone, 5, 110, 100, 20, BS_PUSHBUTTON, 0},
        {"Static", kVersionText, 0, 5, 25, 400, 70, 0, 0},
    };
    for (const ControlSpec& control : controls)
        createControl(window, control);
}

}  // namespace

void openAboutWindow()
{
    openWindow(kAboutWindowClass, "About Brisvane! V1.00 ...", 500, 250, 450, 180, mainWindow);
}

LRESULT CALLBACK aboutWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        onCreate(window);
        return 0;
    case WM_DESTROY:
        return 1;
    case WM_PAINT:
        paintNothing(window);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kDone)
            DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
