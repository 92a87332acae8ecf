// The real program, started and worked from outside, scenario by scenario.
#include "ui/driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

// "abc" as the program stores it.
const std::string kAbcStored("\x60\xA0\xE0\x20", 4);

// Ids of the main window's buttons.
constexpr int kDeleteNow = 1;
constexpr int kPassword = 13;
constexpr int kExit = 1000;
constexpr int kAbout = 20;

void expectRect(const RECT& rect, int x, int y, int width, int height, const char* what)
{
    EXPECT_EQ(rect.left, x) << what;
    EXPECT_EQ(rect.top, y) << what;
    EXPECT_EQ(rect.right - rect.left, width) << what;
    EXPECT_EQ(rect.bottom - rect.top, height) << what;
}

// The executable carries its icon and version, and no manifest: a manifest
// asking for an execution level would take the 32-bit build out of the
// registry virtualisation it relies on to keep its value without elevation.
TEST(Executable, HasItsIconAndVersionAndNoManifest)
{
    const std::string path = besideThisProgram("brisvane.exe");
    HMODULE program = LoadLibraryExA(path.c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(program, nullptr);
    HICON icon = static_cast<HICON>(LoadImageA(program, MAKEINTRESOURCEA(101), IMAGE_ICON, 32, 32, 0));
    EXPECT_NE(icon, nullptr);
    HRSRC group = FindResourceA(program, MAKEINTRESOURCEA(101), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    // The group's directory: one 32 by 32 image of 16 colours.
    const BYTE* directory = static_cast<const BYTE*>(LockResource(LoadResource(program, group)));
    EXPECT_EQ(*reinterpret_cast<const WORD*>(directory + 4), 1);
    EXPECT_EQ(directory[6], 32);
    EXPECT_EQ(directory[7], 32);
    EXPECT_EQ(directory[8], 16);
    EXPECT_EQ(FindResourceA(program, MAKEINTRESOURCEA(1), RT_MANIFEST), nullptr);
    DestroyIcon(icon);
    FreeLibrary(program);

    std::string version(GetFileVersionInfoSizeA(path.c_str(), nullptr), '\0');
    ASSERT_FALSE(version.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(version.size()), &version[0]));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueA(version.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
}

class UiTest : public ::testing::Test {
protected:
    void SetUp() override { removePasswordKey(); }
    void TearDown() override { removePasswordKey(); }

    // The main window's fields, found by their place.
    static HWND statusField(HWND main) { return childAt(main, "Edit", 5, 30); }
    static HWND pathField(HWND main) { return childAt(main, "Edit", 5, 50); }
    static HWND percentText(HWND main) { return childAt(main, "Static", 5, 140); }
    static HWND progressBar(HWND main) { return childAt(main, "msctls_progress32", 5, 120); }

    // A run over the named files of the folder, to its end.
    void deleteFiles(const App& app, HWND main, const std::vector<std::string>& names)
    {
        confirmPassword(app, main, kDeleteNow, "abc");
        chooseInDialog(app, folder.path(), names);
        for (const std::string& name : names)
            EXPECT_TRUE(waitUntil([&] { return !fileExists(folder.file(name)); })) << name;
        waitForRunEnd(main);
    }

    // A run over the named files of the folder, started: the password
    // confirmed and the files chosen. Returns the main window.
    HWND startRun(const App& app, const std::vector<std::string>& names)
    {
        HWND main = app.waitForMainWindow();
        EXPECT_NE(main, nullptr);
        if (main) {
            confirmPassword(app, main, kDeleteNow, "abc");
            chooseInDialog(app, folder.path(), names);
        }
        return main;
    }

    static void waitForRunEnd(HWND main)
    {
        EXPECT_TRUE(waitUntil([&] {
            return isShown(GetDlgItem(main, kDeleteNow)) && textOf(pathField(main)).empty();
        }));
    }

    // What the window answers when the session is about to end.
    static LRESULT askToEndSession(HWND main)
    {
        DWORD_PTR answer = 0xDEAD;
        SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, kPatience, &answer);
        return static_cast<LRESULT>(answer);
    }

    static void expectIdleAfterRun(HWND main)
    {
        EXPECT_EQ(textOf(statusField(main)), "");
        EXPECT_EQ(textOf(pathField(main)), "");
        EXPECT_EQ(textOf(percentText(main)), " 0 % complete");
        EXPECT_EQ(SendMessageA(progressBar(main), PBM_GETPOS, 0, 0), 0);
        EXPECT_TRUE(isShown(GetDlgItem(main, kDeleteNow)));
    }

    Folder folder;
};

TEST_F(UiTest, MainWindowPlaceStyleAndControls)
{
    storePasswordBytes(kAbcStored);
    App app;
    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    expectRect(screenRect(main), 0, 0, 630, 235, "main window");
    const LONG_PTR style = GetWindowLongPtrA(main, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);

    struct Button {
        int id;
        const char* text;
        int y;
    };
    for (const Button& button : {Button{kDeleteNow, "Delete Now!", 10}, Button{kPassword, "Password", 60},
                                 Button{kExit, "Exit", 110}, Button{kAbout, "About...", 160}}) {
        HWND control = GetDlgItem(main, button.id);
        ASSERT_NE(control, nullptr) << button.text;
        EXPECT_EQ(textOf(control), button.text);
        expectRect(clientRect(control), 410, button.y, 100, 40, button.text);
        EXPECT_TRUE(isShown(control)) << button.text;
        const LONG_PTR buttonStyle = GetWindowLongPtrA(control, GWL_STYLE);
        EXPECT_EQ(buttonStyle & (BS_CENTER | BS_VCENTER), BS_CENTER | BS_VCENTER) << button.text;
    }

    HWND bar = progressBar(main);
    ASSERT_NE(bar, nullptr);
    expectRect(clientRect(bar), 5, 120, 200, 20, "progress bar");
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 100);

    HWND percent = percentText(main);
    ASSERT_NE(percent, nullptr);
    EXPECT_EQ(textOf(percent), "0 % complete");
    EXPECT_EQ(GetWindowLongPtrA(percent, GWL_STYLE) & SS_TYPEMASK, SS_CENTER);

    for (int y : {30, 50, 70}) {
        HWND field = childAt(main, "Edit", 5, y);
        ASSERT_NE(field, nullptr) << y;
        expectRect(clientRect(field), 5, y, 400, 20, "field");
        EXPECT_EQ(textOf(field), "") << y;
        EXPECT_FALSE(IsWindowEnabled(field)) << y;
        EXPECT_TRUE(GetWindowLongPtrA(field, GWL_STYLE) & ES_AUTOHSCROLL) << y;
    }
    EXPECT_TRUE(GetWindowLongPtrA(pathField(main), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

    clickCommand(main, kExit);
    EXPECT_EQ(app.waitForExit(), 0u);
}

TEST_F(UiTest, FirstUseAsksForAPasswordUntilOneIsStored)
{
    {
        App app;
        HWND box = app.waitForMessageBox("Cannot find signatures due to ...");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(messageText(box), "This is your first usage of this software");
        // The main window is still being created: not shown yet.
        HWND main = app.findWindow("clsWindow", "Brisvane! V1.00");
        EXPECT_FALSE(main && IsWindowVisible(main));
        answer(box);
        HWND change = app.waitForWindow("chgpassWindow", "Change Password");
        ASSERT_NE(change, nullptr);
        expectRect(screenRect(change), 200, 200, 300, 200, "change-password window");
        EXPECT_EQ(GetWindow(change, GW_OWNER), app.waitForMainWindow());
        clickCommand(change, 14);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(change); }));
        EXPECT_FALSE(passwordKeyExists());
        clickCommand(app.waitForMainWindow(), kExit);
        EXPECT_EQ(app.waitForExit(), 0u);
    }
    {
        App app;
        answerMessageBox(app, "Cannot find signatures due to ...");
        HWND change = app.waitForWindow("chgpassWindow", "Change Password");
        ASSERT_NE(change, nullptr);
        // Any character is taken, beyond the hint's twenty.
        const char password[] = "Open sesame, 2026! \xE9t\xE9 and more than twenty";
        type(childAt(change, "Edit", 110, 30), password);
        type(childAt(change, "Edit", 110, 70), password);
        clickCommand(change, 15);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(change); }));
        std::string expected;
        for (const char* c = password; *c; ++c) {
            const unsigned char b = static_cast<unsigned char>(*c);
            expected += static_cast<char>(((b << 6) & 0xFF) | (b & 0x80 ? 0x3F : 0)) ^ 0x20;
        }
        expected += ' ';
        EXPECT_EQ(storedPasswordBytes(), expected);
        clickCommand(app.waitForMainWindow(), kExit);
        EXPECT_EQ(app.waitForExit(), 0u);
    }
    App app;
    EXPECT_NE(app.waitForMainWindow(), nullptr);
    EXPECT_EQ(app.findWindow("#32770", "Cannot find signatures due to ..."), nullptr);
}

