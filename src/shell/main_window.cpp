#include "shell/main_window.h"

#include "about/about_window.h"
#include "password/lock_windows.h"
#include "platform/file_dialog_win32.h"
#include "platform/optional_call_win32.h"
#include "platform/system_error_win32.h"
#include "platform/text_win32.h"
#include "shell/window.h"

#include <commctrl.h>

#include <string>

const char kMainWindowClass[] = "clsWindow";

namespace {

enum Command {
    kDeleteNow = 1,
    kPassword = 13,
    kAbout = 20,
    kExit = 1000,
};

enum Control {
    kDeleteNowButton,
    kPasswordButton,
    kExitButton,
    kAboutButton,
    kProgressBar,
    kPercentText,
    kSpareField,
    kStatusField,
    kPathField,
    kControlCount
};

constexpr DWORD kButton = BS_CENTER | BS_VCENTER;
constexpr DWORD kField = WS_DISABLED | ES_AUTOHSCROLL;

const ControlSpec kControls[kControlCount] = {
    {"Button", "Delete Now!", kDeleteNow, 410, 10, 100, 40, kButton, 0},
    {"Button", "Password", kPassword, 410, 60, 100, 40, kButton, 0},
    {"Button", "Exit", kExit, 410, 110, 100, 40, kButton, 0},
    {"Button", "About...", kAbout, 410, 160, 100, 40, kButton, 0},
    {PROGRESS_CLASSA, nullptr, 0, 5, 120, 200, 20, 0, 0},
    {"Static", "0 % complete", 0, 5, 140, 200, 20, SS_CENTER, 0},
    {"Edit", "", 0, 5, 70, 400, 20, kField, 0},
    {"Edit", "", 0, 5, 30, 400, 20, kField, 0},
    {"Edit", "", 0, 5, 50, 400, 20, kField | ES_MULTILINE, WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY},
};

HWND controls[kControlCount];

// While a file is being shredded the window refuses to close.
bool busy = false;

// The classes of the windows opened from here, in the order they are
// registered; a class that fails leaves those after it unregistered.
bool registerSecondaryClasses()
{
    return registerWindowClass(classSpec(kPasswordWindowClass, passwordWindowProc))
        && registerWindowClass(classSpec(kChangePasswordWindowClass, changePasswordWindowProc))
        && registerWindowClass(classSpec(kAboutWindowClass, aboutWindowProc));
}

void onCreate(HWND window)
{
    createControls(window, kControls, controls);
    SendMessageA(controls[kProgressBar], PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    // The main window handle is not stored yet: this window owns what opens now.
    if (registerSecondaryClasses())
        checkFirstUse(window);
}

void onCommand(WORD command)
{
    switch (command) {
    case kDeleteNow:
        openPasswordWindow(PasswordMode::Delete);
        break;
    case kPassword:
        openPasswordWindow(PasswordMode::Change);
        break;
    case kAbout:
        openAboutWindow();
        break;
    case kExit:
        PostQuitMessage(0);
        break;
    }
}

void setStatus(const char* text)
{
    SetWindowTextA(controls[kStatusField], text);
}

void setPath(const char* text)
{
    SetWindowTextA(controls[kPathField], text);
}

void showProgress(int percent, const char* text)
{
    SetWindowTextA(controls[kPercentText], text);
    SendMessageA(controls[kProgressBar], PBM_SETPOS, percent, 0);
    UpdateWindow(controls[kProgressBar]);
    UpdateWindow(controls[kPercentText]);
}

void resetProgress(const char* text)
{
    SetWindowTextA(controls[kPercentText], text);
    SendMessageA(controls[kProgressBar], PBM_SETPOS, 0, 0);
}

// Keeps Windows from ending the session while a file is being overwritten,
// with the reason it shows; systems without these calls do without.
void blockShutdown()
{
    using Create = BOOL(WINAPI*)(HWND, LPCWSTR);
    if (const auto create = optionalCall<Create>("user32.dll", "ShutdownBlockReasonCreate"))
        create(mainWindow, L"Brisvane is overwriting a file. Stopping now would leave it half "
                           L"overwritten and not deleted.");
}

void allowShutdown()
{
    using Destroy = BOOL(WINAPI*)(HWND);
    if (const auto destroy = optionalCall<Destroy>("user32.dll", "ShutdownBlockReasonDestroy"))
        destroy(mainWindow);
}

void busyOn()
{
    ShowWindow(controls[kDeleteNowButton], SW_HIDE);
    busy = true;
    blockShutdown();
}

void busyOff()
{
    ShowWindow(controls[kDeleteNowButton], SW_SHOW);
    busy = false;
    allowShutdown();
}

Choice chooseFilesOverMainWindow(std::vector<ChosenFile>* files)
{
    return chooseFiles(mainWindow, files);
}

// One pending message of any window of this thread, if there is one. A quit
// message taken here is lost, so "Exit" has no effect during an overwrite.
void handleOnePendingMessage()
{
    MSG message;
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void tellTooManyFiles()
{
    tellUser("Too many files were chosen at once, so nothing was deleted.\n"
             "Please choose fewer files.",
             "Too many files chosen");
}

// In wide characters, so that each name shows as the user saw it in the
// dialog, whatever the code page holds.
void tellNotDestroyed(const char* text)
{
    MessageBoxW(nullptr, wideText(text, CP_UTF8).c_str(), L"Files not destroyed", MB_OK | MB_ICONINFORMATION);
}

const RunDisplay display = {
    setStatus, setPath, showProgress, resetProgress, busyOn, busyOff,
    chooseFilesOverMainWindow, handleOnePendingMessage, tellTooManyFiles, tellNotDestroyed,
};

}  // namespace

const RunDisplay& mainWindowDisplay()
{
    return display;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        onCreate(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        paintNothing(window);
        return 0;
    case WM_CLOSE:
        if (busy)
            return 0;
        break;
    case WM_QUERYENDSESSION:
        // Ending the session now would leave a half-overwritten file behind.
        return busy ? FALSE : TRUE;
    case WM_COMMAND:
        onCommand(LOWORD(wParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
