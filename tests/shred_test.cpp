// shredFile over a recording fake of the file operations.
#include "shred/shred.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kDescriptor = 7;

// One file as the fake platform sees it. The calls are logged in full for
// small files; for large ones only counted, with the per-byte order
// (percentage, then pump, then write) checked as they happen.
struct FakeFile {
    std::int64_t size = 0;
    std::int64_t failingOperation = 0;  // 1-based; 0: nothing fails
    bool commitAlwaysFails = false;
    bool logEachByte = true;

    std::int64_t operations = 0;
    bool open = false;
    bool pumpPending = false;
    std::int64_t writes = 0;
    std::int64_t failedWrites = 0;
    bool committed = false;
    int commits = 0;
    bool removed = false;
    std::vector<int> progress;
    std::vector<std::string> log;
};

FakeFile* file;

void record(std::string event)
{
    file->log.push_back(std::move(event));
}

// Per-byte calls are counted, not logged, in large files.
void recordByte(const char* event)
{
    if (file->logEachByte)
        record(event);
}

// Counts the operation and says whether it is the one meant to fail.
bool failsNow()
{
    return ++file->operations == file->failingOperation;
}

void checkDescriptor(int fd)
{
    if (fd != kDescriptor || !file->open)
        ADD_FAILURE() << "operation on a descriptor that is not open: " << fd;
}

int fakeOpen(const char*)
{
    record("open");
    if (failsNow())
        return -1;
    file->open = true;
    return kDescriptor;
}

std::int64_t fakeLength(int fd)
{
    record("length");
    checkDescriptor(fd);
    return failsNow() ? -1 : file->size;
}

int fakeWrite(int fd, const void* bytes, unsigned count)
{
    recordByte("write");
    checkDescriptor(fd);
    if (count != 1 || *static_cast<const unsigned char*>(bytes) != 0)
        ADD_FAILURE() << "write of " << count << " bytes, or not a zero byte";
    if (!file->pumpPending)
        ADD_FAILURE() << "write " << file->writes << " without a pump before it";
    file->pumpPending = false;
    ++file->writes;
    if (failsNow()) {
        ++file->failedWrites;
        return -1;
    }
    return 1;
}

int fakeCommit(int fd)
{
    record("commit");
    checkDescriptor(fd);
    ++file->commits;
    const bool fails = failsNow() || file->commitAlwaysFails;
    file->committed |= !fails;
    return fails ? -1 : 0;
}

int fakeClose(int fd)
{
    record("close");
    checkDescriptor(fd);
    file->open = false;
    return failsNow() ? -1 : 0;
}

int fakeRemove(const char* path)
{
    record("remove");
    if (file->open)
        ADD_FAILURE() << "removed while still open";
    EXPECT_STREQ(path, "victim.dat");
    if (failsNow())
        return -1;
    file->removed = true;
    return 0;
}

FileError fakeLastError()
{
    return FileError::InUse;
}

const FileOps fakeOps = {fakeOpen, fakeLength, fakeWrite, fakeCommit,
                         fakeClose, fakeRemove, fakeLastError};

void onStarted(void*)
{
    record("started");
}

void onProgress(void*, int percent)
{
    record("progress " + std::to_string(percent));
    if (file->pumpPending)
        ADD_FAILURE() << "progress reported between a pump and its write";
    file->progress.push_back(percent);
}

void onPump(void*)
{
    recordByte("pump");
    if (file->pumpPending)
        ADD_FAILURE() << "two pumps without a write between them";
    file->pumpPending = true;
}

const ShredObserver observer = {nullptr, onStarted, onProgress, onPump};

ShredResult shred(FakeFile& fake)
{
    file = &fake;
    return shredFile("victim.dat", observer, fakeOps);
}

std::vector<int> oneToNinetyNine()
{
    std::vector<int> values;
    for (int p = 1; p <= 99; ++p)
        values.push_back(p);
    return values;
}

using Log = std::vector<std::string>;

TEST(ShredFile, EmptyFileIsCommittedClosedAndDeletedWithoutWrites)
{
    FakeFile fake;
    const ShredResult result = shred(fake);
    EXPECT_EQ(result.outcome, ShredOutcome::Destroyed);
    EXPECT_EQ(result.error, FileError::None);
    EXPECT_EQ(fake.log, (Log{"open", "length", "started", "commit", "close", "remove"}));
}

TEST(ShredFile, OneByteFileReportsNoProgress)
{
    FakeFile fake;
    fake.size = 1;
    EXPECT_EQ(shred(fake).outcome, ShredOutcome::Destroyed);
    EXPECT_EQ(fake.log, (Log{"open", "length", "started", "pump", "write",
                             "commit", "close", "remove"}));
}

