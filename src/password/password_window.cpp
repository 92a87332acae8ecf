#include "password/lock_windows.h"

#include "password/wipe.h"

#include "platform/registry_win32.h"
#include "platform/system_error_win32.h"
#include "shell/main_window.h"
#include "shell/window.h"

const char kPasswordWindowClass[] = "passWindow";

namespace {

enum Command {
    kCancel = 11,
    kConfirm = 12,
};

enum Control { kConfirmButton, kCancelButton, kLabel, kPasswordField, kControlCount };

const ControlSpec kControls[kControlCount] = {
    {"Button", "Confirm", kConfirm, 45, 150, 100, 20, BS_PUSHBUTTON, 0},
    {"Button", "Cancel", kCancel, 155, 150, 100, 20, BS_DEFPUSHBUTTON, 0},
    {"Static", "Password:", 0, 5, 30, 100, 20, 0, 0},
    // No automatic scrolling: typing stops when the field is full.
    {"Edit", "", 0, 5, 50, 200, 20, ES_PASSWORD, WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY},
};

struct PasswordWindow {
    PasswordMode mode;
    HWND controls[kControlCount];
};

void onConfirm(HWND window, const PasswordWindow& state)
{
    char typed[kTypedCapacity];
    GetWindowTextA(state.controls[kPasswordField], typed, sizeof typed);
    const bool accepted = passwordStore().matches(typed);
    wipe(typed, sizeof typed);
    const PasswordMode mode = state.mode;
    // The window goes first, whatever the outcome.
    DestroyWindow(window);
    if (!accepted)
        tellUser("Invalid Password", "Password confirmation");
    else if (mode == PasswordMode::Change)
        openChangePasswordWindow(mainWindow);
    else
        runDeletion(mainWindowDisplay());
}

}  // namespace

PasswordStore& passwordStore()
{
    static PasswordStore store(registryPasswordStore());
    return store;
}

void openPasswordWindow(PasswordMode mode)
{
    openWindow(kPasswordWindowClass, "Password", 100, 100, 300, 200, mainWindow,
               reinterpret_cast<void*>(static_cast<INT_PTR>(mode)));
}

LRESULT CALLBACK passwordWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    PasswordWindow* state = windowState<PasswordWindow>(window);
    switch (message) {
    case WM_CREATE:
        state = new PasswordWindow{static_cast<PasswordMode>(reinterpret_cast<INT_PTR>(
                                       reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams)),
                                   {}};
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        createControls(window, kControls, state->controls);
        // A store that cannot be opened is reported before this window shows.
        passwordStore().read();
        return 0;
    case WM_DESTROY:
        return 1;
    case WM_NCDESTROY:
        delete state;
        break;
    case WM_PAINT:
        paintNothing(window);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kCancel)
            DestroyWindow(window);
        else if (LOWORD(wParam) == kConfirm)
            onConfirm(window, *state);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
