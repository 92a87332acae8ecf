#include "shred/shred.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// The smallest byte count w with floor(w * 100 / length) >= percent, worked
// out without forming w * 100, so that no file size can overflow it.
std::int64_t percentThreshold(int percent, std::int64_t length)
{
    return percent * (length / 100) + (percent * (length % 100) + 99) / 100;
}

// Reads the file back from its start through the same descriptor: its zeros
// are confirmed only if it is still exactly length bytes long and every one
// of them is zero. Another program may have written to it meanwhile.
ShredOutcome readBackZeros(int fd, std::int64_t length, const ShredObserver& observer,
                           const FileOps& files)
{
    if (files.seekToStart(fd) != 0)
        return ShredOutcome::NotVerified;
    std::vector<unsigned char> block(kReadBackBlock);
    std::int64_t total = 0;
    for (;;) {
        const int count = files.read(fd, block.data(), kReadBackBlock);
        if (count < 0)
            return ShredOutcome::NotVerified;
        if (count == 0)
            return total == length ? ShredOutcome::Destroyed : ShredOutcome::Changed;
        total += count;
        if (total > length
            || std::any_of(block.begin(), block.begin() + count, [](unsigned char b) { return b != 0; }))
            return ShredOutcome::Changed;
        observer.pump(observer.context);
    }
}

ShredResult failed(ShredOutcome outcome, const FileFailure& why)
{
    return {outcome, why.error, why.detail};
}

// Writes a zero over each of the length bytes from offset 0, one write per
// byte with a pump before each, then forces them to the device and reads
// them back. The percentage is reported only where progress is shown.
ShredResult overwrite(int fd, std::int64_t length, bool showProgress, const ShredObserver& observer,
                      const FileOps& files)
{
    ShredResult result{ShredOutcome::Destroyed};
    // The percentage is reported when the byte count crosses the next
    // threshold, which keeps division out of the per-byte loop.
    static const unsigned char zero = 0;
    int percent = 0;
    std::int64_t nextReport = showProgress ? percentThreshold(1, length) : INT64_MAX;
    for (std::int64_t written = 0; written < length; ++written) {
        if (written >= nextReport) {
            // Files under 100 bytes skip percentages: 3 bytes report 33, 66.
            while (written >= nextReport)
                nextReport = percentThreshold(++percent + 1, length);
            observer.progress(observer.context, percent);
        }
        observer.pump(observer.context);
        // A failed byte is not retried: the position did not move, so the
        // rest still lands inside the file, which is then kept.
        if (files.write(fd, &zero, 1) != 1 && result.outcome == ShredOutcome::Destroyed)
            result = failed(ShredOutcome::WriteFailed, files.lastError());
    }

    bool committed = false;
    for (int attempt = 0; attempt < kCommitAttempts && !committed; ++attempt)
        committed = files.commit(fd) == 0;
    if (!committed && result.outcome == ShredOutcome::Destroyed)
        result = failed(ShredOutcome::CommitFailed, files.lastError());
    if (result.outcome == ShredOutcome::Destroyed) {
        const ShredOutcome readBack = readBackZeros(fd, length, observer, files);
        if (readBack == ShredOutcome::NotVerified)
            result = failed(readBack, files.lastError());
        else if (readBack != ShredOutcome::Destroyed)
            result = {readBack};
    }
    return result;
}

ShredResult overwriteStream(const char* path, const StreamName& stream, const FileIdentity& opened,
                            const ShredObserver& observer, const FileOps& files)
{
    if (!stream.exact)
        return {ShredOutcome::NotOpened, FileError::InexactName};
    const int fd = files.openStream(path, stream.name.c_str(), opened);
    if (fd < 0)
        return failed(ShredOutcome::NotOpened, files.lastError());
    const std::int64_t length = files.length(fd);
    const ShredResult result = length < 0 ? failed(ShredOutcome::SizeUnknown, files.lastError())
                                          : overwrite(fd, length, false, observer, files);
    files.close(fd);
    return result;
}

// The named streams, each as the main contents were; the first that fails
// keeps the file.
ShredResult overwriteStreams(int fd, const char* path, const FileIdentity& opened, const ShredObserver& observer,
                             const FileOps& files)
{
    std::vector<StreamName> streams;
    if (files.listStreams(fd, path, &streams) != 0)
        return failed(ShredOutcome::StreamsUnlisted, files.lastError());
    for (const StreamName& stream : streams) {
        ShredResult result = overwriteStream(path, stream, opened, observer, files);
        if (result.outcome != ShredOutcome::Destroyed) {
            result.stream = stream.shown;
            return result;
        }
    }
    return {ShredOutcome::Destroyed};
}

}  // namespace

ShredResult shredFile(const char* path, const ShredObserver& observer, const FileOps& files)
{
    FileIdentity opened;
    const int fd = files.openForUpdate(path, &opened);
    const std::int64_t length = fd < 0 ? -1 : files.length(fd);
    ShredResult result{ShredOutcome::Destroyed};
    if (fd < 0)
        result = failed(ShredOutcome::NotOpened, files.lastError());
    else if (length < 0)
        result = failed(ShredOutcome::SizeUnknown, files.lastError());
    observer.started(observer.context);
    if (result.outcome != ShredOutcome::Destroyed) {
        if (fd >= 0)
            files.close(fd);
        return result;
    }

    result = overwrite(fd, length, true, observer, files);
    if (result.outcome == ShredOutcome::Destroyed)
        result = overwriteStreams(fd, path, opened, observer, files);
    files.close(fd);

    // Only a file whose zeros are known to be on the device, and read back
    // as such, streams and all, is deleted, and only if the name still
    // leads to it.
    if (result.outcome == ShredOutcome::Destroyed && files.remove(path, opened) != 0)
        result = failed(ShredOutcome::DeleteFailed, files.lastError());
    return result;
}

std::string formatPercent(int percent)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d   complete", percent);
    text[3] = '%';
    return text;
}