TEST(ShredFile, TwoByteFileReportsFiftyBeforeTheSecondPump)
{
    FakeFile fake;
    fake.size = 2;
    EXPECT_EQ(shred(fake).outcome, ShredOutcome::Destroyed);
    EXPECT_EQ(fake.log, (Log{"open", "length", "started", "pump", "write", "progress 50",
                             "pump", "write", "commit", "close", "remove"}));
}

TEST(ShredFile, ReportsEachPercentageOnceInOrderWhateverTheSize)
{
    // 3 bytes skip percentages (33, 66); 200 and more report every one.
    struct Case {
        std::int64_t size;
        std::vector<int> progress;
    };
    const Case cases[] = {
        {3, {33, 66}},
        {200, oneToNinetyNine()},
        {30000000, oneToNinetyNine()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        FakeFile fake;
        fake.size = c.size;
        fake.logEachByte = false;
        EXPECT_EQ(shred(fake).outcome, ShredOutcome::Destroyed);
        EXPECT_EQ(fake.writes, c.size);
        EXPECT_EQ(fake.progress, c.progress);
        EXPECT_TRUE(fake.removed);
    }
}

TEST(ShredFile, FileOfTwoGigabytesOrMoreIsOverwrittenLikeAnyOther)
{
    FakeFile fake;
    fake.size = (std::int64_t{1} << 31) + 3;
    fake.logEachByte = false;
    EXPECT_EQ(shred(fake).outcome, ShredOutcome::Destroyed);
    EXPECT_EQ(fake.writes, fake.size);
    Log expected{"open", "length", "started"};
    for (int p = 1; p <= 99; ++p)
        expected.push_back("progress " + std::to_string(p));
    expected.insert(expected.end(), {"commit", "close", "remove"});
    EXPECT_EQ(fake.log, expected);
}

// Fails each operation of a three-byte shred in turn: open, length, three
// writes, commit, close, remove.
TEST(ShredFile, DeletesOnlyAfterEveryWriteAndACommitSucceeded)
{
    struct Case {
        int failing;
        ShredOutcome outcome;
        int commits;
    };
    const Case cases[] = {
        {1, ShredOutcome::NotOpened, 0},
        {2, ShredOutcome::SizeUnknown, 0},
        {3, ShredOutcome::WriteFailed, 1},
        {4, ShredOutcome::WriteFailed, 1},
        {5, ShredOutcome::WriteFailed, 1},
        {6, ShredOutcome::Destroyed, 2},    // the retried commit succeeds
        {7, ShredOutcome::Destroyed, 1},    // a failed close changes nothing
        {8, ShredOutcome::DeleteFailed, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        FakeFile fake;
        fake.size = 3;
        fake.failingOperation = c.failing;
        const ShredResult result = shred(fake);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.error, c.outcome == ShredOutcome::Destroyed ? FileError::None
                                                                      : FileError::InUse);
        EXPECT_EQ(fake.commits, c.commits);
        EXPECT_FALSE(fake.open) << "left open";
        const bool deleteAllowed = fake.writes == 3 && fake.failedWrites == 0 && fake.committed;
        EXPECT_EQ(fake.log.back() == "remove", deleteAllowed);
        EXPECT_EQ(fake.removed, c.outcome == ShredOutcome::Destroyed);
        // A failed write is not retried, and the rest of the file is still written.
        if (c.outcome == ShredOutcome::WriteFailed) {
            EXPECT_EQ(fake.writes, 3);
        }
    }
}

TEST(ShredFile, CommitThatKeepsFailingLeavesTheFileInPlace)
{
    FakeFile fake;
    fake.size = 3;
    fake.commitAlwaysFails = true;
    const ShredResult result = shred(fake);
    EXPECT_EQ(result.outcome, ShredOutcome::CommitFailed);
    EXPECT_EQ(fake.commits, kCommitAttempts);
    EXPECT_EQ(fake.log.back(), "close");
    EXPECT_FALSE(fake.removed);
}

TEST(ShredFile, StartedIsCalledEvenWhenTheFileCannotBeOpened)
{
    FakeFile fake;
    fake.failingOperation = 1;
    shred(fake);
    EXPECT_EQ(fake.log, (Log{"open", "started"}));
}

TEST(FormatPercent, PutsThePercentSignAtTheFourthCharacter)
{
    const std::pair<int, const char*> cases[] = {
        {0, "0  %complete"},
        {5, "5  %complete"},
        {7, "7  %complete"},
        {42, "42 % complete"},
        {50, "50 % complete"},
        {99, "99 % complete"},
    };
    for (const auto& [percent, text] : cases)
        EXPECT_EQ(formatPercent(percent), text) << percent;
}

}  // namespace