TEST_F(UiTest, WrongPasswordThenChangeWithAMismatch)
{
    storePasswordBytes(kAbcStored);
    App app;
    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);

    HWND window = openPasswordWindow(app, main, kDeleteNow);
    ASSERT_NE(window, nullptr);
    expectRect(screenRect(window), 100, 100, 300, 200, "password window");
    confirmIn(window, "abd");
    HWND box = app.waitForMessageBox("Password confirmation");
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(IsWindow(window)) << "the password window goes before the message";
    EXPECT_EQ(messageText(box), "Invalid Password");
    answer(box);
    EXPECT_EQ(app.findWindow("#32770", "Select File(s)"), nullptr);

    confirmPassword(app, main, kPassword, "abc");
    HWND change = app.waitForWindow("chgpassWindow", "Change Password");
    ASSERT_NE(change, nullptr);
    expectRect(screenRect(change), 200, 200, 300, 200, "change-password window");
    type(childAt(change, "Edit", 110, 30), "new one");
    type(childAt(change, "Edit", 110, 70), "new two");
    clickCommand(change, 15);
    box = app.waitForMessageBox("Password confirmation");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(messageText(box), "Passwords do not match!!");
    EXPECT_TRUE(isShown(change)) << "the window stays open under the message";
    answer(box);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(change); }));
    EXPECT_EQ(storedPasswordBytes(), kAbcStored);
}

