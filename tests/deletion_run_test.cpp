// runDeletion over a display that logs every call and files held in memory.
#include "shred/deletion_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using Log = std::vector<std::string>;
using Paths = std::vector<std::string>;

// ---------------------------------------------------------------------------
// The files, as the fake platform sees them.

// Foreign: another program writes into the file while it is overwritten.
// Stream: one named stream, which cannot be opened; Streams: they cannot be listed.
enum class Fault { None, Open, Length, Write, Commit, Foreign, Stream, Streams, Remove };

struct FakeFile {
    std::int64_t size = 0;
    Fault fault = Fault::None;
    FileError error = FileError::Other;     // what lastError() says after the fault
    FileDetail detail;
    int removeAttempts = 0;
};

struct OpenFile {
    std::string path;
    std::int64_t written = 0;
    std::int64_t readPosition = -1;     // -1 until the read-back starts
};

struct Disk {
    std::map<std::string, FakeFile> files;
    std::map<int, OpenFile> open;
    int nextDescriptor = 3;
    FileFailure lastError;
    Paths removed;      // in the order they went
};

Disk disk;

int fail(FileError error, const FileDetail& detail = {})
{
    disk.lastError = {error, detail};
    return -1;
}

OpenFile* openFile(int fd)
{
    const auto found = disk.open.find(fd);
    if (found == disk.open.end()) {
        ADD_FAILURE() << "operation on a descriptor that is not open: " << fd;
        return nullptr;
    }
    return &found->second;
}

FakeFile& fileOf(const OpenFile& open)
{
    return disk.files.at(open.path);
}

// Each file is known by its path, for the delete to check.
FileIdentity identityOf(const std::string& path)
{
    return {1, std::hash<std::string>()(path)};
}

int fakeOpen(const char* path, FileIdentity* opened)
{
    const auto found = disk.files.find(path);
    if (found == disk.files.end())
        return fail(FileError::Missing);
    if (found->second.fault == Fault::Open)
        return fail(found->second.error, found->second.detail);
    *opened = identityOf(path);
    const int fd = disk.nextDescriptor++;
    disk.open[fd] = OpenFile{path, 0};
    return fd;
}

std::int64_t fakeLength(int fd)
{
    const OpenFile* open = openFile(fd);
    if (open == nullptr)
        return fail(FileError::Other);
    const FakeFile& file = fileOf(*open);
    return file.fault == Fault::Length ? fail(file.error) : file.size;
}

int fakeWrite(int fd, const void* bytes, unsigned count)
{
    OpenFile* open = openFile(fd);
    if (open == nullptr)
        return fail(FileError::Other);
    const FakeFile& file = fileOf(*open);
    if (count != 1 || *static_cast<const unsigned char*>(bytes) != 0)
        ADD_FAILURE() << "write of " << count << " bytes, or not a zero byte";
    if (open->written >= file.size)
        ADD_FAILURE() << "write past the end of " << open->path;
    // The second byte is the one that fails.
    if (file.fault == Fault::Write && open->written == 1)
        return fail(file.error);
    ++open->written;
    return 1;
}

int fakeCommit(int fd)
{
    const OpenFile* open = openFile(fd);
    if (open == nullptr)
        return fail(FileError::Other);
    const FakeFile& file = fileOf(*open);
    return file.fault == Fault::Commit ? fail(file.error) : 0;
}

int fakeSeekToStart(int fd)
{
    OpenFile* open = openFile(fd);
    if (open == nullptr)
        return fail(FileError::Other);
    open->readPosition = 0;
    return 0;
}

int fakeRead(int fd, void* bytes, unsigned count)
{
    OpenFile* open = openFile(fd);
    if (open == nullptr || open->readPosition < 0)
        return fail(FileError::Other);
    const FakeFile& file = fileOf(*open);
    const std::int64_t n = std::min<std::int64_t>(count, file.size - open->readPosition);
    std::fill_n(static_cast<unsigned char*>(bytes), n, 0);
    if (file.fault == Fault::Foreign && open->readPosition == 0 && n > 0)
        *static_cast<unsigned char*>(bytes) = 'Z';
    open->readPosition += n;
    return static_cast<int>(n);
}

