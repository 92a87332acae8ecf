// Opening and deleting a chosen file over a fake of the Windows calls, each
// answering as Windows documents it: GetFinalPathNameByHandle's forms and
// flags ("GetFinalPathNameByHandleA function", including the Vista remark
// on the terminating NUL), BY_HANDLE_FILE_INFORMATION's volume serial and
// file index, "File Attribute Constants" and "Reparse Point Tags", and UAC
// file virtualisation ("Registry and file virtualization" in the UAC
// documentation: a write to a protected file goes to the VirtualStore).
#include "shred/windows_open.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kWriteProtect = 19;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kNotImplemented = 120;
constexpr std::uint32_t kOpenedDos = kFileNameOpened | kVolumeNameDos;

using FinalPaths = std::map<std::uint32_t, std::string>;    // by form; a form absent fails

// A name in the fake file system.
struct Entry {
    FileDescription name;       // the file the name itself is
    bool swapped = false;       // another file is at the name by the time it is opened
    std::uint32_t openError = 0;
    bool protectedFile = false; // only an administrator may write it
    FinalPaths finalPaths;      // the opened file's, by form
    std::vector<std::string> otherNames;            // FindFirstFileNameW's, made full
};

struct FakeWindows {
    std::map<std::string, Entry> entries;
    std::map<std::string, FinalPaths> folders;      // by the folder's path as asked
    std::uint32_t finalPathError = kAccessDenied;   // for the forms not given
    bool vistaCountsTheNul = false;
    bool virtualization = false;
    std::vector<std::string> privateCopies;         // made by a virtualised open
    std::map<int, std::string> open;                // descriptors to the names opened
    std::vector<std::string> log;
    std::vector<std::string> deleted;
    int openTokens = 0;
    // The volume's flags, unknown when absent; the streams as listed, or
    // the listing's error.
    bool volumeFlagsKnown = true;
    std::uint32_t volumeFlags = 0x40000;    // FILE_NAMED_STREAMS
    std::vector<StreamName> listedStreams = {{"::$DATA", true, "::$DATA"}};
    std::uint32_t listingError = 0;
    int listings = 0;
};

FakeWindows windows;

const FileIdentity kOther{7, 999};

FileDescription ordinary(std::uint64_t file)
{
    FileDescription description;
    description.attributes = 0x20;
    description.identity = {7, file};
    return description;
}

bool fakeDescribeName(const char* path, FileDescription* found, std::uint32_t* error)
{
    windows.log.push_back(std::string("describe ") + path);
    const auto entry = windows.entries.find(path);
    if (entry == windows.entries.end()) {
        *error = kFileNotFound;
        return false;
    }
    *found = entry->second.name;
    return true;
}

int fakeOpenDescriptor(const char* path, std::uint32_t* error)
{
    windows.log.push_back(std::string("open ") + path);
    Entry& entry = windows.entries.at(path);
    if (entry.protectedFile) {
        if (!windows.virtualization) {
            *error = kAccessDenied;
            return -1;
        }
        windows.privateCopies.push_back(path);
    } else if (entry.openError != 0) {
        *error = entry.openError;
        return -1;
    }
    const int fd = 3 + static_cast<int>(windows.open.size());
    windows.open[fd] = path;
    return fd;
}

bool fakeDescribeDescriptor(int fd, FileDescription* found, std::uint32_t*)
{
    const Entry& entry = windows.entries.at(windows.open.at(fd));
    *found = entry.name;
    if (entry.swapped)
        found->identity = kOther;
    return true;
}

int fakeCloseDescriptor(int fd)
{
    EXPECT_EQ(windows.open.erase(fd), 1u) << "closed twice";
    return 0;
}

std::uint32_t answerFinalPath(const FinalPaths& paths, std::uint32_t form, char* buffer, std::uint32_t capacity,
                              std::uint32_t* error)
{
    const auto found = paths.find(form);
    if (found == paths.end()) {
        *error = windows.finalPathError;
        return 0;
    }
    const std::string& path = found->second;
    EXPECT_LT(path.size() + 1, capacity);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<std::uint32_t>(path.size() + (windows.vistaCountsTheNul ? 1 : 0));
}

