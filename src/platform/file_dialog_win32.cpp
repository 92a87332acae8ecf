#include "platform/file_dialog_win32.h"

#include "shred/selection.h"

#include <commdlg.h>

namespace {

// Room for a real multiple selection: a folder and a few hundred names.
char selectionBuffer[32 * 1024];
char fileTitle[512];
OPENFILENAMEA settings;

}  // namespace

void prepareSelectionDialog()
{
    // The basic form of the record, as the oldest dialogs know it.
    settings.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    settings.lpstrFilter = "All Files (*.*)\0*.*\0";
    settings.lpstrFile = selectionBuffer;
    settings.nMaxFile = sizeof selectionBuffer;
    settings.lpstrFileTitle = fileTitle;
    settings.nMaxFileTitle = sizeof fileTitle;
    settings.lpstrTitle = "Select File(s)";
    settings.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY;
}

Choice chooseFiles(HWND owner, std::vector<std::string>* paths)
{
    settings.hwndOwner = owner;
    selectionBuffer[0] = '\0';
    fileTitle[0] = '\0';
    if (!GetOpenFileNameA(&settings))
        return CommDlgExtendedError() == FNERR_BUFFERTOOSMALL ? Choice::TooManyFiles : Choice::Cancelled;
    if (selectionBuffer[0] == '\0')
        return Choice::Cancelled;
    *paths = parseSelection(selectionBuffer, sizeof selectionBuffer);
    return Choice::Chosen;
}
