// One deletion run: the user chooses files, and each is shredded in turn
// while the main window shows which file and how far.
#ifndef BRISVANE_SHRED_DELETION_RUN_H
#define BRISVANE_SHRED_DELETION_RUN_H

#include "shred/file_ops.h"

#include <string>
#include <vector>

// One file the user chose, as the dialog named it. A name that has no exact
// form this program can address is carried only to be named, never opened.
struct ChosenFile {
    std::string path;
    bool exact;
    std::string shown;  // the name as the dialog gave it, in UTF-8, to be shown
};

enum class Choice {
    Chosen,         // the files, in the order they were chosen
    Cancelled,
    TooManyFiles,   // the selection did not fit the dialog's buffer
};

// What the run needs from the user interface.
struct RunDisplay {
    void (*setStatus)(const char* text);
    void (*setPath)(const char* text);
    // Moves the bar and the percentage text, repainting both at once.
    void (*showProgress)(int percent, const char* text);
    // Puts the bar and the text back, leaving the repaint for later.
    void (*resetProgress)(const char* text);
    // Hides "Delete Now!" and refuses closing; busyOff undoes both.
    void (*busyOn)();
    void (*busyOff)();
    Choice (*chooseFiles)(std::vector<ChosenFile>* files);
    // Handles at most one pending message, without waiting for one.
    void (*pump)();
    void (*tellTooManyFiles)();
    // Names the files that were not destroyed, and why; UTF-8.
    void (*tellNotDestroyed)(const char* text);
};

// The end-of-run message names this many files at most, so that it fits on
// the screen; it counts the rest.
constexpr std::size_t kFilesNamedAtMost = 8;

// Runs to its end before returning. A run may start inside another's
// pump(); the display stays busy until the outermost run's file is done.
void runDeletion(const RunDisplay& display, const FileOps& files = platformFileOps());

#endif