int fakeClose(int fd)
{
    if (openFile(fd) != nullptr)
        disk.open.erase(fd);
    return 0;
}

int fakeRemove(const char* path, const FileIdentity& opened)
{
    EXPECT_TRUE(opened == identityOf(path)) << path << " is not the file opened";
    for (const auto& [fd, open] : disk.open) {
        if (open.path == path)
            ADD_FAILURE() << path << " removed while still open as " << fd;
    }
    const auto found = disk.files.find(path);
    if (found == disk.files.end())
        return fail(FileError::Missing);
    ++found->second.removeAttempts;
    if (found->second.fault == Fault::Remove)
        return fail(found->second.error);
    disk.files.erase(found);
    disk.removed.push_back(path);
    return 0;
}

FileFailure fakeLastError()
{
    return disk.lastError;
}

int fakeListStreams(int fd, const char*, std::vector<StreamName>* streams)
{
    streams->clear();
    const OpenFile* open = openFile(fd);
    if (open == nullptr)
        return fail(FileError::Other);
    const FakeFile& file = fileOf(*open);
    if (file.fault == Fault::Streams)
        return fail(FileError::Other);
    if (file.fault == Fault::Stream)
        streams->push_back({"Zone.Identifier", true, "Zone.Identifier"});
    return 0;
}

int fakeOpenStream(const char*, const char*, const FileIdentity&)
{
    return fail(FileError::InUse);
}

const FileOps fakeOps = {fakeOpen,        fakeLength,     fakeWrite, fakeCommit, fakeSeekToStart, fakeRead,
                         fakeListStreams, fakeOpenStream, fakeClose, fakeRemove, fakeLastError};

// ---------------------------------------------------------------------------
// The display: every call logged in order, as one string each.

struct Screen {
    Log log;
    std::deque<std::pair<Choice, std::vector<ChosenFile>>> choices;   // the dialog's answers, in turn
    bool nestOnNextPump = false;    // start another run from inside pump()
    Log messages;                   // the texts given to tellNotDestroyed
};

Screen screen;

void record(std::string call)
{
    screen.log.push_back(std::move(call));
}

void fakeSetStatus(const char* text)
{
    record(std::string("setStatus ") + text);
}

void fakeSetPath(const char* text)
{
    record(std::string("setPath ") + text);
}

void fakeShowProgress(int percent, const char* text)
{
    record("showProgress " + std::to_string(percent) + " " + text);
}

void fakeResetProgress(const char* text)
{
    record(std::string("resetProgress ") + text);
}

void fakeBusyOn()
{
    record("busyOn");
}

void fakeBusyOff()
{
    record("busyOff");
}

Choice fakeChooseFiles(std::vector<ChosenFile>* files)
{
    record("chooseFiles");
    if (screen.choices.empty()) {
        ADD_FAILURE() << "the dialog was opened more often than expected";
        return Choice::Cancelled;
    }
    const auto [choice, chosen] = screen.choices.front();
    screen.choices.pop_front();
    *files = chosen;
    return choice;
}

void fakePump();

void fakeTellTooManyFiles()
{
    record("tellTooManyFiles");
}

void fakeTellNotDestroyed(const char* text)
{
    record("tellNotDestroyed");
    screen.messages.push_back(text);
}

const RunDisplay fakeDisplay = {fakeSetStatus,    fakeSetPath, fakeShowProgress,
                                fakeResetProgress, fakeBusyOn, fakeBusyOff,
                                fakeChooseFiles,  fakePump,    fakeTellTooManyFiles,
                                fakeTellNotDestroyed};

void fakePump()
{
    record("pump");
    if (screen.nestOnNextPump) {
        screen.nestOnNextPump = false;
        runDeletion(fakeDisplay, fakeOps);
    }
}

// ---------------------------------------------------------------------------

class DeletionRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        disk = Disk{};
        screen = Screen{};
    }

    void TearDown() override
    {
        EXPECT_TRUE(disk.open.empty()) << "a file was left open";
        EXPECT_TRUE(screen.choices.empty()) << "the dialog was opened less often than expected";
    }

    static void addFile(const std::string& path, std::int64_t size, Fault fault = Fault::None,
                        FileError error = FileError::Other)
    {
        FakeFile file;
        file.size = size;
        file.fault = fault;
        file.error = error;
        disk.files[path] = file;
    }

    // The dialog's next answer; the names in inexact have no exact form.
    static void answer(Choice choice, const Paths& paths, const Paths& inexact = {})
    {
        std::vector<ChosenFile> files;
        for (const std::string& path : paths) {
            const bool exact = std::find(inexact.begin(), inexact.end(), path) == inexact.end();
            files.push_back(ChosenFile{path, exact, path});
        }
        screen.choices.emplace_back(choice, files);
    }

    static void run()
    {
        runDeletion(fakeDisplay, fakeOps);
    }
};

const char* const kDeleting = "setStatus Deleting file ...";
const char* const kReset = "resetProgress  0 % complete";
const char* const kReadBack = "pump";

// The calls after each file's last byte, whatever became of the file.
Log fileDone(bool lastOfTheNest = true)
{
    Log calls{kReset};
    if (lastOfTheNest)
        calls.push_back("busyOff");
    calls.insert(calls.end(), {"setStatus ", "setPath "});
    return calls;
}

void append(Log& log, const Log& more)
{
    log.insert(log.end(), more.begin(), more.end());
}

std::size_t count(const Log& log, const std::string& call)
{
    std::size_t n = 0;
    for (const std::string& entry : log)
        n += entry == call;
    return n;
}

// The line after the one that names path, or "" when no line names it.
std::string reasonGiven(const std::string& text, const std::string& path)
{
    const std::string line = "\n" + path + "\n";
    const std::size_t at = text.find(line);
    if (at == std::string::npos)
        return "";
    const std::size_t start = at + line.size();
    return text.substr(start, text.find('\n', start) - start);
}

TEST_F(DeletionRun, DialogNotAnsweredWithFilesTouchesNothing)
{
    // The dialog's list is filled either way, so a run that read it anyway
    // would destroy these.
    const std::pair<Choice, Log> cases[] = {
        {Choice::Cancelled, {kDeleting, "chooseFiles"}},
        {Choice::TooManyFiles, {kDeleting, "chooseFiles", "tellTooManyFiles"}},
    };
    for (const auto& [choice, expected] : cases) {
        SCOPED_TRACE(static_cast<int>(choice));
        SetUp();
        addFile("a.dat", 2);
        addFile("b.dat", 0);
        answer(choice, {"a.dat", "b.dat"});
        run();
        EXPECT_EQ(screen.log, expected);
        EXPECT_EQ(disk.files.size(), 2u);
        EXPECT_EQ(disk.nextDescriptor, 3) << "a file was opened";
    }
}

TEST_F(DeletionRun, ShowsEachFileWhileItIsShreddedThenClearsTheDisplay)
{
    addFile("C:\\one.dat", 1);
    addFile("C:\\two.dat", 2);
    addFile("C:\\three.dat", 3);
    answer(Choice::Chosen, {"C:\\one.dat", "C:\\two.dat", "C:\\three.dat"});
    run();

    Log expected{kDeleting, "chooseFiles"};
    // A pump before each byte written, and one after the file is read back.
    append(expected, {"setPath C:\\one.dat", "busyOn", "pump", kReadBack});
    append(expected, fileDone());
    append(expected, {"setPath C:\\two.dat", "busyOn", "pump", "showProgress 50 50 % complete",
                      "pump", kReadBack});
    append(expected, fileDone());
    append(expected, {"setPath C:\\three.dat", "busyOn", "pump",
                      "showProgress 33 33 % complete", "pump",
                      "showProgress 66 66 % complete", "pump", kReadBack});
    append(expected, fileDone());
    EXPECT_EQ(screen.log, expected);
    EXPECT_EQ(disk.removed, (Paths{"C:\\one.dat", "C:\\two.dat", "C:\\three.dat"}));
    EXPECT_TRUE(disk.files.empty());
}

