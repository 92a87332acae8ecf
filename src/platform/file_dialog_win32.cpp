#include "platform/file_dialog_win32.h"

#include "platform/system_libraries_win32.h"
#include "shred/selection.h"

#include <commdlg.h>

#include <cstring>

namespace {

// The dialog answers in wide characters, so that a name with no exact form
// in the ANSI code page is seen as such instead of arriving as a look-alike
// ("ａ.txt" as "a.txt"). Room for a real multiple selection: a folder and a
// few hundred names.
wchar_t selectionBuffer[32 * 1024];
wchar_t fileTitle[512];
OPENFILENAMEW settings;

// The dialog's calls, from the system folder's library.
using GetOpenFileNameFunction = BOOL(WINAPI*)(OPENFILENAMEW*);
using ExtendedErrorFunction = DWORD(WINAPI*)();
GetOpenFileNameFunction getOpenFileName;
ExtendedErrorFunction extendedError;

template <typename Function>
Function exported(HMODULE library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

std::string utf8(const std::wstring& text)
{
    const int wideLength = static_cast<int>(text.size());
    std::string converted(WideCharToMultiByte(CP_UTF8, 0, text.data(), wideLength, nullptr, 0, nullptr, nullptr),
                          '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wideLength, &converted[0], static_cast<int>(converted.size()),
                        nullptr, nullptr);
    return converted;
}

// The name in the ANSI code page, if it converts there and back unchanged;
// exact says whether it did. Without an exact form it is only to be shown.
ChosenFile toAnsi(const std::wstring& path)
{
    const int wideLength = static_cast<int>(path.size());
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), wideLength,
                                           nullptr, 0, nullptr, &usedDefault);
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), wideLength, &ansi[0], length,
                        nullptr, &usedDefault);
    std::wstring back(static_cast<std::size_t>(wideLength), L'\0');
    const int backLength = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), length,
                                               &back[0], wideLength);
    const bool exact = !usedDefault && backLength == wideLength && back == path;
    return ChosenFile{ansi, exact, utf8(path)};
}

}  // namespace

bool prepareSelectionDialog()
{
    const HMODULE library = loadSystemLibrary("comdlg32.dll");
    if (!library)
        return false;
    getOpenFileName = exported<GetOpenFileNameFunction>(library, "GetOpenFileNameW");
    extendedError = exported<ExtendedErrorFunction>(library, "CommDlgExtendedError");
    if (!getOpenFileName || !extendedError)
        return false;
    // The basic form of the record, as the oldest dialogs know it.
    settings.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    settings.lpstrFilter = L"All Files (*.*)\0*.*\0";
    settings.lpstrFile = selectionBuffer;
    settings.nMaxFile = sizeof selectionBuffer / sizeof selectionBuffer[0];
    settings.lpstrFileTitle = fileTitle;
    settings.nMaxFileTitle = sizeof fileTitle / sizeof fileTitle[0];
    settings.lpstrTitle = L"Select File(s)";
    // A chosen shortcut is destroyed itself: without the last flag the
    // dialog would answer with its target, which may be anywhere.
    settings.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY
                   | OFN_NODEREFERENCELINKS;
    return true;
}

Choice chooseFiles(HWND owner, std::vector<ChosenFile>* files)
{
    settings.hwndOwner = owner;
    // All of it, so that no name of an earlier, longer answer is left behind.
    std::memset(selectionBuffer, 0, sizeof selectionBuffer);
    std::memset(fileTitle, 0, sizeof fileTitle);
    if (!getOpenFileName(&settings))
        return extendedError() == FNERR_BUFFERTOOSMALL ? Choice::TooManyFiles : Choice::Cancelled;
    if (selectionBuffer[0] == L'\0')
        return Choice::Cancelled;
    files->clear();
    for (const std::wstring& path : parseSelection(selectionBuffer, settings.nMaxFile))
        files->push_back(toAnsi(path));
    return Choice::Chosen;
}