TEST_F(UiTest, NewPasswordThatCannotBeStoredIsReported)
{
    storePasswordBytes(kAbcStored);
    makePasswordKeyReadOnly();
    App app;
    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    confirmPassword(app, main, kPassword, "abc");
    HWND change = app.waitForWindow("chgpassWindow", "Change Password");
    ASSERT_NE(change, nullptr);
    type(childAt(change, "Edit", 110, 30), "newer");
    type(childAt(change, "Edit", 110, 70), "newer");
    clickCommand(change, 15);
    const std::string text = answerMessageBox(app, "Password confirmation");
    EXPECT_EQ(text.rfind("The new password could not be stored.", 0), 0u) << text;
    EXPECT_NE(text.find("ccess"), std::string::npos) << "no system text: " << text;
    EXPECT_TRUE(isShown(change)) << "the window stays for another try";
    EXPECT_EQ(storedPasswordBytes(), kAbcStored);
}

// Typed key by key, a long password fills the field, which takes no more:
// the part that fitted must not be stored as the password, or the user,
// typing it whole, would be locked out.
TEST_F(UiTest, PasswordLongerThanTheFieldIsNotStoredCut)
{
    App app;
    answerMessageBox(app, "Cannot find signatures due to ...");
    HWND change = app.waitForWindow("chgpassWindow", "Change Password");
    ASSERT_NE(change, nullptr);
    HWND newField = childAt(change, "Edit", 110, 30);
    HWND confirmField = childAt(change, "Edit", 110, 70);
    const std::string longest = "correct horse battery staple, and more";
    typeKeys(newField, longest);
    typeKeys(confirmField, longest);
    clickCommand(change, 15);
    // A masked field's text is not given to another program, so the length
    // kept is read from the message.
    const std::string text = answerMessageBox(app, "Password confirmation");
    const std::size_t at = text.find("cut at ");
    ASSERT_NE(at, std::string::npos) << text;
    const int kept = std::atoi(text.c_str() + at + 7);
    EXPECT_GT(kept, 0) << text;
    EXPECT_LT(kept, static_cast<int>(longest.size())) << text;
    EXPECT_FALSE(passwordKeyExists()) << "the cut password was stored";
    EXPECT_TRUE(IsWindow(change));

    // A shorter one goes in.
    typeKeys(newField, "abc");
    typeKeys(confirmField, "abc");
    clickCommand(change, 15);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(change); }));
    EXPECT_EQ(storedPasswordBytes(), kAbcStored);
}

// The width of what is drawn in an area of the DC: the columns holding a
// pixel unlike the area's first one, its background.
int inkWidth(HDC source, int x, int y, int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    int left = width;
    int right = -1;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            if (pixels[row * width + column] != pixels[0]) {
                left = std::min(left, column);
                right = std::max(right, column);
            }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return right < left ? 0 : right - left + 1;
}

// The width of the text as this process draws it in the font.
int drawnWidth(const char* text, HGDIOBJ font)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 400, 40);
    const HGDIOBJ previousBitmap = SelectObject(memory, bitmap);
    PatBlt(memory, 0, 0, 400, 40, WHITENESS);
    const HGDIOBJ previousFont = SelectObject(memory, font);
    SetBkMode(memory, TRANSPARENT);
    TextOutA(memory, 4, 4, text, static_cast<int>(std::strlen(text)));
    const int width = inkWidth(memory, 0, 0, 400, 40);
    SelectObject(memory, previousFont);
    SelectObject(memory, previousBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return width;
}