TEST_F(DeletionRun, EmptyFileStillMakesTheDisplayBusyButIsNeverPumped)
{
    addFile("empty.dat", 0);
    answer(Choice::Chosen, {"empty.dat"});
    run();

    Log expected{kDeleting, "chooseFiles", "setPath empty.dat", "busyOn"};
    append(expected, fileDone());
    EXPECT_EQ(screen.log, expected);
    EXPECT_EQ(disk.removed, Paths{"empty.dat"});
}

TEST_F(DeletionRun, NamesEveryFileNotDestroyedWithItsReasonInOneMessageAtTheEnd)
{
    struct Case {
        const char* path;
        Fault fault;
        FileError error;
        const char* phrase;
    };
    const Case cases[] = {
        {"read-only.dat", Fault::Open, FileError::ReadOnly, "read-only"},
        {"in-use.dat", Fault::Open, FileError::InUse, "another program"},
        {"missing.dat", Fault::Open, FileError::Missing, "not found"},
        {"long-path.dat", Fault::Open, FileError::PathTooLong, "too long"},
        {"folder", Fault::Open, FileError::NotAFile, "not a file"},
        {"trailing-dot.", Fault::Open, FileError::InexactName, "rename it"},
        {"link.dat", Fault::Open, FileError::Link, "link to another file"},
        {"protected.dat", Fault::Open, FileError::Protected, "run Brisvane as administrator"},
        {"denied.dat", Fault::Open, FileError::AccessDenied, "Windows refused access"},
        {"write-protected.dat", Fault::Open, FileError::WriteProtected, "disk is write-protected"},
        {"online-only.dat", Fault::Open, FileError::OnlineOnly, "delete it through its service"},
        {"deduplicated.dat", Fault::Open, FileError::Deduplicated, "shared store"},
        {"wof.dat", Fault::Open, FileError::SystemCompressed, "compressed in a stream of its own"},
        {"refs.dat", Fault::Open, FileError::IntegrityStream, "integrity stream"},
        {"swapped-at-open.dat", Fault::Open, FileError::Replaced, "took its place"},
        {"swapped-meanwhile.dat", Fault::Remove, FileError::Replaced,
         "another file was put in its place meanwhile; that file was left alone"},
        {"no-size.dat", Fault::Length, FileError::Other, "size could not be read"},
        {"bad-sector.dat", Fault::Write, FileError::Other, "fully overwritten"},
        {"no-flush.dat", Fault::Commit, FileError::Other, "forced to the device"},
        {"written-meanwhile.dat", Fault::Foreign, FileError::None, "another program may be writing"},
        {"compressed.dat", Fault::Open, FileError::Compressed, "uncompress it"},
        {"encrypted.dat", Fault::Open, FileError::Encrypted, "decrypt it first"},
        {"sparse.dat", Fault::Open, FileError::Sparse, "cannot overwrite it in place"},
        {"locked.dat", Fault::Remove, FileError::InUse, "could not be deleted"},
        {"downloaded.exe", Fault::Stream, FileError::InUse,
         "its stream \"Zone.Identifier\" could not be opened for writing; its main contents are zeros by "
         "now, but the file was left in place"},
        {"unlisted.dat", Fault::Streams, FileError::Other, "its streams could not be listed"},
    };
    // In runs of as many failures as one message names; a destroyed file
    // between every two failures, and at both ends.
    const std::size_t caseCount = sizeof cases / sizeof cases[0];
    for (std::size_t first = 0; first < caseCount; first += kFilesNamedAtMost) {
        SetUp();
        const std::size_t last = std::min(caseCount, first + kFilesNamedAtMost);
        Paths chosen{"kept-0.dat"};
        addFile("kept-0.dat", 3);
        Paths destroyed = chosen;
        for (std::size_t i = first; i < last; ++i) {
            addFile(cases[i].path, 3, cases[i].fault, cases[i].error);
            const std::string good = "kept-" + std::to_string(chosen.size()) + ".dat";
            addFile(good, 1);
            chosen.insert(chosen.end(), {cases[i].path, good});
            destroyed.push_back(good);
        }
        answer(Choice::Chosen, chosen);
        run();

        ASSERT_EQ(screen.messages.size(), 1u);
        EXPECT_EQ(screen.log.back(), "tellNotDestroyed") << "told before the run ended";
        const std::string& text = screen.messages[0];
        std::size_t previous = 0;
        for (std::size_t i = first; i < last; ++i) {
            const Case& c = cases[i];
            SCOPED_TRACE(c.path);
            EXPECT_NE(reasonGiven(text, c.path).find(c.phrase), std::string::npos) << text;
            const std::size_t at = text.find(c.path);
            EXPECT_GT(at, previous) << "not named in the order chosen";
            previous = at;
            ASSERT_EQ(disk.files.count(c.path), 1u) << "removed although not destroyed";
            EXPECT_EQ(disk.files.at(c.path).removeAttempts, c.fault == Fault::Remove ? 1 : 0);
        }
        for (const std::string& path : destroyed)
            EXPECT_EQ(text.find(path), std::string::npos) << path << " named but destroyed";
        EXPECT_EQ(disk.removed, destroyed);
        const std::string tally = "\n\nThe other " + std::to_string(destroyed.size()) + " files were destroyed.";
        EXPECT_EQ(text.substr(text.size() - tally.size()), tally) << text;
        // Every file, even one that could not be opened, is shown busy and then released.
        EXPECT_EQ(count(screen.log, "busyOn"), chosen.size());
        EXPECT_EQ(count(screen.log, "busyOff"), chosen.size());
    }
}

