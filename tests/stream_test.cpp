// shredFile over a file with named data streams, through a fake of the file
// operations that logs each call with what it was made on.
#include "shred/shred.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// The main contents are "main"; each stream goes by its name.
struct Part {
    std::int64_t size = 0;
    std::int64_t zeros = 0;         // bytes written so far, all zero
    std::int64_t position = 0;
    bool committed = false;
};

struct FakeFile {
    std::map<std::string, Part> parts;
    std::vector<StreamName> streams;    // as listed
    std::string failing;                // "part op": the one call that fails
    bool listingFails = false;
    std::map<int, std::string> open;
    Log log;
    int pumps = 0;
    std::vector<int> progress;
};

FakeFile file;
const FileIdentity kOpened{3, 4};

bool fails(const std::string& part, const char* op)
{
    file.log.push_back(std::string(op) + " " + part);
    return file.failing == part + " " + op;
}

Part& partOf(int fd)
{
    return file.parts.at(file.open.at(fd));
}

int fakeOpen(const char*, FileIdentity* opened)
{
    if (fails("main", "open"))
        return -1;
    file.open[10] = "main";
    *opened = kOpened;
    return 10;
}

std::int64_t fakeLength(int fd)
{
    return fails(file.open.at(fd), "length") ? -1 : partOf(fd).size;
}

int fakeWrite(int fd, const void* bytes, unsigned count)
{
    Part& part = partOf(fd);
    if (file.failing == file.open.at(fd) + " write" && part.position == 1) {
        ++part.position;
        return -1;
    }
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(*static_cast<const unsigned char*>(bytes), 0);
    ++part.position;
    ++part.zeros;
    return 1;
}

int fakeCommit(int fd)
{
    if (fails(file.open.at(fd), "commit"))
        return -1;
    partOf(fd).committed = true;
    return 0;
}

int fakeSeekToStart(int fd)
{
    file.log.push_back("seek " + file.open.at(fd));
    partOf(fd).position = 0;
    return 0;
}

// Another program's byte shows where the part is meant to read back changed.
int fakeRead(int fd, void* bytes, unsigned count)
{
    Part& part = partOf(fd);
    const std::string name = file.open.at(fd);
    if (fails(name, "read"))
        return -1;
    const std::int64_t n = std::min<std::int64_t>(count, part.size - part.position);
    std::fill_n(static_cast<unsigned char*>(bytes), n, 0);
    if (file.failing == name + " changed" && n > 0)
        *static_cast<unsigned char*>(bytes) = 'x';
    part.position += n;
    return static_cast<int>(n);
}

int fakeListStreams(int fd, const char* path, std::vector<StreamName>* streams)
{
    file.log.push_back("list");
    EXPECT_EQ(file.open.at(fd), "main");
    EXPECT_STREQ(path, "C:\\dl\\setup.exe");
    if (file.listingFails)
        return -1;
    *streams = file.streams;
    return 0;
}

int fakeOpenStream(const char* path, const char* stream, const FileIdentity& opened)
{
    EXPECT_STREQ(path, "C:\\dl\\setup.exe");
    EXPECT_TRUE(opened == kOpened) << "not told which file the stream must belong to";
    if (fails(stream, "open"))
        return -1;
    const int fd = 11 + static_cast<int>(file.open.size());
    file.open[fd] = stream;
    return fd;
}

int fakeClose(int fd)
{
    file.log.push_back("close " + file.open.at(fd));
    file.open.erase(fd);
    return 0;
}

int fakeRemove(const char*, const FileIdentity&)
{
    file.log.push_back("remove");
    EXPECT_TRUE(file.open.empty()) << "removed while open";
    return 0;
}

FileFailure fakeLastError()
{
    return {FileError::Other, {}};
}

const FileOps fakeOps = {fakeOpen,        fakeLength,     fakeWrite, fakeCommit, fakeSeekToStart, fakeRead,
                         fakeListStreams, fakeOpenStream, fakeClose, fakeRemove, fakeLastError};

void onStarted(void*) {}

void onProgress(void*, int percent)
{
    file.progress.push_back(percent);
}

void onPump(void*)
{
    ++file.pumps;
}

