#include "shred/deletion_run.h"

#include "shred/shred.h"

namespace {

// Files being shredded right now: more than one when a run was started from
// inside another's message handling.
int filesInProgress = 0;

struct FileInProgress {
    const RunDisplay& display;
};

void started(void* context)
{
    if (filesInProgress++ == 0)
        static_cast<FileInProgress*>(context)->display.busyOn();
}

void progress(void* context, int percent)
{
    static_cast<FileInProgress*>(context)->display.showProgress(percent, formatPercent(percent).c_str());
}

void pump(void* context)
{
    static_cast<FileInProgress*>(context)->display.pump();
}

const char* reasonNotOpened(FileError error)
{
    switch (error) {
    case FileError::ReadOnly:
        return "could not be opened for writing: it is read-only";
    case FileError::InUse:
        return "could not be opened for writing: another program is using it";
    case FileError::Missing:
        return "could not be opened for writing: it was not found";
    case FileError::PathTooLong:
        return "could not be opened for writing: its path is too long";
    case FileError::NotAFile:
        return "could not be opened for writing: it is not a file";
    case FileError::None:
    case FileError::Other:
        break;
    }
    return "could not be opened for writing";
}

const char* reason(const ShredResult& result)
{
    switch (result.outcome) {
    case ShredOutcome::NotOpened:
        return reasonNotOpened(result.error);
    case ShredOutcome::SizeUnknown:
        return "its size could not be read, so it was left untouched";
    case ShredOutcome::WriteFailed:
        return "it could not be fully overwritten, so it was left in place";
    case ShredOutcome::CommitFailed:
        return "its zeros could not be forced to the device, so it was left in place";
    case ShredOutcome::DeleteFailed:
        return "it was overwritten, but could not be deleted";
    case ShredOutcome::Destroyed:
        break;
    }
    return "";
}

}  // namespace

void runDeletion(const RunDisplay& display, const FileOps& files)
{
    display.setStatus("Deleting file ...");
    std::vector<std::string> paths;
    switch (display.chooseFiles(&paths)) {
    case Choice::Cancelled:
        return;
    case Choice::TooManyFiles:
        display.tellTooManyFiles();
        return;
    case Choice::Chosen:
        break;
    }

    std::string notDestroyed;
    FileInProgress file{display};
    const ShredObserver observer{&file, started, progress, pump};
    for (const std::string& path : paths) {
        display.setPath(path.c_str());
        const ShredResult result = shredFile(path.c_str(), observer, files);
        display.resetProgress(" 0 % complete");
        if (--filesInProgress == 0)
            display.busyOff();
        display.setStatus("");
        display.setPath("");
        if (result.outcome != ShredOutcome::Destroyed)
            notDestroyed += "\n" + path + "\n    " + reason(result) + ".\n";
    }
    if (!notDestroyed.empty())
        display.tellNotDestroyed(("These files were not destroyed:\n" + notDestroyed).c_str());
}
