#include "shred/deletion_run.h"

#include "shred/shred.h"

#include <cstdio>

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

std::string hexadecimal(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string reasonForOtherNames(const FileDetail& detail)
{
    const bool one = detail.number == 1;
    std::string text = "it has " + std::to_string(detail.number) + (one ? " other name" : " other names");
    if (!detail.names.empty()) {
        text += " (";
        for (std::size_t i = 0; i < detail.names.size(); ++i)
            text += (i > 0 ? ", " : "") + detail.names[i];
        text += ")";
    }
    return text + ", and overwriting it would turn " + (one ? "that name" : "them") +
           " to zeros too, so it was left untouched";
}

std::string reasonNotOpened(FileError error, const FileDetail& detail)
{
    switch (error) {
    case FileError::ReadOnly:
        return "could not be opened for writing: it is read-only";
    case FileError::AccessDenied:
        return "could not be opened for writing: Windows refused access to it (its permissions, or a "
               "protection such as Controlled Folder Access)";
    case FileError::WriteProtected:
        return "could not be opened for writing: its disk is write-protected";
    case FileError::InUse:
        return "could not be opened for writing: another program is using it";
    case FileError::Missing:
        return "could not be opened for writing: it was not found";
    case FileError::PathTooLong:
        return "could not be opened for writing: its path is too long";
    case FileError::NotAFile:
        return "could not be opened for writing: it is not a file";
    case FileError::InexactName:
        return "its name cannot be used exactly as it stands (it ends in a space or a dot, or has "
               "characters this system's code page cannot hold), so it was left untouched; "
               "rename it and try again";
    case FileError::Compressed:
        return "it is compressed, and Windows would write its zeros elsewhere on the disk, so it "
               "was left untouched; uncompress it (its Properties, Advanced) and try again";
    case FileError::Encrypted:
        return "it is encrypted, and Windows would write its zeros elsewhere on the disk, so it "
               "was left untouched; decrypt it first (its Properties, Advanced) and try again";
    case FileError::Sparse:
        return "it is a sparse file, and Brisvane cannot overwrite it in place, so it was left "
               "untouched";
    case FileError::IntegrityStream:
        return "it has an integrity stream (ReFS), and Windows would write its zeros elsewhere on "
               "the disk, so it was left untouched";
    case FileError::Link:
        return "it is a link to another file, so it was left untouched; choose the file itself";
    case FileError::Protected:
        return "it is protected, and Windows would let Brisvane write only a private copy of it, so "
               "it was left untouched; run Brisvane as administrator to shred it";
    case FileError::OtherNames:
        return reasonForOtherNames(detail);
    case FileError::Replaced:
        return "another file took its place while Brisvane opened it, so both were left untouched";
    case FileError::OnlineOnly:
        return "it is available online only: nothing of it is on this computer to overwrite, and "
               "opening it would only download it, so it was left untouched; delete it through "
               "its service";
    case FileError::Deduplicated:
        return "it is deduplicated: its data lies in the volume's shared store, which overwriting "
               "in place does not reach, so it was left untouched";
    case FileError::SystemCompressed:
        return "Windows keeps it compressed in a stream of its own, which overwriting in place "
               "does not reach, so it was left untouched";
    case FileError::UnknownReparse:
        return "it is a reparse point of a kind Brisvane does not know" +
               (detail.number != 0 ? " (tag " + hexadecimal(detail.number) + ")" : std::string()) +
               ", so it was left untouched";
    case FileError::None:
    case FileError::Other:
        break;
    }
    return "could not be opened for writing";
}

// A named stream that could not be overwritten keeps the file, whose main
// contents are zeros by then.
std::string reasonForStream(const ShredResult& result)
{
    const std::string stream = "its stream \"" + result.stream + "\"";
    std::string what;
    switch (result.outcome) {
    case ShredOutcome::NotOpened:
        what = result.error == FileError::InexactName
                   ? "the name of " + stream + " cannot be used exactly as it stands"
                   : stream + " could not be opened for writing";
        break;
    case ShredOutcome::SizeUnknown:
        what = "the size of " + stream + " could not be read";
        break;
    case ShredOutcome::WriteFailed:
        what = stream + " could not be fully overwritten";
        break;
    case ShredOutcome::CommitFailed:
        what = "the zeros of " + stream + " could not be forced to the device";
        break;
    case ShredOutcome::Changed:
        what = stream + " changed while it was being overwritten";
        break;
    default:
        what = stream + " could not be read back to confirm the overwrite";
        break;
    }
    return what + "; its main contents are zeros by now, but the file was left in place";
}

std::string reason(const ShredResult& result)
{
    if (!result.stream.empty())
        return reasonForStream(result);
    switch (result.outcome) {
    case ShredOutcome::NotOpened:
        return reasonNotOpened(result.error, result.detail);
    case ShredOutcome::SizeUnknown:
        return "its size could not be read, so it was left untouched";
    case ShredOutcome::WriteFailed:
        return "it could not be fully overwritten, so it was left in place";
    case ShredOutcome::CommitFailed:
        return "its zeros could not be forced to the device, so it was left in place";
    case ShredOutcome::Changed:
        return "it changed while it was being overwritten (another program may be writing to "
               "it), so it was left in place";
    case ShredOutcome::NotVerified:
        return "it could not be read back to confirm the overwrite, so it was left in place";
    case ShredOutcome::DeleteFailed:
        if (result.error == FileError::Replaced)
            return "it was overwritten, but another file was put in its place meanwhile; that "
                   "file was left alone, and nothing was deleted";
        return "it was overwritten, but could not be deleted";
    case ShredOutcome::StreamsUnlisted:
        return "its main contents are zeros by now, but its streams could not be listed, so the "
               "file was left in place";
    case ShredOutcome::Destroyed:
        break;
    }
    return "";
}

// What became of the rest, once the kept files are named.
std::string destroyedCount(std::size_t destroyed)
{
    if (destroyed == 0)
        return "No other file was destroyed.";
    if (destroyed == 1)
        return "The other file was destroyed.";
    return "The other " + std::to_string(destroyed) + " files were destroyed.";
}

// A name with no exact form is never handed to the file operations.
ShredResult destroy(const ChosenFile& chosen, const ShredObserver& observer, const FileOps& files)
{
    if (!chosen.exact)
        return {ShredOutcome::NotOpened, FileError::InexactName};
    return shredFile(chosen.path.c_str(), observer, files);
}

}  // namespace

