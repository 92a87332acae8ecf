#include "password/lock_windows.h"

#include "password/wipe.h"

#include "platform/system_error_win32.h"
#include "shell/window.h"

#include <cstring>
#include <string>

const char kChangePasswordWindowClass[] = "chgpassWindow";

namespace {

enum Command {
    kCancel = 14,
    kAccept = 15,
};

enum Control {
    kAcceptButton,
    kCancelButton,
    kNewLabel,
    kConfirmLabel,
    kHint,
    kNewField,
    kConfirmField,
    kControlCount
};

// No automatic scrolling: typing stops when a field is full.
constexpr DWORD kField = ES_PASSWORD | WS_TABSTOP;
constexpr DWORD kFieldEx = WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY;

const ControlSpec kControls[kControlCount] = {
    {"Button", "Accept", kAccept, 40, 150, 100, 20, BS_PUSHBUTTON, 0},
    {"Button", "Cancel", kCancel, 160, 150, 100, 20, BS_DEFPUSHBUTTON, 0},
    {"Static", "New Password:", 0, 5, 30, 100, 20, 0, 0},
    {"Static", "Confirm     :", 0, 5, 70, 100, 20, 0, 0},
    {"Static", "Max. 20 characters and/or digits", 0, 5, 100, 250, 20, 0, 0},
    {"Edit", "", 0, 110, 30, 150, 20, kField, kFieldEx},
    {"Edit", "", 0, 110, 70, 150, 20, kField, kFieldEx},
};

struct ChangePasswordWindow {
    HWND controls[kControlCount];
    // Where a full field stopped taking what was typed, or -1: a password
    // cut there must not be stored, or its owner could not type it again.
    int cutAt = -1;
};

// What the user is told when the new password is not in force.
std::string storeFailureText(StoreWrite result, long error)
{
    const std::string why = result == StoreWrite::NotReadBack
                              ? "It did not read back as it was written, so it may not be in force."
                              : systemErrorText(error);
    return "The new password could not be stored.\n\n" + why;
}

// The field sends this when it refuses text for want of room.
void onFieldFull(ChangePasswordWindow& state, HWND field)
{
    if (field != state.controls[kNewField] && field != state.controls[kConfirmField])
        return;
    const int length = GetWindowTextLengthA(field);
    if (state.cutAt < 0 || length < state.cutAt)
        state.cutAt = length;
}

// Nothing is stored; the fields are emptied for a shorter password.
void refuseCutPassword(ChangePasswordWindow& state)
{
    const std::string text = "The password is longer than the field holds, so it was cut at " +
                             std::to_string(state.cutAt) +
                             " characters. Nothing was stored: please choose a shorter one.";
    state.cutAt = -1;
    SetWindowTextA(state.controls[kNewField], "");
    SetWindowTextA(state.controls[kConfirmField], "");
    tellUser(text.c_str(), "Password confirmation");
}

void onAccept(HWND window, ChangePasswordWindow& state)
{
    if (state.cutAt >= 0) {
        refuseCutPassword(state);
        return;
    }
    char password[kTypedCapacity];
    char confirmation[kTypedCapacity];
    GetWindowTextA(state.controls[kNewField], password, sizeof password);
    GetWindowTextA(state.controls[kConfirmField], confirmation, sizeof confirmation);
    const bool same = std::strcmp(password, confirmation) == 0;
    long error = 0;
    const StoreWrite result = same ? passwordStore().write(password, &error) : StoreWrite::Refused;
    wipe(password, sizeof password);
    wipe(confirmation, sizeof confirmation);
    if (!same) {
        // The message comes over the still open window, which closes after it.
        tellUser("Passwords do not match!!", "Password confirmation");
        DestroyWindow(window);
    } else if (result == StoreWrite::Stored) {
        DestroyWindow(window);
    } else {
        // The window stays, so the user can try again or cancel.
        tellUser(storeFailureText(result, error).c_str(), "Password confirmation");
    }
}

}  // namespace

void openChangePasswordWindow(HWND owner)
{
    openWindow(kChangePasswordWindowClass, "Change Password", 200, 200, 300, 200, owner);
}

void checkFirstUse(HWND owner)
{
    if (passwordStore().exists())
        return;
    tellUser("This is your first usage of this software", "Cannot find signatures due to ...");
    openChangePasswordWindow(owner);
}

LRESULT CALLBACK changePasswordWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ChangePasswordWindow* state = windowState<ChangePasswordWindow>(window);
    switch (message) {
    case WM_CREATE:
        state = new ChangePasswordWindow{};
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        createControls(window, kControls, state->controls);
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
        if (HIWORD(wParam) == EN_MAXTEXT)
            onFieldFull(*state, reinterpret_cast<HWND>(lParam));
        else if (LOWORD(wParam) == kCancel)
            DestroyWindow(window);
        else if (LOWORD(wParam) == kAccept)
            onAccept(window, *state);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
