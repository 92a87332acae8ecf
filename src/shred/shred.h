// Overwrites a file with zero bytes, forces it to the device, deletes it.
#ifndef BRISVANE_SHRED_SHRED_H
#define BRISVANE_SHRED_SHRED_H

#include "shred/file_ops.h"

#include <string>

// What the caller sees while a file is shredded. pump() runs once before
// every one-byte write, and once after every block read back, so the user
// interface can handle a pending message. The percentage covers the main
// contents; the named streams after them are overwritten without one.
struct ShredObserver {
    void* context;
    void (*started)(void* context);
    void (*progress)(void* context, int percent);
    void (*pump)(void* context);
};

enum class ShredOutcome {
    Destroyed,      // overwritten, forced to the device and deleted
    NotOpened,      // could not be opened for update: untouched
    SizeUnknown,    // opened, but its size could not be read: untouched
    WriteFailed,    // a write failed: not fully overwritten, left in place
    CommitFailed,   // overwritten but never forced to the device: left in place
    Changed,        // read back other than as zeros of its length: left in place
    NotVerified,    // could not be read back: left in place
    DeleteFailed,   // overwritten, forced to the device, read back as zeros, but not deleted
    StreamsUnlisted,    // its main contents zeros, its named streams unknown: left in place
};

// A failure in a named stream leaves the file in place with its main
// contents zeros; the outcome then says what became of the stream.
struct ShredResult {
    ShredOutcome outcome;
    FileError error = FileError::None;  // the reason for the failure, None when destroyed
    FileDetail detail = {};
    std::string stream = {};            // the stream that failed, as shown (UTF-8)
};

// Commits are retried this many times in all before a file is given up.
constexpr int kCommitAttempts = 5;

// The file is read back in blocks of this size, one pump() after each.
constexpr unsigned kReadBackBlock = 64 * 1024;

ShredResult shredFile(const char* path, const ShredObserver& observer,
                      const FileOps& files = platformFileOps());

// The progress text: "%d   complete" with its fourth character made '%',
// so 7 reads "7  %complete" and 42 reads "42 % complete".
std::string formatPercent(int percent);

#endif
