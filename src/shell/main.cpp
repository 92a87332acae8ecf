// Start-up and the message loop.
#include "platform/file_dialog_win32.h"
#include "platform/optional_call_win32.h"
#include "platform/system_libraries_win32.h"
#include "shell/main_window.h"
#include "shell/window.h"

namespace {

// Polls the queue and never waits: the loop keeps the thread busy even when
// the user does nothing. No dialog-style keyboard handling: Tab and Enter
// mean nothing special in any window.
int runMessageLoop()
{
    MSG message;
    for (;;) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            continue;
        if (message.message == WM_QUIT)
            return static_cast<int>(message.wParam);
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// The common controls' initialisation, their export number 17, from the
// system folder; false if it cannot be had.
bool initialiseCommonControls()
{
    const HMODULE library = loadSystemLibrary("comctl32.dll");
    using Initialise = void(WINAPI*)();
    const auto initialise = library ? exported<Initialise>(library, MAKEINTRESOURCEA(17)) : nullptr;
    if (!initialise)
        return false;
    initialise();
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    confineLibrarySearch();
    appInstance = instance;
    WindowSpec spec = classSpec(kMainWindowClass, mainWindowProc);
    spec.title = "Brisvane! V1.00";
    spec.x = 0;
    spec.y = 0;
    spec.width = 630;
    spec.height = 235;
    spec.style = kTopLevelStyle;

    if (!initialiseCommonControls() || !prepareSelectionDialog())
        return 0;
    mainWindow = registerAndCreate(spec);
    if (!mainWindow)
        return 0;
    return runMessageLoop();
}