std::uint32_t fakeFinalPathOfDescriptor(int fd, std::uint32_t form, char* buffer, std::uint32_t capacity,
                                        std::uint32_t* error)
{
    const Entry& entry = windows.entries.at(windows.open.at(fd));
    return answerFinalPath(entry.finalPaths, form, buffer, capacity, error);
}

std::uint32_t fakeFinalPathOfFolder(const char* folder, std::uint32_t form, char* buffer, std::uint32_t capacity,
                                    std::uint32_t* error)
{
    const auto found = windows.folders.find(folder);
    if (found == windows.folders.end()) {
        ADD_FAILURE() << "asked for the folder " << folder;
        *error = kFileNotFound;
        return 0;
    }
    return answerFinalPath(found->second, form, buffer, capacity, error);
}

// The dialog's paths are full already; Windows leaves them so, doubled
// separators and all where GetLongPathName keeps them.
std::string fakeFullPathName(const char* path)
{
    return path;
}

std::string fakeLongPathName(const char* path)
{
    return path;
}

std::vector<std::string> fakeOtherNamesOf(const char* path)
{
    return windows.entries.at(path).otherNames;
}

bool fakeVirtualizationOn()
{
    return windows.virtualization;
}

void fakeSetVirtualization(bool on)
{
    windows.log.push_back(on ? "virtualization on" : "virtualization off");
    windows.virtualization = on;
}

bool fakeVolumeFlags(int, std::uint32_t* flags)
{
    *flags = windows.volumeFlags;
    return windows.volumeFlagsKnown;
}

bool fakeListedStreams(const char*, std::vector<StreamName>* streams, std::uint32_t* error)
{
    ++windows.listings;
    *error = windows.listingError;
    if (windows.listingError != 0)
        return false;
    *streams = windows.listedStreams;
    return true;
}

std::intptr_t fakeOpenForDeletion(const char* path, FileDescription* found, std::uint32_t* error)
{
    windows.log.push_back(std::string("open for deletion ") + path);
    const auto entry = windows.entries.find(path);
    if (entry == windows.entries.end() || entry->second.openError != 0) {
        *error = entry == windows.entries.end() ? kFileNotFound : entry->second.openError;
        return -1;
    }
    *found = entry->second.name;
    ++windows.openTokens;
    return 100;
}

int fakeDeleteAndClose(std::intptr_t token, const char* path, std::uint32_t*)
{
    EXPECT_EQ(token, 100);
    windows.deleted.push_back(path);
    windows.entries.erase(path);
    --windows.openTokens;
    return 0;
}

void fakeCloseDeletion(std::intptr_t token)
{
    EXPECT_EQ(token, 100);
    --windows.openTokens;
}

const WindowsCalls fakeCalls = {
    fakeDescribeName,      fakeOpenDescriptor,    fakeDescribeDescriptor, fakeCloseDescriptor,
    fakeFinalPathOfDescriptor, fakeFinalPathOfFolder, fakeFullPathName,   fakeLongPathName,
    fakeOtherNamesOf,      fakeVirtualizationOn,  fakeSetVirtualization,  fakeVolumeFlags,
    fakeListedStreams,     fakeOpenForDeletion,   fakeDeleteAndClose,     fakeCloseDeletion,
};

class WindowsOpen : public ::testing::Test {
protected:
    void SetUp() override { windows = FakeWindows{}; }

    void TearDown() override
    {
        EXPECT_EQ(windows.openTokens, 0) << "a handle for deletion was left open";
    }

    // The descriptor is closed here; the failure, None when it opened.
    static FileFailure open(const char* path)
    {
        FileIdentity opened;
        FileFailure why;
        const int fd = openChosenFile(fakeCalls, path, &opened, &why);
        if (fd >= 0) {
            EXPECT_TRUE(opened == windows.entries.at(path).name.identity);
            fakeCloseDescriptor(fd);
            return {};
        }
        EXPECT_TRUE(windows.open.empty()) << "a refused file was left open";
        return why;
    }

    static bool opened(const char* path)
    {
        for (const std::string& line : windows.log) {
            if (line == std::string("open ") + path)
                return true;
        }
        return false;
    }
};