// Each label's and button's text fits its box, in the font the control
// draws with. Wine answers WM_GETFONT from another process with nothing
// (measured), so there the font is told by what the control draws.
TEST_F(UiTest, EveryTextFitsItsControl)
{
    storePasswordBytes(kAbcStored);
    App app;
    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    HWND label = childAt(main, "Static", 5, 140);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0));
    if (!font) {
        const HGDIOBJ dialogFont = GetStockObject(DEFAULT_GUI_FONT);
        const HGDIOBJ systemFont = GetStockObject(SYSTEM_FONT);
        const int inDialogFont = drawnWidth("0 % complete", dialogFont);
        ASSERT_NE(inDialogFont, drawnWidth("0 % complete", systemFont)) << "the fonts cannot be told apart";
        RECT place;
        GetWindowRect(label, &place);
        HDC screen = GetDC(nullptr);
        int drawn = 0;
        waitUntil([&] {
            drawn = inkWidth(screen, place.left, place.top, place.right - place.left, place.bottom - place.top);
            return drawn == inDialogFont;
        });
        ReleaseDC(nullptr, screen);
        ASSERT_EQ(drawn, inDialogFont) << "the label is not drawn in the standard dialog font";
        font = dialogFont;
    }

    HWND password = openPasswordWindow(app, main, kPassword);
    ASSERT_NE(password, nullptr);
    confirmIn(password, "abc");
    HWND change = app.waitForWindow("chgpassWindow", "Change Password");
    clickCommand(main, kAbout);
    HWND about = app.waitForWindow("AboutWindow", "About Brisvane! V1.00 ...");
    HWND another = openPasswordWindow(app, main, kDeleteNow);
    ASSERT_TRUE(change && about && another);
    HDC screen = GetDC(nullptr);
    const HGDIOBJ before = SelectObject(screen, font);
    for (HWND window : {main, change, about, another}) {
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char className[32];
            GetClassNameA(child, className, sizeof className);
            const bool button = std::string(className) == "Button";
            const std::string text = textOf(child);
            if (text.empty() || (!button && std::string(className) != "Static"))
                continue;
            const RECT box = clientRect(child);
            RECT needed{0, 0, box.right - box.left, 0};
            DrawTextA(screen, text.c_str(), -1, &needed, DT_CALCRECT | (button ? DT_SINGLELINE : DT_WORDBREAK));
            EXPECT_LE(needed.right, box.right - box.left) << '"' << text << "\" is too wide";
            EXPECT_LE(needed.bottom, box.bottom - box.top) << '"' << text << "\" is too tall: it wraps";
        }
    }
    SelectObject(screen, before);
    ReleaseDC(nullptr, screen);
}

TEST_F(UiTest, PasswordWindowsEachKeepTheirOwnFieldAndMode)
{
    storePasswordBytes(kAbcStored);
    App app;
    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    // A change request opened first, a deletion request after it: the
    // older window still reads its own field and leads to its own action.
    HWND first = openPasswordWindow(app, main, kPassword);
    ASSERT_NE(openPasswordWindow(app, main, kDeleteNow), nullptr);
    confirmIn(first, "abc");
    HWND change = app.waitForWindow("chgpassWindow", "Change Password");
    ASSERT_NE(change, nullptr);
    EXPECT_EQ(app.findWindow("#32770", "Select File(s)"), nullptr);
    EXPECT_EQ(app.windows("passWindow", "Password").size(), 1u);
}

TEST_F(UiTest, KeyAbsentWhenThePasswordWindowOpens)
{
    storePasswordBytes(kAbcStored);
    App app;
    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    removePasswordKey();

    clickCommand(main, kDeleteNow);
    HWND box = app.waitForMessageBox("Cannot Open due to ...");
    ASSERT_NE(box, nullptr);
    HWND window = app.findWindow("passWindow", "Password");
    EXPECT_FALSE(window && IsWindowVisible(window)) << "the message comes before the window";
    char expected[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), expected,
                   sizeof expected, nullptr);
    EXPECT_EQ(messageText(box), expected);
    answer(box);
    window = app.waitForWindow("passWindow", "Password");
    ASSERT_NE(window, nullptr);
    confirmIn(window, "abc");
    EXPECT_EQ(answerMessageBox(app, "Password confirmation"), "Invalid Password");

    // The empty password too, in a window that finds the key still absent.
    clickCommand(main, kDeleteNow);
    answerMessageBox(app, "Cannot Open due to ...");
    window = app.waitForWindow("passWindow", "Password");
    ASSERT_NE(window, nullptr);
    confirmIn(window, "");
    EXPECT_EQ(answerMessageBox(app, "Password confirmation"), "Invalid Password");
}

TEST_F(UiTest, RunsOfOneAndThreeFilesAndACancelledDialog)
{
    storePasswordBytes(kAbcStored);
    const std::string single = folder.makeFile("single.txt", 3000);
    App app;
    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);

    {
        const HeldFile held(single);
        confirmPassword(app, main, kDeleteNow, "abc");
        chooseInDialog(app, folder.path(), {"single.txt"});
        waitForRunEnd(main);
        EXPECT_EQ(held.contents(), std::string(3000, '\0'));
    }
    EXPECT_FALSE(fileExists(single));
    expectIdleAfterRun(main);

    std::vector<std::string> names = {"a.txt", "b.txt", "c.txt"};
    for (const std::string& name : names)
        folder.makeFile(name, 500);
    deleteFiles(app, main, names);
    expectIdleAfterRun(main);
    EXPECT_EQ(app.findWindow("#32770", "Files not destroyed"), nullptr);

    confirmPassword(app, main, kDeleteNow, "abc");
    cancelDialog(app);
    EXPECT_EQ(textOf(statusField(main)), "Deleting file ...");
    EXPECT_EQ(textOf(pathField(main)), "");
    EXPECT_TRUE(isShown(GetDlgItem(main, kDeleteNow)));
}

