// The windows that guard every deletion and every change of the password.
#ifndef BRISVANE_PASSWORD_LOCK_WINDOWS_H
#define BRISVANE_PASSWORD_LOCK_WINDOWS_H

#include "password/store.h"

#include <windows.h>

// What a confirmed password leads to.
enum class PasswordMode { Delete, Change };

extern const char kPasswordWindowClass[];
extern const char kChangePasswordWindowClass[];

LRESULT CALLBACK passwordWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK changePasswordWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Asks for the password; once it is confirmed, acts on mode.
void openPasswordWindow(PasswordMode mode);
void openChangePasswordWindow(HWND owner);

// With no password stored yet, says so and asks for one, in a window owned
// by owner.
void checkFirstUse(HWND owner);

// The stored password and the reference typed passwords are checked against.
PasswordStore& passwordStore();

// Typed passwords are read up to 98 characters.
constexpr int kTypedCapacity = 99;

// Each window keeps its own state, so that several can be open at once.
template <typename State>
State* windowState(HWND window)
{
    return reinterpret_cast<State*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

#endif
