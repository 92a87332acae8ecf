#include "shell/window.h"

#include "shell/resource.h"

HINSTANCE appInstance;
HWND mainWindow;

WindowSpec classSpec(const char* className, WNDPROC procedure)
{
    WindowSpec spec{};
    spec.className = className;
    spec.icon = LoadIconA(appInstance, MAKEINTRESOURCEA(IDI_BRISVANE));
    spec.cursor = LoadCursorA(nullptr, IDC_ARROW);
    spec.instance = appInstance;
    spec.procedure = procedure;
    spec.background = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    return spec;
}

bool registerWindowClass(const WindowSpec& spec)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = spec.procedure;
    windowClass.hInstance = spec.instance;
    windowClass.hIcon = spec.icon;
    windowClass.hCursor = spec.cursor;
    windowClass.hbrBackground = spec.background;
    windowClass.lpszMenuName = spec.menuName;
    windowClass.lpszClassName = spec.className;
    windowClass.hIconSm = spec.icon;
    return RegisterClassExA(&windowClass) != 0;
}

HWND registerAndCreate(const WindowSpec& spec)
{
    if (!registerWindowClass(spec))
        return nullptr;
    return CreateWindowExA(0, spec.className, spec.title, spec.style, spec.x, spec.y, spec.width,
                           spec.height, spec.parent, nullptr, spec.instance, nullptr);
}

HWND openWindow(const char* className, const char* title, int x, int y, int width, int height,
                HWND owner, void* creationData)
{
    return CreateWindowExA(0, className, title, kTopLevelStyle, x, y, width, height, owner,
                           nullptr, appInstance, creationData);
}

HWND createControl(HWND parent, const ControlSpec& control)
{
    const HWND handle = CreateWindowExA(control.exStyle, control.className, control.text,
                                        WS_CHILD | WS_VISIBLE | control.style, control.x, control.y,
                                        control.width, control.height, parent,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                                        appInstance, nullptr);
    // The standard dialog font: in the System font, which controls take
    // otherwise, "New Password:" does not fit its label.
    if (handle)
        SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return handle;
}

void paintNothing(HWND window)
{
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
}