TEST_F(UiTest, LargerFileKeepsTheWindowFromClosingWhileItIsOverwritten)
{
    storePasswordBytes(kAbcStored);
    const std::string path = folder.makeFile("large.bin", 120 * 1000);
    App app;
    HWND main = startRun(app, {"large.bin"});
    ASSERT_NE(main, nullptr);

    HWND deleteNow = GetDlgItem(main, kDeleteNow);
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(deleteNow); }));
    std::string first;
    ASSERT_TRUE(waitUntil([&] {
        first = textOf(percentText(main));
        return first != "0 % complete";
    }));
    EXPECT_EQ(textOf(pathField(main)), path);
    PostMessageA(main, WM_CLOSE, 0, 0);
    clickCommand(main, kExit);
    EXPECT_TRUE(waitUntil([&] {
        const std::string now = textOf(percentText(main));
        return now != first && now != " 0 % complete";
    })) << "the percentage does not move";
    EXPECT_TRUE(IsWindow(main));
    EXPECT_FALSE(IsWindowVisible(deleteNow));
    EXPECT_EQ(askToEndSession(main), FALSE) << "log-off allowed during an overwrite";

    EXPECT_TRUE(waitUntil([&] { return !fileExists(path); }, 60000));
    waitForRunEnd(main);
    EXPECT_TRUE(app.running());
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(askToEndSession(main), TRUE) << "log-off refused after the run";
    clickCommand(main, kExit);
    EXPECT_EQ(app.waitForExit(), 0u);
}

// Brisvane's open lets others write too: another program that writes into
// the file during the overwrite leaves bytes that are found on reading back.
TEST_F(UiTest, FileWrittenByAnotherProgramDuringTheOverwriteIsKeptAndNamed)
{
    storePasswordBytes(kAbcStored);
    const std::string path = folder.makeFile("shared.bin", 120 * 1000);
    App app;
    HWND main = startRun(app, {"shared.bin"});
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(waitUntil([&] {
        const std::string percent = textOf(percentText(main));
        return percent != "0 % complete" && percent != "1  %complete";
    }));
    const HANDLE other = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(other, "mine", 4, &written, nullptr));
    CloseHandle(other);
    EXPECT_NE(textOf(percentText(main)), " 0 % complete") << "written after the overwrite ended";

    const std::string text = answerMessageBox(app, "Files not destroyed");
    EXPECT_NE(text.find(path + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("changed while it was being overwritten"), std::string::npos) << text;
    EXPECT_TRUE(fileExists(path));
    EXPECT_EQ(fileContents(path).substr(0, 4), "mine");
    expectIdleAfterRun(main);
}

TEST_F(UiTest, RunStartedDuringAnotherKeepsTheWindowBusyUntilTheOuterFileIsDone)
{
    storePasswordBytes(kAbcStored);
    const std::string outer = folder.makeFile("outer.bin", 120 * 1000);
    const std::string inner = folder.makeFile("inner.txt", 300);
    App app;
    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    // A password window opened before the run, confirmed while it works.
    HWND early = openPasswordWindow(app, main, kDeleteNow);
    ASSERT_NE(early, nullptr);
    confirmPassword(app, main, kDeleteNow, "abc");
    chooseInDialog(app, folder.path(), {"outer.bin"});
    HWND deleteNow = GetDlgItem(main, kDeleteNow);
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(deleteNow); }));

    confirmIn(early, "abc");
    chooseInDialog(app, folder.path(), {"inner.txt"});
    ASSERT_TRUE(waitUntil([&] { return !fileExists(inner) && textOf(pathField(main)).empty(); }));
    EXPECT_TRUE(fileExists(outer));
    EXPECT_FALSE(IsWindowVisible(deleteNow)) << "the outer run's file is still being overwritten";
    PostMessageA(main, WM_CLOSE, 0, 0);
    const std::string percent = textOf(percentText(main));
    EXPECT_TRUE(waitUntil([&] { return textOf(percentText(main)) != percent; }));
    EXPECT_TRUE(IsWindow(main));

    EXPECT_TRUE(waitUntil([&] { return !fileExists(outer); }, 60000));
    waitForRunEnd(main);
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.waitForExit(), 0u);
}