class Streams : public ::testing::Test {
protected:
    // A download: its contents, the browser's note of where it came from,
    // and a larger stream another program keeps.
    void SetUp() override
    {
        file = FakeFile{};
        file.parts["main"].size = 300;
        file.parts["Zone.Identifier"].size = 26;
        file.parts["big"].size = 70 * 1000;
        file.streams = {{"Zone.Identifier", true, "Zone.Identifier"}, {"big", true, "big"}};
    }

    static ShredResult shred()
    {
        return shredFile("C:\\dl\\setup.exe", ShredObserver{nullptr, onStarted, onProgress, onPump}, fakeOps);
    }

    static bool removed()
    {
        return std::find(file.log.begin(), file.log.end(), "remove") != file.log.end();
    }
};

TEST_F(Streams, EachIsZeroedCommittedAndReadBackBeforeTheOneDelete)
{
    const ShredResult result = shred();
    EXPECT_EQ(result.outcome, ShredOutcome::Destroyed);
    for (const auto& [name, part] : file.parts) {
        EXPECT_EQ(part.zeros, part.size) << name;
        EXPECT_TRUE(part.committed) << name;
    }
    // Reads are logged one per block, the big stream's two and a last one.
    const Log expected = {"open main", "length main", "commit main", "seek main", "read main", "read main",
                          "list",
                          "open Zone.Identifier", "length Zone.Identifier", "commit Zone.Identifier",
                          "seek Zone.Identifier", "read Zone.Identifier", "read Zone.Identifier",
                          "close Zone.Identifier",
                          "open big", "length big", "commit big", "seek big", "read big", "read big", "read big",
                          "close big",
                          "close main", "remove"};
    EXPECT_EQ(file.log, expected);
    // The percentage covers the main contents; the streams are pumped too.
    EXPECT_EQ(file.progress.size(), 99u);
    EXPECT_GE(file.pumps, 300 + 26 + 70 * 1000);
}

TEST_F(Streams, OneThatCannotBeOverwrittenKeepsTheFileAndIsNamed)
{
    struct Case {
        const char* failing;
        ShredOutcome outcome;
    };
    const Case cases[] = {
        {"big open", ShredOutcome::NotOpened},
        {"big length", ShredOutcome::SizeUnknown},
        {"big write", ShredOutcome::WriteFailed},
        {"big commit", ShredOutcome::CommitFailed},
        {"big changed", ShredOutcome::Changed},
        {"big read", ShredOutcome::NotVerified},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        SetUp();
        file.failing = c.failing;
        const ShredResult result = shred();
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.stream, "big");
        EXPECT_FALSE(removed());
        EXPECT_TRUE(file.open.empty()) << "left open";
        EXPECT_EQ(file.parts["main"].zeros, 300) << "the main contents come first";
    }
}

TEST_F(Streams, NothingOfThemIsTriedWhenTheMainContentsFailed)
{
    file.failing = "main commit";
    EXPECT_EQ(shred().outcome, ShredOutcome::CommitFailed);
    EXPECT_EQ(std::count(file.log.begin(), file.log.end(), "list"), 0);
    EXPECT_EQ(file.parts["Zone.Identifier"].zeros, 0);
}

TEST_F(Streams, ListThatFailsKeepsTheFile)
{
    file.listingFails = true;
    const ShredResult result = shred();
    EXPECT_EQ(result.outcome, ShredOutcome::StreamsUnlisted);
    EXPECT_FALSE(removed());
}

// Its name has no exact form in the code page: it is named, never opened.
TEST_F(Streams, NameWithoutAnExactFormKeepsTheFile)
{
    file.streams = {{"?", false, "\xE2\x98\x85"}, {"big", true, "big"}};
    const ShredResult result = shred();
    EXPECT_EQ(result.outcome, ShredOutcome::NotOpened);
    EXPECT_EQ(result.error, FileError::InexactName);
    EXPECT_EQ(result.stream, "\xE2\x98\x85");
    EXPECT_EQ(std::count(file.log.begin(), file.log.end(), "open ?"), 0);
    EXPECT_FALSE(removed());
}

TEST_F(Streams, FileWithoutThemIsDestroyedWithOneListing)
{
    file.streams.clear();
    EXPECT_EQ(shred().outcome, ShredOutcome::Destroyed);
    EXPECT_EQ(std::count(file.log.begin(), file.log.end(), "list"), 1);
    EXPECT_TRUE(removed());
}

}  // namespace
