// Drives the real program from another process, the way a user or another
// program can: windows by class, title and command id; their text, place
// and style; clicks, typing, message boxes and the open-file dialog.
#ifndef BRISVANE_TESTS_UI_DRIVER_H
#define BRISVANE_TESTS_UI_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Long enough for a slow machine; conditions are polled, never slept on.
constexpr DWORD kPatience = 20000;

// Polls the condition until it holds or the time is up.
bool waitUntil(const std::function<bool()>& condition, DWORD timeout = kPatience);

// The path of a program built beside the driver.
std::string besideThisProgram(const char* name);

// A running brisvane.exe, the one beside the driver. Ended when it goes.
class App {
public:
    App();
    // Another copy of the program, started in the given folder.
    App(const std::string& program, const char* folder);
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    DWORD processId() const { return process_.dwProcessId; }
    // The exit code, or STILL_ACTIVE if the program has not ended in time.
    DWORD waitForExit(DWORD timeout = kPatience);
    bool running() const;

    // A visible top-level window of this program; nullptr after the timeout.
    HWND waitForWindow(const char* className, const char* title, DWORD timeout = kPatience) const;
    // Any top-level window of this program, shown or not.
    HWND findWindow(const char* className, const char* title) const;
    std::vector<HWND> windows(const char* className, const char* title) const;

    HWND waitForMainWindow() const { return waitForWindow("clsWindow", "Brisvane! V1.00"); }
    // A message box by its caption.
    HWND waitForMessageBox(const char* caption, DWORD timeout = kPatience) const
    {
        return waitForWindow("#32770", caption, timeout);
    }

private:
    PROCESS_INFORMATION process_{};
};

std::string textOf(HWND window);
// A top-level window's place and outer size, in screen coordinates.
RECT screenRect(HWND window);
// A child's place and size in its parent's client coordinates.
RECT clientRect(HWND child);
// The child of the given class whose top-left corner is at (x, y).
HWND childAt(HWND parent, const char* className, int x, int y);
bool isShown(HWND window);

// Posted, since a click may open a modal loop that would hold up a sent one.
void click(HWND button);
void clickCommand(HWND window, int id);
void type(HWND edit, const char* text);
// Typed key by key, as a user types: a full field takes no more.
void typeKeys(HWND edit, const std::string& text);

// The text of a message box, and the box dismissed with OK.
std::string messageText(HWND box);
std::wstring wideMessageText(HWND box);
void answer(HWND box);
// Waits for the message box and dismisses it; returns its text.
std::string answerMessageBox(const App& app, const char* caption);

// A main-window command that asks for the password ("Delete Now!" or
// "Password"); returns the password window it opened, once shown.
HWND openPasswordWindow(const App& app, HWND main, int command);
// The password typed into the window and confirmed.
void confirmIn(HWND passwordWindow, const char* password);
// Both of the above, until the password window is gone.
void confirmPassword(const App& app, HWND main, int command, const char* password);

// The open-file dialog: one full path, or several names in one folder.
// Wide names reach the dialog as they are, whatever the code page.
void chooseInDialog(const App& app, const std::wstring& folder, const std::vector<std::wstring>& names);
void chooseInDialog(const App& app, const std::string& folder, const std::vector<std::string>& names);
void cancelDialog(const App& app);

// The stored password, in the registry's 32-bit view.
void removePasswordKey();
// Stores the bytes through the ANSI calls, as earlier versions did.
void storePasswordBytes(const std::string& encoded);
// Leaves the key readable by everyone but writable by no one.
void makePasswordKeyReadOnly();
bool passwordKeyExists();
// The stored bytes, one per character of the stored string; empty if
// absent. A character beyond U+00FF comes back as '?'.
std::string storedPasswordBytes();

// A folder of the test's own under the temporary folder, with files in it.
class Folder {
public:
    Folder();
    ~Folder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "\\" + name; }
    // A file of the given size filled with non-zero bytes; returns its path.
    std::string makeFile(const std::string& name, std::size_t size) const;
    // The same under a name that only a wide call reaches as it is: one
    // ending in a space, or beyond the ANSI code page. Filled with fill.
    void makeWideFile(const std::wstring& name, std::size_t size, char fill) const;
    std::wstring widePath() const;
    // The file's bytes, read under its exact name.
    std::string wideContents(const std::wstring& name) const;

private:
    std::string path_;
};

// A file held open for reading from before the program works on it, letting
// every other program read, write and delete it: what the program leaves
// on the device shows through it after the name is gone. While it is held,
// Windows keeps a deleted name in place.
class HeldFile {
public:
    explicit HeldFile(const std::string& path);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    std::string contents() const;

private:
    HANDLE handle_;
};

// Renames one file over another from outside Wine, where no Windows share
// mode binds, as a process on a file server may; both on drive Z:. True
// once done.
bool renameFromOutside(const std::string& from, const std::string& to);

bool fileExists(const std::string& path);
std::string fileContents(const std::string& path);

#endif