TEST_F(UiTest, ReadOnlyAndLockedFilesAreKeptAndNamed)
{
    storePasswordBytes(kAbcStored);
    const std::string first = folder.makeFile("first.txt", 300);
    const std::string readOnly = folder.makeFile("read-only.txt", 300);
    const std::string locked = folder.makeFile("locked.txt", 300);
    const std::string last = folder.makeFile("last.txt", 300);
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    const std::string before = fileContents(readOnly);

    App app;
    HWND main = startRun(app, {"first.txt", "read-only.txt", "locked.txt", "last.txt"});
    ASSERT_NE(main, nullptr);
    const std::string text = answerMessageBox(app, "Files not destroyed");
    CloseHandle(lock);

    EXPECT_NE(text.find(readOnly), std::string::npos) << text;
    EXPECT_NE(text.find("read-only"), std::string::npos) << text;
    EXPECT_NE(text.find(locked), std::string::npos) << text;
    EXPECT_NE(text.find("another program"), std::string::npos) << text;
    EXPECT_EQ(text.find(first), std::string::npos) << text;
    EXPECT_EQ(text.find(last), std::string::npos) << text;
    EXPECT_FALSE(fileExists(first));
    EXPECT_FALSE(fileExists(last));
    EXPECT_EQ(fileContents(readOnly), before);
    EXPECT_EQ(fileContents(locked), before);
    expectIdleAfterRun(main);
}

// The dialog gives the folder "R:\\" and so the paths "R:\\\\root-a.bin";
// drive R: is a folder of the tests' own, as a USB stick's root would be.
TEST_F(UiTest, SeveralFilesInADrivesRootAreDestroyed)
{
    storePasswordBytes(kAbcStored);
    const std::vector<std::string> names = {"root-a.bin", "root-b.bin"};
    for (const std::string& name : names) {
        std::ofstream("R:\\" + name, std::ios::binary) << std::string(300, 'r');
        ASSERT_TRUE(fileExists("R:\\" + name)) << "drive R: is not set up";
    }
    App app;
    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    confirmPassword(app, main, kDeleteNow, "abc");
    chooseInDialog(app, "R:\\", names);
    waitForRunEnd(main);
    for (const std::string& name : names)
        EXPECT_FALSE(fileExists("R:\\" + name)) << name;
    EXPECT_EQ(app.findWindow("#32770", "Files not destroyed"), nullptr);
    expectIdleAfterRun(main);
}

// Overwriting the file would zero its other name, in another folder, too.
TEST_F(UiTest, FileWithASecondNameIsKeptAndNamedAndTheNextOneDestroyed)
{
    storePasswordBytes(kAbcStored);
    const std::string linked = folder.makeFile("linked.txt", 2000);
    const std::string next = folder.makeFile("next.txt", 300);
    const Folder elsewhere;
    const std::string other = elsewhere.file("same.txt");
    ASSERT_TRUE(CreateHardLinkA(other.c_str(), linked.c_str(), nullptr));
    const std::string before = fileContents(linked);

    App app;
    HWND main = startRun(app, {"linked.txt", "next.txt"});
    ASSERT_NE(main, nullptr);
    const std::string text = answerMessageBox(app, "Files not destroyed");
    EXPECT_NE(text.find(linked + "\n    it has 1 other name"), std::string::npos) << text;
    EXPECT_NE(text.find("would turn that name to zeros too"), std::string::npos) << text;
    EXPECT_EQ(text.find(next), std::string::npos) << text;
    EXPECT_EQ(fileContents(other), before);
    EXPECT_EQ(fileContents(linked), before);
    EXPECT_FALSE(fileExists(next));
    expectIdleAfterRun(main);
    DeleteFileA(other.c_str());
}

