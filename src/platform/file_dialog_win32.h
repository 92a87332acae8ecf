// The open-file dialog in which the user chooses the files to destroy.
#ifndef BRISVANE_PLATFORM_FILE_DIALOG_WIN32_H
#define BRISVANE_PLATFORM_FILE_DIALOG_WIN32_H

#include "shred/deletion_run.h"

#include <windows.h>

#include <string>
#include <vector>

// Loads the dialog's library from the system folder and fills the dialog's
// settings once; every later dialog reuses them. False if the library or
// its calls cannot be had.
bool prepareSelectionDialog();

// Shows the dialog over owner and waits for the user's answer.
Choice chooseFiles(HWND owner, std::vector<ChosenFile>* files);

#endif