TEST_F(DeletionRun, ReasonsSayWhatOnlyTheFileCanTell)
{
    struct Case {
        const char* path;
        FileError error;
        FileDetail detail;
        const char* reason;
    };
    const Case cases[] = {
        {"twice.dat", FileError::OtherNames, {1, {"D:\\backup\\twice.dat"}},
         "it has 1 other name (D:\\backup\\twice.dat), and overwriting it would turn that name to "
         "zeros too, so it was left untouched."},
        {"thrice.dat", FileError::OtherNames, {2, {}},
         "it has 2 other names, and overwriting it would turn them to zeros too, so it was left untouched."},
        {"odd.dat", FileError::UnknownReparse, {0x8000001Bu, {}},
         "it is a reparse point of a kind Brisvane does not know (tag 0x8000001B), so it was left untouched."},
    };
    Paths chosen;
    for (const Case& c : cases) {
        addFile(c.path, 3, Fault::Open, c.error);
        disk.files.at(c.path).detail = c.detail;
        chosen.push_back(c.path);
    }
    answer(Choice::Chosen, chosen);
    run();
    ASSERT_EQ(screen.messages.size(), 1u);
    for (const Case& c : cases)
        EXPECT_EQ(reasonGiven(screen.messages[0], c.path), std::string("    ") + c.reason) << screen.messages[0];
}

TEST_F(DeletionRun, NameWithoutAnExactFormIsNamedButNeverOpened)
{
    // The dialog's look-alike of the name may well be another file's name:
    // "\uFF41.txt" has only "a.txt" in the code page. It is named as the
    // user saw it.
    addFile("a.txt", 3);
    addFile("b.txt", 2);
    screen.choices.emplace_back(Choice::Chosen, std::vector<ChosenFile>{{"a.txt", false, "\xEF\xBD\x81.txt"},
                                                                        {"b.txt", true, "b.txt"}});
    run();

    EXPECT_EQ(disk.removed, Paths{"b.txt"});
    ASSERT_EQ(disk.files.count("a.txt"), 1u);
    EXPECT_EQ(disk.nextDescriptor, 4) << "only b.txt was opened";
    ASSERT_EQ(screen.messages.size(), 1u);
    const std::string& text = screen.messages[0];
    EXPECT_NE(reasonGiven(text, "\xEF\xBD\x81.txt").find("cannot be used exactly"), std::string::npos) << text;
    EXPECT_EQ(text.find("\na.txt\n"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 31), "\n\nThe other file was destroyed.") << text;
    Log expected{kDeleting, "chooseFiles", "setPath a.txt", kReset, "setStatus ", "setPath ",
                 "setPath b.txt", "busyOn", "pump", "showProgress 50 50 % complete", "pump", kReadBack};
    append(expected, fileDone());
    expected.push_back("tellNotDestroyed");
    EXPECT_EQ(screen.log, expected);
}