// As an editor's save or a sync client does: a new file is renamed over the
// chosen one while it is overwritten, from outside Wine, where Brisvane's
// open does not stop it. The new file was not chosen and must stay.
TEST_F(UiTest, FilePutInPlaceOfTheChosenOneDuringTheOverwriteIsLeftAlone)
{
    const char* outside = std::getenv("BRISVANE_OUTSIDE_FOLDER");
    ASSERT_NE(outside, nullptr) << "BRISVANE_OUTSIDE_FOLDER is not set";
    const std::string place = std::string(outside) + "\\swap";
    ASSERT_TRUE(CreateDirectoryA(place.c_str(), nullptr));
    const std::string chosen = place + "\\chosen.bin";
    const std::string fresh = place + "\\chosen.bin.saved";
    std::ofstream(chosen, std::ios::binary) << std::string(120 * 1000, 'c');
    std::ofstream(fresh, std::ios::binary) << "the newly saved file";
    storePasswordBytes(kAbcStored);

    App app;
    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    confirmPassword(app, main, kDeleteNow, "abc");
    chooseInDialog(app, place, {"chosen.bin"});
    ASSERT_TRUE(waitUntil([&] {
        const std::string percent = textOf(percentText(main));
        return percent != "0 % complete" && percent != "1  %complete";
    }));
    ASSERT_TRUE(renameFromOutside(fresh, chosen));
    EXPECT_NE(textOf(percentText(main)), " 0 % complete") << "renamed after the overwrite ended";

    const std::string text = answerMessageBox(app, "Files not destroyed");
    EXPECT_NE(text.find(chosen + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("another file was put in its place meanwhile; that file was left alone"),
              std::string::npos) << text;
    EXPECT_EQ(fileContents(chosen), "the newly saved file");
    expectIdleAfterRun(main);
}

// Neighbours that the ANSI calls would reach in place of the chosen file:
// "keep.txt" for "keep.txt " (a trailing space is dropped), and "a.txt" for
// the fullwidth "\uFF41.txt" (its best fit in the code page).
TEST_F(UiTest, NamesWithoutAnExactFormAreKeptAndNamedAndTheirNeighboursUntouched)
{
    storePasswordBytes(kAbcStored);
    folder.makeWideFile(L"keep.txt", 300, 'k');
    folder.makeWideFile(L"keep.txt ", 300, 's');
    folder.makeWideFile(L"a.txt", 300, 'a');
    folder.makeWideFile(L"\uFF41.txt", 300, 'f');
    const std::string other = folder.makeFile("other.txt", 300);
    App app;
    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    confirmPassword(app, main, kDeleteNow, "abc");
    chooseInDialog(app, folder.widePath().substr(4), {L"keep.txt ", L"\uFF41.txt", L"other.txt"});
    HWND box = app.waitForMessageBox("Files not destroyed");
    ASSERT_NE(box, nullptr);
    // Named as the dialog showed it, although the code page has no such name.
    const std::wstring shown = wideMessageText(box);
    EXPECT_NE(shown.find(folder.widePath().substr(4) + L"\\\uFF41.txt\n"), std::wstring::npos);
    EXPECT_NE(shown.find(L"\n\nThe other file was destroyed."), std::wstring::npos);
    const std::string text = answerMessageBox(app, "Files not destroyed");

    EXPECT_FALSE(fileExists(other));
    EXPECT_EQ(folder.wideContents(L"keep.txt"), std::string(300, 'k'));
    EXPECT_EQ(folder.wideContents(L"keep.txt "), std::string(300, 's'));
    EXPECT_EQ(folder.wideContents(L"a.txt"), std::string(300, 'a'));
    EXPECT_EQ(folder.wideContents(L"\uFF41.txt"), std::string(300, 'f'));
    EXPECT_NE(text.find(folder.file("keep.txt ") + "\n"), std::string::npos) << text;
    EXPECT_EQ(text.find(other), std::string::npos) << text;
    std::size_t reasons = 0;
    for (std::size_t at = 0; (at = text.find("cannot be used exactly", at)) != std::string::npos; ++at)
        ++reasons;
    EXPECT_EQ(reasons, 2u) << text;
    expectIdleAfterRun(main);
}

// The link is one the tests' set-up made in the folder BRISVANE_LINK_FOLDER:
// chosen\link.txt, leading to elsewhere\target.txt.
TEST_F(UiTest, LinkIsKeptAndNamedAndItsTargetUntouched)
{
    const char* linkFolder = std::getenv("BRISVANE_LINK_FOLDER");
    ASSERT_NE(linkFolder, nullptr) << "BRISVANE_LINK_FOLDER is not set";
    const std::string target = std::string(linkFolder) + "\\elsewhere\\target.txt";
    const std::string link = std::string(linkFolder) + "\\chosen\\link.txt";
    const std::string before = fileContents(target);
    ASSERT_FALSE(before.empty());
    storePasswordBytes(kAbcStored);
    App app;
    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    confirmPassword(app, main, kDeleteNow, "abc");
    chooseInDialog(app, std::string(linkFolder) + "\\chosen", {"link.txt"});
    const std::string text = answerMessageBox(app, "Files not destroyed");

    EXPECT_NE(text.find(link + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("link to another file"), std::string::npos) << text;
    EXPECT_EQ(fileContents(target), before);
    EXPECT_TRUE(fileExists(link));
    expectIdleAfterRun(main);
}

TEST_F(UiTest, LongListOfFailuresFitsOnTheScreen)
{
    storePasswordBytes(kAbcStored);
    std::vector<std::string> names;
    for (int i = 0; i < 14; ++i) {
        // Long names, so that each takes room in the message.
        names.push_back("read-only-file-with-a-rather-long-name-to-take-up-room-" + std::to_string(i) + ".txt");
        ASSERT_TRUE(SetFileAttributesA(folder.makeFile(names.back(), 10).c_str(), FILE_ATTRIBUTE_READONLY));
    }
    App app;
    HWND main = startRun(app, names);
    ASSERT_NE(main, nullptr);
    HWND box = app.waitForMessageBox("Files not destroyed");
    ASSERT_NE(box, nullptr);
    const std::string text = messageText(box);
    const RECT rect = screenRect(box);
    EXPECT_GE(rect.top, 0);
    EXPECT_LE(rect.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_LE(rect.right - rect.left, GetSystemMetrics(SM_CXSCREEN));
    answer(box);

    EXPECT_NE(text.find(folder.file(names[0]) + "\n"), std::string::npos) << text;
    EXPECT_EQ(text.find(folder.file(names.back()) + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("and 6 more."), std::string::npos) << text;
    for (const std::string& name : names)
        EXPECT_TRUE(fileExists(folder.file(name))) << name;
}

// Unpacked into a downloads folder that also holds a library someone left
// there. Wine has been told to prefer a library found beside the program
// (comctl32=n,b), the order in which Windows looks for any library that
// is not one of its KnownDLLs.
TEST_F(UiTest, LibraryLeftBesideTheProgramNeverRunsInIt)
{
    const char* overrides = std::getenv("WINEDLLOVERRIDES");
    ASSERT_TRUE(overrides != nullptr && std::string(overrides).find("comctl32=n") != std::string::npos)
        << "Wine would not take a planted library even where Windows would";
    const Folder downloads;
    const std::string program = downloads.file("brisvane.exe");
    const std::string planted = downloads.file("COMCTL32.DLL");
    ASSERT_TRUE(CopyFileA(besideThisProgram("brisvane.exe").c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(besideThisProgram("planted_comctl32.dll").c_str(), planted.c_str(), FALSE));
    // Loaded under a name of its own, the library does leave its marker.
    const std::string check = downloads.file("check.dll");
    ASSERT_TRUE(CopyFileA(planted.c_str(), check.c_str(), FALSE));
    FreeLibrary(LoadLibraryA(check.c_str()));
    ASSERT_TRUE(fileExists(check + ".ran"));

    storePasswordBytes(kAbcStored);
    const std::string victim = folder.makeFile("downloaded.txt", 300);
    App app(program, downloads.path().c_str());
    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    deleteFiles(app, main, {"downloaded.txt"});
    expectIdleAfterRun(main);
    clickCommand(main, kExit);
    EXPECT_EQ(app.waitForExit(), 0u);
    EXPECT_FALSE(fileExists(victim));
    EXPECT_FALSE(fileExists(planted + ".ran")) << "the library beside the program ran in it";
    DeleteFileA((check + ".ran").c_str());
}

TEST_F(UiTest, TwoAboutWindowsCloseOneByOne)
{
    storePasswordBytes(kAbcStored);
    App app;
    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    clickCommand(main, kAbout);
    clickCommand(main, kAbout);
    const char title[] = "About Brisvane! V1.00 ...";
    ASSERT_TRUE(waitUntil([&] { return app.windows("AboutWindow", title).size() == 2; }));
    const std::vector<HWND> abouts = app.windows("AboutWindow", title);
    for (HWND about : abouts) {
        expectRect(screenRect(about), 500, 250, 450, 180, "About window");
        EXPECT_EQ(GetWindow(about, GW_OWNER), main);
        EXPECT_EQ(textOf(childAt(about, "Static", 5, 25)).rfind("Brisvane! Version 1.00.\n\n", 0), 0u);
    }
    clickCommand(abouts[0], 21);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(abouts[0]); }));
    EXPECT_TRUE(isShown(abouts[1]));

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.waitForExit(), 0u);
}

// The program on a system whose ANSI code page is 932, where the stored
// bytes would not survive the ANSI registry calls. Run with the locale set
// so (the test runner does that); the program inherits it.
TEST(JapaneseCodePage, PasswordSetOnFirstUseIsAcceptedAfterwards)
{
    ASSERT_EQ(GetACP(), 932u) << "not started in code page 932";
    removePasswordKey();
    App app;
    answerMessageBox(app, "Cannot find signatures due to ...");
    HWND change = app.waitForWindow("chgpassWindow", "Change Password");
    ASSERT_NE(change, nullptr);
    type(childAt(change, "Edit", 110, 30), "abc");
    type(childAt(change, "Edit", 110, 70), "abc");
    clickCommand(change, 15);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(change); }))
        << textOf(GetDlgItem(app.findWindow("#32770", "Password confirmation"), 0xFFFF));
    EXPECT_EQ(storedPasswordBytes(), kAbcStored);

    HWND main = app.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    confirmPassword(app, main, kDeleteNow, "abc");
    cancelDialog(app);
    EXPECT_EQ(app.findWindow("#32770", "Password confirmation"), nullptr) << "the password was refused";
    clickCommand(main, kExit);
    EXPECT_EQ(app.waitForExit(), 0u);
    removePasswordKey();
}

}  // namespace
