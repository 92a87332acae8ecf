#include "platform/file_dialog_win32.h"

#include "platform/optional_call_win32.h"
#include "platform/system_libraries_win32.h"
#include "platform/text_win32.h"
#include "shred/selection.h"

#include <commdlg.h>

#include <cstring>
#include <utility>

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

// The name in the ANSI code page where it has an exact form there, and as
// the dialog gave it, to be shown.
ChosenFile chosenFile(const std::wstring& path)
{
    bool exact = false;
    std::string ansi = ansiText(path, &exact);
    return ChosenFile{std::move(ansi), exact, utf8Text(path)};
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
        files->push_back(chosenFile(path));
    return Choice::Chosen;
}
