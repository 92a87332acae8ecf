#include "ui/driver.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

const char kPasswordKey[] = "Software\\Orvex-Pass";
const char kPasswordValue[] = "PassName";
constexpr REGSAM kView = KEY_WOW64_32KEY;

struct Search {
    DWORD processId;
    const char* className;
    const char* title;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND window, LPARAM lParam)
{
    Search& search = *reinterpret_cast<Search*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId)
        return TRUE;
    char name[256];
    GetClassNameA(window, name, sizeof name);
    if (search.className && std::string(name) != search.className)
        return TRUE;
    if (search.title && textOf(window) != search.title)
        return TRUE;
    search.found.push_back(window);
    return TRUE;
}

}  // namespace

std::string besideThisProgram(const char* name)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

bool waitUntil(const std::function<bool()>& condition, DWORD timeout)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start > timeout)
            return false;
        Sleep(5);
    }
}

App::App() : App(besideThisProgram("brisvane.exe"), nullptr)
{
}

App::App(const std::string& program, const char* folder)
{
    std::string command = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                        &process_))
        ADD_FAILURE() << "cannot start " << command << ": error " << GetLastError();
}

App::~App()
{
    if (!process_.hProcess)
        return;
    if (running()) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, kPatience);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

DWORD App::waitForExit(DWORD timeout)
{
    WaitForSingleObject(process_.hProcess, timeout);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

bool App::running() const
{
    return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

std::vector<HWND> App::windows(const char* className, const char* title) const
{
    Search search{process_.dwProcessId, className, title, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND App::findWindow(const char* className, const char* title) const
{
    const std::vector<HWND> found = windows(className, title);
    return found.empty() ? nullptr : found.front();
}

HWND App::waitForWindow(const char* className, const char* title, DWORD timeout) const
{
    HWND window = nullptr;
    waitUntil(
        [&] {
            for (HWND candidate : windows(className, title))
                if (IsWindowVisible(candidate))
                    window = candidate;
            return window != nullptr;
        },
        timeout);
    return window;
}

std::string textOf(HWND window)
{
    // Sent rather than read from the caption, so edit controls of another
    // process answer with their contents.
    char text[4096] = "";
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, kPatience, &length);
    return std::string(text, length);
}

RECT screenRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT clientRect(HWND child)
{
    RECT rect = screenRect(child);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HWND childAt(HWND parent, const char* className, int x, int y)
{
    for (HWND child = FindWindowExA(parent, nullptr, className, nullptr); child;
         child = FindWindowExA(parent, child, className, nullptr)) {
        const RECT rect = clientRect(child);
        if (rect.left == x && rect.top == y)
            return child;
    }
    return nullptr;
}

bool isShown(HWND window)
{
    return IsWindow(window) && IsWindowVisible(window);
}

void click(HWND button)
{
    PostMessageA(button, BM_CLICK, 0, 0);
}

void clickCommand(HWND window, int id)
{
    HWND button = GetDlgItem(window, id);
    EXPECT_NE(button, nullptr) << "no control " << id;
    click(button);
}

void type(HWND edit, const char* text)
{
    SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kPatience, nullptr);
}

void typeKeys(HWND edit, const std::string& text)
{
    for (const char c : text)
        SendMessageTimeoutA(edit, WM_CHAR, static_cast<unsigned char>(c), 1, SMTO_ABORTIFHUNG, kPatience, nullptr);
}

std::string messageText(HWND box)
{
    return textOf(GetDlgItem(box, 0xFFFF));
}

std::wstring wideMessageText(HWND box)
{
    HWND text = GetDlgItem(box, 0xFFFF);
    std::wstring wide(static_cast<std::size_t>(GetWindowTextLengthW(text)) + 1, L'\0');
    wide.resize(static_cast<std::size_t>(GetWindowTextW(text, &wide[0], static_cast<int>(wide.size()))));
    return wide;
}

void answer(HWND box)
{
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

std::string answerMessageBox(const App& app, const char* caption)
{
    HWND box = app.waitForMessageBox(caption);
    if (!box) {
        ADD_FAILURE() << "no message box \"" << caption << "\"";
        return "";
    }
    const std::string text = messageText(box);
    answer(box);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); })) << caption;
    return text;
}

