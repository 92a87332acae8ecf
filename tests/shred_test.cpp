// shredFile over a recording fake of the file operations.
#include "shred/shred.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    // What another program does to the file once its last byte is written.
    std::int64_t foreignByteAt = -1;    // writes a non-zero byte there
    std::int64_t growsBy = 0;
    std::int64_t shrinksBy = 0;
    unsigned readsAtMost = ~0u;         // the most one read hands back

    std::int64_t operations = 0;
    bool open = false;
    bool pumpPending = false;
    std::int64_t writes = 0;
    std::int64_t failedWrites = 0;
    std::int64_t position = 0;
    std::int64_t bytesRead = 0;
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

// The identity the open reports, which the delete must be handed back.
const FileIdentity kOpened{0x1234, 0x5678};

int fakeOpen(const char*, FileIdentity* opened)
{
    record("open");
    if (failsNow())
        return -1;
    file->open = true;
    *opened = kOpened;
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
    if (++file->position == file->size)
        file->size += file->growsBy - file->shrinksBy;
    return 1;
}

int fakeSeekToStart(int fd)
{
    record("seek");
    checkDescriptor(fd);
    if (failsNow())
        return -1;
    file->position = 0;
    return 0;
}

// Hands back what the file holds: zeros where the shred wrote, and the
// other program's bytes where it wrote.
int fakeRead(int fd, void* bytes, unsigned count)
{
    record("read");
    checkDescriptor(fd);
    if (file->pumpPending)
        ADD_FAILURE() << "read between a pump and its write";
    if (failsNow())
        return -1;
    const std::int64_t available = std::max<std::int64_t>(0, file->size - file->position);
    const unsigned n = static_cast<unsigned>(std::min<std::int64_t>({count, file->readsAtMost, available}));
    std::fill_n(static_cast<unsigned char*>(bytes), n, 0);
    if (file->foreignByteAt >= file->position && file->foreignByteAt < file->position + n)
        static_cast<unsigned char*>(bytes)[file->foreignByteAt - file->position] = 0x5A;
    file->position += n;
    file->bytesRead += n;
    return static_cast<int>(n);
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

int fakeRemove(const char* path, const FileIdentity& opened)
{
    record("remove");
    if (file->open)
        ADD_FAILURE() << "removed while still open";
    EXPECT_STREQ(path, "victim.dat");
    EXPECT_TRUE(opened == kOpened) << "the delete is not told which file was opened";
    if (failsNow())
        return -1;
    file->removed = true;
    return 0;
}

FileFailure fakeLastError()
{
    return {FileError::InUse, {}};
}

// No named streams.
int fakeListStreams(int, const char*, std::vector<StreamName>* streams)
{
    streams->clear();
    return 0;
}

int fakeOpenStream(const char*, const char*, const FileIdentity&)
{
    ADD_FAILURE() << "a stream opened where none was listed";
    return -1;
}

const FileOps fakeOps = {fakeOpen,        fakeLength,     fakeWrite, fakeCommit, fakeSeekToStart, fakeRead,
                         fakeListStreams, fakeOpenStream, fakeClose, fakeRemove, fakeLastError};

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

// Before every write, and after every block read back.
void onPump(void*)
{
    if (file->committed) {
        record("pump");
        return;
    }
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
    EXPECT_EQ(fake.log, (Log{"open", "length", "started", "commit", "seek", "read", "close", "remove"}));
}

TEST(ShredFile, OneByteFileReportsNoProgress)
{
    FakeFile fake;
    fake.size = 1;
    EXPECT_EQ(shred(fake).outcome, ShredOutcome::Destroyed);
    EXPECT_EQ(fake.log, (Log{"open", "length", "started", "pump", "write", "commit", "seek",
                             "read", "pump", "read", "close", "remove"}));
}

TEST(ShredFile, TwoByteFileReportsFiftyBeforeTheSecondPump)
{
    FakeFile fake;
    fake.size = 2;
    EXPECT_EQ(shred(fake).outcome, ShredOutcome::Destroyed);
    EXPECT_EQ(fake.log, (Log{"open", "length", "started", "pump", "write", "progress 50", "pump",
                             "write", "commit", "seek", "read", "pump", "read", "close", "remove"}));
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
    EXPECT_EQ(fake.bytesRead, fake.size);
    Log expected{"open", "length", "started"};
    for (int p = 1; p <= 99; ++p)
        expected.push_back("progress " + std::to_string(p));
    expected.insert(expected.end(), {"commit", "seek"});
    ASSERT_GT(fake.log.size(), expected.size());
    EXPECT_EQ(Log(fake.log.begin(), fake.log.begin() + expected.size()), expected);
    EXPECT_EQ(Log(fake.log.end() - 3, fake.log.end()), (Log{"read", "close", "remove"}));
}

// Fails each operation of a three-byte shred in turn: open, length, three
// writes, commit, the seek and two reads of the read-back, close, remove.
TEST(ShredFile, DeletesOnlyAfterEveryWriteACommitAndTheReadBackSucceeded)
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
        {7, ShredOutcome::NotVerified, 1},
        {8, ShredOutcome::NotVerified, 1},
        {9, ShredOutcome::NotVerified, 1},
        {10, ShredOutcome::Destroyed, 1},   // a failed close changes nothing
        {11, ShredOutcome::DeleteFailed, 1},
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
        const bool verified = c.outcome == ShredOutcome::Destroyed || c.outcome == ShredOutcome::DeleteFailed;
        EXPECT_EQ(fake.log.back() == "remove", verified);
        EXPECT_EQ(fake.removed, c.outcome == ShredOutcome::Destroyed);
        // A failed write is not retried, and the rest of the file is still written.
        if (c.outcome == ShredOutcome::WriteFailed) {
            EXPECT_EQ(fake.writes, 3);
        }
    }
}