void runDeletion(const RunDisplay& display, const FileOps& files)
{
    display.setStatus("Deleting file ...");
    std::vector<ChosenFile> chosen;
    switch (display.chooseFiles(&chosen)) {
    case Choice::Cancelled:
        return;
    case Choice::TooManyFiles:
        display.tellTooManyFiles();
        return;
    case Choice::Chosen:
        break;
    }

    std::string named;
    std::size_t notDestroyed = 0;
    FileInProgress file{display};
    const ShredObserver observer{&file, started, progress, pump};
    for (const ChosenFile& chosenFile : chosen) {
        display.setPath(chosenFile.path.c_str());
        const ShredResult result = destroy(chosenFile, observer, files);
        display.resetProgress(" 0 % complete");
        // shredFile calls started() for every file it is given.
        if (chosenFile.exact && --filesInProgress == 0)
            display.busyOff();
        display.setStatus("");
        display.setPath("");
        if (result.outcome != ShredOutcome::Destroyed && ++notDestroyed <= kFilesNamedAtMost)
            named += "\n" + chosenFile.shown + "\n    " + reason(result) + ".\n";
    }
    if (notDestroyed == 0)
        return;
    std::string text = "These files were not destroyed:\n" + named;
    if (notDestroyed > kFilesNamedAtMost)
        text += "\nand " + std::to_string(notDestroyed - kFilesNamedAtMost) + " more.\n";
    text += "\n" + destroyedCount(chosen.size() - notDestroyed);
    display.tellNotDestroyed(text.c_str());
}