// One file in each place a user keeps files, and links that only the path
// the system gives shows (as Wine shows POSIX links: a plain file, the same
// file index as the target's).
TEST_F(WindowsOpen, TheFileChosenIsOpenedWhereverItIsAndALinkNever)
{
    struct Case {
        const char* what;
        const char* chosen;
        const char* folder;             // as the open asks for it
        FinalPaths folderPaths;
        FinalPaths filePaths;
        FileError expected;
    };
    const Case cases[] = {
        {"a local file", "C:\\data\\a.txt", "C:\\data", {{kVolumeNameDos, "\\\\?\\C:\\data"}},
         {{kVolumeNameDos, "\\\\?\\C:\\data\\a.txt"}}, FileError::None},
        {"in a drive's root, chosen with others", "R:\\\\root-a.bin", "R:\\", {{kVolumeNameDos, "\\\\?\\R:\\"}},
         {{kVolumeNameDos, "\\\\?\\R:\\root-a.bin"}}, FileError::None},
        {"on a mapped network drive", "Z:\\dir\\a.txt", "Z:\\dir",
         {{kVolumeNameDos, "\\\\?\\UNC\\server\\share\\dir"}, {kVolumeNameNone, "\\server\\share\\dir"}},
         {{kVolumeNameDos, "\\\\?\\UNC\\server\\share\\dir\\a.txt"}, {kVolumeNameNone, "\\server\\share\\dir\\a.txt"}},
         FileError::None},
        {"in a mapped share's root", "Z:\\a.txt", "Z:\\",
         {{kVolumeNameDos, "\\\\?\\UNC\\server\\share"}, {kVolumeNameNone, "\\server\\share"}},
         {{kVolumeNameDos, "\\\\?\\UNC\\server\\share\\a.txt"}}, FileError::None},
        {"on a subst drive", "S:\\x\\a.txt", "S:\\x", {{kVolumeNameDos, "\\\\?\\C:\\data\\x"}},
         {{kVolumeNameDos, "\\\\?\\C:\\data\\x\\a.txt"}}, FileError::None},
        {"on a volume mounted in a folder", "C:\\mnt\\vol\\a.txt", "C:\\mnt\\vol", {{kVolumeNameDos, "\\\\?\\E:\\"}},
         {{kVolumeNameDos, "\\\\?\\E:\\a.txt"}}, FileError::None},
        {"in a folder reached through a junction", "C:\\j\\a.txt", "C:\\j", {{kVolumeNameDos, "\\\\?\\C:\\real"}},
         {{kVolumeNameDos, "\\\\?\\C:\\real\\a.txt"}}, FileError::None},
        {"on a volume without a DOS name", "C:\\mnt\\bare\\a.txt", "C:\\mnt\\bare", {{kVolumeNameNone, "\\"}},
         {{kVolumeNameNone, "\\a.txt"}}, FileError::None},
        {"behind a folder it may not read (SMB)", "Z:\\locked\\a.txt", "Z:\\locked",
         {{kOpenedDos, "\\\\?\\UNC\\server\\share\\locked"}}, {{kOpenedDos, "\\\\?\\UNC\\server\\share\\locked\\a.txt"}},
         FileError::None},
        {"a link behind a folder it may not read (SMB)", "Z:\\locked\\link.txt", "Z:\\locked",
         {{kOpenedDos, "\\\\?\\UNC\\server\\share\\locked"}},
         {{kOpenedDos, "\\\\?\\UNC\\server\\share\\elsewhere\\a.txt"}}, FileError::Link},
        {"on a system without final paths", "C:\\data\\a.txt", "C:\\data", {}, {}, FileError::None},
        {"in other case, letters at both ends", "z:\\Zebra\\a.txt", "z:\\Zebra", {{kVolumeNameDos, "\\\\?\\Z:\\zebra"}},
         {{kVolumeNameDos, "\\\\?\\Z:\\ZEBRA\\A.TXT"}}, FileError::None},
        {"a link to another folder", "Z:\\tmp\\d1\\link.txt", "Z:\\tmp\\d1", {{kVolumeNameDos, "\\\\?\\Z:\\tmp\\d1"}},
         {{kVolumeNameDos, "\\\\?\\Z:\\tmp\\d2\\target.txt"}}, FileError::Link},
        {"a link beside its target", "Z:\\tmp\\link.txt", "Z:\\tmp", {{kVolumeNameDos, "\\\\?\\Z:\\tmp"}},
         {{kVolumeNameDos, "\\\\?\\Z:\\tmp\\target.txt"}}, FileError::Link},
        {"a link in a drive's root", "R:\\\\link.txt", "R:\\", {{kVolumeNameDos, "\\\\?\\R:\\"}},
         {{kVolumeNameDos, "\\\\?\\R:\\target.txt"}}, FileError::Link},
        {"a protected file's private copy", "C:\\Program Files\\App\\a.ini", "C:\\Program Files\\App",
         {{kVolumeNameDos, "\\\\?\\C:\\Program Files\\App"}},
         {{kVolumeNameDos, "\\\\?\\C:\\Users\\ann\\AppData\\Local\\VirtualStore\\Program Files\\App\\a.ini"}},
         FileError::Protected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        Entry entry;
        entry.name = ordinary(1);
        entry.finalPaths = c.filePaths;
        if (c.filePaths.empty() && c.folderPaths.empty())
            windows.finalPathError = kNotImplemented;
        windows.entries[c.chosen] = entry;
        windows.folders[c.folder] = c.folderPaths;
        EXPECT_EQ(open(c.chosen).error, c.expected);
    }
}

TEST_F(WindowsOpen, FinalPathCountingItsNulAsOnVistaStillMatches)
{
    Entry entry;
    entry.name = ordinary(1);
    entry.finalPaths = {{kVolumeNameDos, "\\\\?\\C:\\data\\a.txt"}};
    windows.entries["C:\\data\\a.txt"] = entry;
    windows.folders["C:\\data"] = {{kVolumeNameDos, "\\\\?\\C:\\data"}};
    windows.vistaCountsTheNul = true;
    EXPECT_EQ(open("C:\\data\\a.txt").error, FileError::None);
}

// Decided from the name alone: nothing is opened for writing, so no cloud
// file is fetched and no link followed.
TEST_F(WindowsOpen, FilesOverwritingCannotReachAreRefusedBeforeTheyAreOpened)
{
    struct Case {
        std::uint32_t attributes;
        std::uint32_t tag;
        FileError expected;
    };
    const Case cases[] = {
        {0x400 | 0x20, 0xA000000C, FileError::Link},
        {0x400000 | 0x400 | 0x20, 0x9000001A, FileError::OnlineOnly},
        {0x400 | 0x20, 0x80000013, FileError::Deduplicated},
        {0x400 | 0x20, 0x80000017, FileError::SystemCompressed},
        {0x8000 | 0x20, 0, FileError::IntegrityStream},
        {0x1 | 0x20, 0, FileError::ReadOnly},
        {0x10, 0, FileError::NotAFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        SetUp();
        Entry entry;
        entry.name = ordinary(1);
        entry.name.attributes = c.attributes;
        entry.name.reparseTag = c.tag;
        windows.entries["C:\\data\\a.txt"] = entry;
        EXPECT_EQ(open("C:\\data\\a.txt").error, c.expected);
        EXPECT_FALSE(opened("C:\\data\\a.txt"));
    }

    SetUp();
    Entry unknown;
    unknown.name = ordinary(1);
    unknown.name.attributes = 0x400 | 0x20;
    unknown.name.reparseTag = 0x8000001B;
    windows.entries["C:\\data\\b.exe"] = unknown;
    const FileFailure why = open("C:\\data\\b.exe");
    EXPECT_EQ(why.error, FileError::UnknownReparse);
    EXPECT_EQ(why.detail.number, 0x8000001Bu) << "the tag is named";
}

TEST_F(WindowsOpen, CloudFileWhoseDataIsHereIsAnOrdinaryFile)
{
    Entry entry;
    entry.name = ordinary(1);
    entry.name.attributes = 0x80000 | 0x400 | 0x20;     // pinned, a cloud placeholder, here in full
    entry.name.reparseTag = 0x9000601A;
    entry.finalPaths = {{kVolumeNameDos, "\\\\?\\C:\\Users\\ann\\OneDrive\\Desktop\\a.txt"}};
    windows.entries["C:\\Users\\ann\\OneDrive\\Desktop\\a.txt"] = entry;
    windows.folders["C:\\Users\\ann\\OneDrive\\Desktop"] = {{kVolumeNameDos, "\\\\?\\C:\\Users\\ann\\OneDrive\\Desktop"}};
    EXPECT_EQ(open("C:\\Users\\ann\\OneDrive\\Desktop\\a.txt").error, FileError::None);
}

TEST_F(WindowsOpen, FileWithOtherNamesIsKeptAndTheyAreNamed)
{
    Entry entry;
    entry.name = ordinary(1);
    entry.name.links = 3;
    entry.otherNames = {"D:\\Backup\\a.txt", "C:\\old\\a.txt", "C:\\older\\a.txt"};
    windows.entries["C:\\data\\a.txt"] = entry;
    const FileFailure why = open("C:\\data\\a.txt");
    EXPECT_EQ(why.error, FileError::OtherNames);
    EXPECT_EQ(why.detail.number, 2u);
    // No more than it counts, should the system list one made meanwhile.
    EXPECT_EQ(why.detail.names, (std::vector<std::string>{"D:\\Backup\\a.txt", "C:\\old\\a.txt"}));
    EXPECT_FALSE(opened("C:\\data\\a.txt"));

    // Where the system cannot list them, it still counts them.
    windows.entries["C:\\data\\a.txt"].otherNames.clear();
    EXPECT_EQ(open("C:\\data\\a.txt").detail.number, 2u);
}

TEST_F(WindowsOpen, OnlyTheReadOnlyAttributeMakesAFileReadOnly)
{
    const std::pair<std::uint32_t, FileError> cases[] = {
        {kAccessDenied, FileError::AccessDenied},   // permissions, Controlled Folder Access
        {kWriteProtect, FileError::WriteProtected},
        {kSharingViolation, FileError::InUse},
    };
    for (const auto& [error, expected] : cases) {
        SetUp();
        Entry entry;
        entry.name = ordinary(1);
        entry.openError = error;
        windows.entries["C:\\data\\a.txt"] = entry;
        EXPECT_EQ(open("C:\\data\\a.txt").error, expected) << error;
    }
}

TEST_F(WindowsOpen, ProtectedFileIsRefusedWithoutAPrivateCopyBeingMade)
{
    Entry entry;
    entry.name = ordinary(1);
    entry.protectedFile = true;
    windows.entries["C:\\Program Files\\App\\a.ini"] = entry;
    windows.virtualization = true;
    EXPECT_EQ(open("C:\\Program Files\\App\\a.ini").error, FileError::Protected);
    EXPECT_TRUE(windows.privateCopies.empty()) << "a copy of the file was made in the VirtualStore";
    EXPECT_TRUE(windows.virtualization) << "left off for the registry";
    EXPECT_EQ(windows.log.front(), "virtualization off");

    // Without virtualisation, a refusal is only a refusal.
    SetUp();
    windows.entries["C:\\Program Files\\App\\a.ini"] = entry;
    EXPECT_EQ(open("C:\\Program Files\\App\\a.ini").error, FileError::AccessDenied);
}

TEST_F(WindowsOpen, FileSwappedBetweenTheLookAndTheOpenIsLeftAlone)
{
    Entry entry;
    entry.name = ordinary(1);
    entry.swapped = true;
    windows.entries["C:\\data\\a.txt"] = entry;
    EXPECT_EQ(open("C:\\data\\a.txt").error, FileError::Replaced);
}

TEST_F(WindowsOpen, OnlyTheFileOpenedIsDeleted)
{
    Entry entry;
    entry.name = ordinary(1);
    windows.entries["C:\\data\\a.txt"] = entry;
    FileFailure why;
    EXPECT_EQ(removeOpenedFile(fakeCalls, "C:\\data\\a.txt", kOther, &why), -1);
    EXPECT_EQ(why.error, FileError::Replaced);
    EXPECT_TRUE(windows.deleted.empty()) << "the file put in its place was deleted";

    windows.entries["C:\\data\\a.txt"].openError = kSharingViolation;
    EXPECT_EQ(removeOpenedFile(fakeCalls, "C:\\data\\a.txt", entry.name.identity, &why), -1);
    EXPECT_EQ(why.error, FileError::InUse);

    windows.entries["C:\\data\\a.txt"].openError = 0;
    windows.virtualization = true;
    EXPECT_EQ(removeOpenedFile(fakeCalls, "C:\\data\\a.txt", entry.name.identity, &why), 0);
    EXPECT_EQ(windows.deleted, (std::vector<std::string>{"C:\\data\\a.txt"}));
    EXPECT_TRUE(windows.virtualization);
}

std::vector<std::string> shownNames(const std::vector<StreamName>& streams)
{
    std::vector<std::string> names;
    for (const StreamName& stream : streams)
        names.push_back(stream.shown + (stream.exact ? "" : " (inexact)"));
    return names;
}

// FindFirstStreamW lists the main contents first as "::$DATA"; the named
// ones follow as ":name:$DATA".
TEST_F(WindowsOpen, NamedStreamsAreListedWithoutTheMainContents)
{
    windows.listedStreams = {{"::$DATA", true, "::$DATA"},
                             {":Zone.Identifier:$DATA", true, ":Zone.Identifier:$DATA"},
                             {":?:$DATA", false, ":\xE2\x98\x85:$DATA"}};
    std::vector<StreamName> streams;
    FileFailure why;
    ASSERT_EQ(listNamedStreams(fakeCalls, 3, "C:\\dl\\a.exe", &streams, &why), 0);
    EXPECT_EQ(shownNames(streams), (std::vector<std::string>{"Zone.Identifier", "\xE2\x98\x85 (inexact)"}));
    EXPECT_EQ(streams[0].name, "Zone.Identifier");
}

TEST_F(WindowsOpen, FileHasNoNamedStreamsWhereTheSystemKeepsOrListsNone)
{
    struct Case {
        const char* what;
        bool flagsKnown;
        std::uint32_t flags;
        std::uint32_t listingError;
        int result;
        int listings;
        std::size_t streams;
    };
    const Case cases[] = {
        {"a volume without named streams (FAT32, exFAT)", true, 0x3, 0, 0, 0, 0},
        {"volume flags unknown, streams listed", false, 0, 0, 0, 1, 1},
        {"no stream at all: ERROR_HANDLE_EOF, as Wine answers", true, 0x40000, 38, 0, 1, 0},
        {"the listing calls missing", true, 0x40000, kNotImplemented, 0, 1, 0},
        {"any other failure", true, 0x40000, kAccessDenied, -1, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        windows.volumeFlagsKnown = c.flagsKnown;
        windows.volumeFlags = c.flags;
        windows.listingError = c.listingError;
        windows.listedStreams.push_back({":s:$DATA", true, ":s:$DATA"});
        std::vector<StreamName> streams;
        FileFailure why;
        EXPECT_EQ(listNamedStreams(fakeCalls, 3, "C:\\dl\\a.exe", &streams, &why), c.result);
        EXPECT_EQ(windows.listings, c.listings);
        EXPECT_EQ(streams.size(), c.streams);
    }
}

TEST_F(WindowsOpen, StreamIsOpenedByItsFullNameOnlyAsPartOfTheFileOpened)
{
    Entry stream;
    stream.name = ordinary(1);
    windows.entries["C:\\dl\\a.exe:Zone.Identifier:$DATA"] = stream;
    FileFailure why;
    const int fd = openNamedStream(fakeCalls, "C:\\dl\\a.exe", "Zone.Identifier", stream.name.identity, &why);
    ASSERT_GE(fd, 0);
    fakeCloseDescriptor(fd);

    windows.entries["C:\\dl\\a.exe:Zone.Identifier:$DATA"].swapped = true;
    EXPECT_EQ(openNamedStream(fakeCalls, "C:\\dl\\a.exe", "Zone.Identifier", stream.name.identity, &why), -1);
    EXPECT_EQ(why.error, FileError::Replaced);
    EXPECT_TRUE(windows.open.empty());
}

}  // namespace