// Another program writes to the file while it is overwritten (its open
// shares write access): what it leaves is found on reading back.
TEST(ShredFile, FileThatDoesNotReadBackAsZerosOfItsLengthIsKept)
{
    struct Case {
        const char* name;
        std::int64_t foreignByteAt;
        std::int64_t growsBy;
        std::int64_t shrinksBy;
        ShredOutcome outcome;
    };
    constexpr std::int64_t kSize = 3 * kReadBackBlock + 10;
    const Case cases[] = {
        {"a byte at the start", 0, 0, 0, ShredOutcome::Changed},
        {"a byte in the second block", kReadBackBlock + 7, 0, 0, ShredOutcome::Changed},
        {"a byte at the end", kSize - 1, 0, 0, ShredOutcome::Changed},
        {"grew by a byte", -1, 1, 0, ShredOutcome::Changed},
        {"lost its last byte", -1, 0, 1, ShredOutcome::Changed},
        {"left alone", -1, 0, 0, ShredOutcome::Destroyed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFile fake;
        fake.size = kSize;
        fake.logEachByte = false;
        fake.foreignByteAt = c.foreignByteAt;
        fake.growsBy = c.growsBy;
        fake.shrinksBy = c.shrinksBy;
        const ShredResult result = shred(fake);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.error, FileError::None);
        EXPECT_EQ(fake.removed, c.outcome == ShredOutcome::Destroyed);
        EXPECT_FALSE(fake.open);
    }
}

TEST(ShredFile, ReadBackTakesShortReadsAndPumpsOnceABlock)
{
    const std::pair<unsigned, int> cases[] = {
        {~0u, 4},           // four blocks, the last one short
        {1000, 197},        // the system hands back 1000 bytes at a time
    };
    for (const auto& [readsAtMost, pumps] : cases) {
        SCOPED_TRACE(readsAtMost);
        FakeFile fake;
        fake.size = 3 * kReadBackBlock + 10;
        fake.logEachByte = false;
        fake.readsAtMost = readsAtMost;
        EXPECT_EQ(shred(fake).outcome, ShredOutcome::Destroyed);
        EXPECT_EQ(fake.bytesRead, fake.size);
        EXPECT_EQ(std::count(fake.log.begin(), fake.log.end(), "pump"), pumps);
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