HWND openPasswordWindow(const App& app, HWND main, int command)
{
    const std::vector<HWND> before = app.windows("passWindow", "Password");
    clickCommand(main, command);
    HWND opened = nullptr;
    waitUntil([&] {
        for (HWND window : app.windows("passWindow", "Password"))
            if (IsWindowVisible(window) && std::find(before.begin(), before.end(), window) == before.end())
                opened = window;
        return opened != nullptr;
    });
    EXPECT_NE(opened, nullptr) << "no new password window";
    return opened;
}

void confirmIn(HWND passwordWindow, const char* password)
{
    type(childAt(passwordWindow, "Edit", 5, 50), password);
    clickCommand(passwordWindow, 12);
}

void confirmPassword(const App& app, HWND main, int command, const char* password)
{
    HWND window = openPasswordWindow(app, main, command);
    ASSERT_NE(window, nullptr);
    confirmIn(window, password);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(window); }));
}

namespace {

// The file-name field: an Edit inside the ComboBoxEx32 of the Explorer-style
// dialog, or the plain Edit of the older template.
HWND fileNameField(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, 0x47C);
    if (!combo)
        return GetDlgItem(dialog, 0x480);
    HWND inner = FindWindowExA(combo, nullptr, "ComboBox", nullptr);
    HWND edit = FindWindowExA(inner ? inner : combo, nullptr, "Edit", nullptr);
    return edit ? edit : combo;
}

HWND waitForDialog(const App& app)
{
    HWND dialog = app.waitForWindow("#32770", "Select File(s)");
    EXPECT_NE(dialog, nullptr) << "no open-file dialog";
    EXPECT_TRUE(waitUntil([&] { return dialog && IsWindowEnabled(dialog); }));
    return dialog;
}

void typeWide(HWND edit, const std::wstring& text)
{
    SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, kPatience, nullptr);
}

std::wstring widen(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(
        CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], static_cast<int>(wide.size()))));
    return wide;
}

}  // namespace

void chooseInDialog(const App& app, const std::wstring& folder, const std::vector<std::wstring>& names)
{
    HWND dialog = waitForDialog(app);
    if (!dialog)
        return;
    HWND field = fileNameField(dialog);
    if (names.size() == 1) {
        typeWide(field, folder + L"\\" + names.front());
    } else {
        // The dialog takes several names only from within their folder.
        typeWide(field, folder);
        SendMessageTimeoutW(dialog, WM_COMMAND, IDOK, 0, SMTO_ABORTIFHUNG, kPatience, nullptr);
        std::wstring list;
        for (const std::wstring& name : names)
            list += L"\"" + name + L"\" ";
        typeWide(field, list);
    }
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(dialog); })) << "the dialog stays open";
}

void chooseInDialog(const App& app, const std::string& folder, const std::vector<std::string>& names)
{
    std::vector<std::wstring> wideNames;
    for (const std::string& name : names)
        wideNames.push_back(widen(name));
    chooseInDialog(app, widen(folder), wideNames);
}

void cancelDialog(const App& app)
{
    HWND dialog = waitForDialog(app);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
}

namespace {

// Gives the key the access the descriptor, in the system's SDDL, grants.
LONG setKeyAccess(const char* descriptor)
{
    HKEY key;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPasswordKey, 0, WRITE_DAC | kView, &key);
    if (status != ERROR_SUCCESS)
        return status;
    PSECURITY_DESCRIPTOR security = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(descriptor, SDDL_REVISION_1,
                                                              &security, nullptr))
        status = static_cast<LONG>(GetLastError());
    else
        status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, security);
    LocalFree(security);
    RegCloseKey(key);
    return status;
}

}  // namespace

void makePasswordKeyReadOnly()
{
    ASSERT_EQ(setKeyAccess("D:P(A;;KR;;;WD)"), ERROR_SUCCESS);
}

void removePasswordKey()
{
    // A key left read-only by a scenario is made deletable first.
    setKeyAccess("D:P(A;;KA;;;WD)");
    const LONG status = RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kPasswordKey, kView, 0);
    ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
}