TEST_F(DeletionRun, LongListOfFailuresNamesTheFirstOnesAndCountsTheRest)
{
    Paths chosen;
    for (int i = 0; i < 20; ++i) {
        chosen.push_back("locked-" + std::to_string(i) + ".dat");
        addFile(chosen.back(), 1, Fault::Open, FileError::InUse);
    }
    answer(Choice::Chosen, chosen);
    run();

    ASSERT_EQ(screen.messages.size(), 1u);
    const std::string& text = screen.messages[0];
    for (std::size_t i = 0; i < chosen.size(); ++i)
        EXPECT_EQ(text.find("\n" + chosen[i] + "\n") != std::string::npos, i < kFilesNamedAtMost)
            << chosen[i];
    const std::string more = "and " + std::to_string(chosen.size() - kFilesNamedAtMost) +
                             " more.\n\nNo other file was destroyed.";
    EXPECT_EQ(text.substr(text.size() - more.size()), more) << text;
    EXPECT_EQ(disk.files.size(), chosen.size());
}

TEST_F(DeletionRun, RunStartedFromInsidePumpKeepsTheDisplayBusyUntilTheOuterFileIsDone)
{
    addFile("outer-1.dat", 2);
    addFile("outer-2.dat", 1);
    addFile("inner.dat", 1);
    answer(Choice::Chosen, {"outer-1.dat", "outer-2.dat"});
    answer(Choice::Chosen, {"inner.dat"});
    screen.nestOnNextPump = true;
    run();

    Log expected{kDeleting, "chooseFiles", "setPath outer-1.dat", "busyOn", "pump"};
    // The nested run, inside the outer file's first pump.
    append(expected, {kDeleting, "chooseFiles", "setPath inner.dat", "pump", kReadBack});
    append(expected, fileDone(false));
    // The outer run carries on where it was.
    append(expected, {"showProgress 50 50 % complete", "pump", kReadBack});
    append(expected, fileDone());
    append(expected, {"setPath outer-2.dat", "busyOn", "pump", kReadBack});
    append(expected, fileDone());
    EXPECT_EQ(screen.log, expected);
    EXPECT_EQ(disk.removed, (Paths{"inner.dat", "outer-1.dat", "outer-2.dat"}));
    EXPECT_TRUE(disk.files.empty());
}

TEST_F(DeletionRun, RunStartedFromInsidePumpReportsOnlyItsOwnFailures)
{
    addFile("outer-bad.dat", 2, Fault::Open, FileError::InUse);
    addFile("outer-good.dat", 2);
    addFile("inner-bad.dat", 1, Fault::Commit);
    answer(Choice::Chosen, {"outer-good.dat", "outer-bad.dat"});
    answer(Choice::Chosen, {"inner-bad.dat"});
    screen.nestOnNextPump = true;
    run();

    ASSERT_EQ(screen.messages.size(), 2u);
    const std::string& inner = screen.messages[0];
    const std::string& outer = screen.messages[1];
    EXPECT_NE(reasonGiven(inner, "inner-bad.dat").find("forced to the device"), std::string::npos)
        << inner;
    EXPECT_EQ(inner.find("outer-"), std::string::npos) << inner;
    EXPECT_NE(reasonGiven(outer, "outer-bad.dat").find("another program"), std::string::npos)
        << outer;
    EXPECT_EQ(outer.find("inner-"), std::string::npos) << outer;
    EXPECT_EQ(outer.find("outer-good.dat"), std::string::npos) << outer;
    // The inner run told its failure before the outer file was finished.
    EXPECT_LT(std::find(screen.log.begin(), screen.log.end(), "tellNotDestroyed"),
              std::find(screen.log.begin(), screen.log.end(), "busyOff"));
    EXPECT_EQ(disk.removed, Paths{"outer-good.dat"});
}

}  // namespace
