// What every window of the program shares: the application instance, the
// main window, the attributes of the window classes and of child controls.
#ifndef BRISVANE_SHELL_WINDOW_H
#define BRISVANE_SHELL_WINDOW_H

#include <windows.h>

extern HINSTANCE appInstance;
// Set once the main window's creation has returned; owner of every other window.
extern HWND mainWindow;

// Minimise and close boxes, no sizing border, no maximise box.
constexpr DWORD kTopLevelStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// A window class and its first window.
struct WindowSpec {
    const char* className;
    const char* menuName;
    const char* title;
    HICON icon;
    HCURSOR cursor;
    int x;
    int y;
    int width;
    int height;
    DWORD style;
    HWND parent;
    HINSTANCE instance;
    WNDPROC procedure;
    HBRUSH background;
};

// The class attributes all windows of the program share, under a name and
// procedure of their own.
WindowSpec classSpec(const char* className, WNDPROC procedure);
bool registerWindowClass(const WindowSpec& spec);
// Registers the class and creates its window; nullptr if either fails.
HWND registerAndCreate(const WindowSpec& spec);

// A top-level window owned by owner; x, y, width and height are outer,
// in screen coordinates.
HWND openWindow(const char* className, const char* title, int x, int y, int width, int height,
                HWND owner, void* creationData = nullptr);

// One child control; coordinates are client pixels of the parent.
struct ControlSpec {
    const char* className;
    const char* text;
    int id;
    int x;
    int y;
    int width;
    int height;
    DWORD style;     // beyond WS_CHILD | WS_VISIBLE
    DWORD exStyle;
};

HWND createControl(HWND parent, const ControlSpec& control);

// Creates the controls in table order, each handle into handles[i].
template <int N>
void createControls(HWND parent, const ControlSpec (&controls)[N], HWND (&handles)[N])
{
    for (int i = 0; i < N; ++i)
        handles[i] = createControl(parent, controls[i]);
}

// Windows that draw nothing themselves still validate what they are asked to paint.
void paintNothing(HWND window);

#endif