void storePasswordBytes(const std::string& encoded)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPasswordKey, 0, nullptr, 0,
                              KEY_ALL_ACCESS | kView, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, kPasswordValue, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(encoded.data()),
                             static_cast<DWORD>(encoded.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

bool passwordKeyExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPasswordKey, 0, KEY_READ | kView, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string storedPasswordBytes()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPasswordKey, 0, KEY_READ | kView, &key) != ERROR_SUCCESS)
        return "";
    wchar_t value[256];
    DWORD size = sizeof value;
    DWORD type = 0;
    const LONG status = RegQueryValueExW(key, L"PassName", nullptr, &type,
                                         reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return "";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    std::string bytes;
    for (DWORD i = 0; i < size / sizeof(wchar_t); ++i)
        bytes += value[i] <= 0xFF ? static_cast<char>(value[i]) : '?';
    // The system may hand the string back with a terminator it added; an
    // encoded password holds no NUL of its own.
    bytes.erase(bytes.find_last_not_of('\0') + 1);
    return bytes;
}

Folder::Folder()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    static unsigned made = 0;
    char name[64];
    std::snprintf(name, sizeof name, "brisvane-ui-%lu-%lu-%u", GetCurrentProcessId(), GetTickCount(), ++made);
    path_ = std::string(temp) + name;
    EXPECT_TRUE(CreateDirectoryA(path_.c_str(), nullptr)) << path_;
}

Folder::~Folder()
{
    // Wide and with the \\?\ prefix, so that every name goes as it is.
    const std::wstring folder = widePath();
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring path = folder + L"\\" + entry.cFileName;
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

std::wstring Folder::widePath() const
{
    return L"\\\\?\\" + widen(path_);
}

void Folder::makeWideFile(const std::wstring& name, std::size_t size, char fill) const
{
    const HANDLE file = CreateFileW((widePath() + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string bytes(size, fill);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(size), &written, nullptr));
    CloseHandle(file);
}

std::string Folder::wideContents(const std::wstring& name) const
{
    const HANDLE file = CreateFileW((widePath() + L"\\" + name).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "(absent)";
    std::string bytes;
    char block[4096];
    DWORD read = 0;
    while (ReadFile(file, block, sizeof block, &read, nullptr) && read > 0)
        bytes.append(block, read);
    CloseHandle(file);
    return bytes;
}

std::string Folder::makeFile(const std::string& name, std::size_t size) const
{
    const std::string path = file(name);
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('A' + i % 26);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

bool fileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string fileContents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

HeldFile::HeldFile(const std::string& path)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
{
    EXPECT_NE(handle_, INVALID_HANDLE_VALUE) << path;
}

HeldFile::~HeldFile()
{
    CloseHandle(handle_);
}

std::string HeldFile::contents() const
{
    SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
    std::string bytes;
    char block[4096];
    DWORD read = 0;
    while (ReadFile(handle_, block, sizeof block, &read, nullptr) && read > 0)
        bytes.append(block, read);
    return bytes;
}

namespace {

// "Z:\tmp\a" is "/tmp/a" outside; Wine's drive Z: is the root.
std::string outsidePath(const std::string& path)
{
    EXPECT_EQ(path.compare(0, 3, "Z:\\"), 0) << path << " is not on drive Z:";
    std::string posix = path.substr(2);
    for (char& c : posix)
        c = c == '\\' ? '/' : c;
    return posix;
}

}  // namespace

bool renameFromOutside(const std::string& from, const std::string& to)
{
    const char* outside = std::getenv("BRISVANE_OUTSIDE_FOLDER");
    if (outside == nullptr) {
        ADD_FAILURE() << "BRISVANE_OUTSIDE_FOLDER is not set";
        return false;
    }
    const std::string requests = std::string(outside) + "\\requests\\";
    const std::string draft = requests + "draft";
    const std::string request = requests + "swap.rename";
    std::ofstream(draft, std::ios::binary) << outsidePath(from) << "\n" << outsidePath(to) << "\n";
    // Whole or not at all, for the outside to read.
    if (!MoveFileA(draft.c_str(), request.c_str()))
        return false;
    return waitUntil([&] { return !fileExists(request); });
}
