// shredFile on real files, through this platform's file operations. On Windows
// also a file that another program holds open without sharing write access.
#include "real_files.h"

#include "shred/shred.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

struct Progress {
    int started = 0;
    int pumps = 0;
    int lastPercent = 0;
};

void onStarted(void* context)
{
    ++static_cast<Progress*>(context)->started;
}

void onProgress(void* context, int percent)
{
    static_cast<Progress*>(context)->lastPercent = percent;
}

void onPump(void* context)
{
    ++static_cast<Progress*>(context)->pumps;
}

ShredResult shred(const std::string& path, Progress& progress)
{
    return shredFile(path.c_str(), ShredObserver{&progress, onStarted, onProgress, onPump});
}

using ShredRealFile = RealFilesTest;

// The file held open by another reader from before the shred, which lets
// every other program read, write and delete it: what the shred left on
// the device shows through it once the name is gone, at the same size.
class Reader {
public:
    explicit Reader(const std::string& path)
    {
#ifdef _WIN32
        handle_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(handle_, INVALID_HANDLE_VALUE);
#else
        fd_ = open(path.c_str(), O_RDONLY);
        EXPECT_GE(fd_, 0);
#endif
    }
    ~Reader()
    {
#ifdef _WIN32
        CloseHandle(handle_);
#else
        close(fd_);
#endif
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    std::string all()
    {
        std::string data(1 << 16, '\0');
#ifdef _WIN32
        SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
        DWORD count = 0;
        ReadFile(handle_, &data[0], static_cast<DWORD>(data.size()), &count, nullptr);
#else
        const ssize_t count = pread(fd_, &data[0], data.size(), 0);
#endif
        data.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
        return data;
    }

private:
#ifdef _WIN32
    HANDLE handle_;
#else
    int fd_;
#endif
};

TEST_F(ShredRealFile, OverwritesInPlaceWithZerosThenDeletes)
{
    const std::string path = makeFile("victim.txt", 3000);
    Progress progress;
    {
        Reader reader(path);
        const ShredResult result = shred(path, progress);
        EXPECT_EQ(result.outcome, ShredOutcome::Destroyed);
        EXPECT_EQ(result.error, FileError::None);
        EXPECT_EQ(reader.all(), std::string(3000, '\0'));
    }
    // Windows keeps a name that is deleted while held until it is closed.
    EXPECT_FALSE(exists(path));
    EXPECT_EQ(progress.started, 1);
    EXPECT_EQ(progress.pumps, 3000 + 1) << "one before each byte, one for the block read back";
    EXPECT_EQ(progress.lastPercent, 99);
}

// Overwriting it would zero the other name too, which nobody chose.
TEST_F(ShredRealFile, FileWithAnotherNameIsKeptAndBothNamesKeepTheirBytes)
{
    const std::string path = makeFile("chosen.txt", 300);
    const std::string before = contents(path);
    std::filesystem::create_directories(folder / "other");
    const std::string other = (folder / "other" / "same.txt").string();
    std::filesystem::create_hard_link(path, other);

    Progress progress;
    const ShredResult result = shred(path, progress);
    EXPECT_EQ(result.outcome, ShredOutcome::NotOpened);
    EXPECT_EQ(result.error, FileError::OtherNames);
    EXPECT_EQ(result.detail.number, 1u);
    EXPECT_EQ(contents(path), before);
    EXPECT_EQ(contents(other), before);
    EXPECT_EQ(progress.pumps, 0);
}

#ifndef _WIN32
// As an editor's save or a sync client does, the name is given to a new
// file while the old one is overwritten. Windows refuses such a rename
// while the file is held, so on Windows the program's tests do this from
// outside.
TEST_F(ShredRealFile, FilePutInItsPlaceDuringTheOverwriteIsLeftAlone)
{
    const std::string path = makeFile("saved.txt", 200);
    const std::string fresh = makeFile("saved.txt.new", 50);
    const std::string freshBytes = contents(fresh);
    Reader old(path);
    struct Swap {
        Progress progress;
        std::string from, to;
    } swap{{}, fresh, path};
    const auto pump = [](void* context) {
        Swap& s = *static_cast<Swap*>(context);
        if (++s.progress.pumps == 100)
            std::filesystem::rename(s.from, s.to);
    };
    const ShredResult result = shredFile(path.c_str(), ShredObserver{&swap, onStarted, onProgress, pump});
    EXPECT_EQ(result.outcome, ShredOutcome::DeleteFailed);
    EXPECT_EQ(result.error, FileError::Replaced);
    EXPECT_EQ(contents(path), freshBytes) << "the file put in its place was touched";
    EXPECT_EQ(old.all(), std::string(200, '\0')) << "the file chosen was not overwritten";
}
#endif

TEST_F(ShredRealFile, EmptyFileIsDeleted)
{
    const std::string path = makeFile("empty.txt", 0);
    Progress progress;
    EXPECT_EQ(shred(path, progress).outcome, ShredOutcome::Destroyed);
    EXPECT_FALSE(exists(path));
    EXPECT_EQ(progress.started, 1);
}

TEST_F(ShredRealFile, ReadOnlyFileIsLeftIntact)
{
    const std::string path = makeFile("kept.txt", 100);
    const std::string before = contents(path);
    setReadOnly(path, true);
    Progress progress;
    const ShredResult result = shred(path, progress);
    EXPECT_EQ(result.outcome, ShredOutcome::NotOpened);
    EXPECT_EQ(result.error, FileError::ReadOnly);
    EXPECT_EQ(contents(path), before);
    EXPECT_EQ(progress.pumps, 0);
}

TEST_F(ShredRealFile, MissingFileIsReportedAsMissing)
{
    Progress progress;
    const ShredResult result = shred((folder / "absent.txt").string(), progress);
    EXPECT_EQ(result.outcome, ShredOutcome::NotOpened);
    EXPECT_EQ(result.error, FileError::Missing);
    EXPECT_EQ(progress.started, 1);
}

// A link in one folder to a file in another: the link is not followed.
// On Windows the link is one the system's own tools made before the test
// (Wine shows a POSIX link as a plain file), in the folder named by
// BRISVANE_LINK_FOLDER: chosen\link.txt, leading to elsewhere\target.txt.
TEST_F(ShredRealFile, LinkIsNotFollowed)
{
#ifdef _WIN32
    const char* linkFolder = std::getenv("BRISVANE_LINK_FOLDER");
    ASSERT_NE(linkFolder, nullptr) << "BRISVANE_LINK_FOLDER is not set";
    const std::string link = std::string(linkFolder) + "\\chosen\\link.txt";
    const std::string target = std::string(linkFolder) + "\\elsewhere\\target.txt";
#else
    std::filesystem::create_directories(folder / "elsewhere");
    const std::string target = (folder / "elsewhere" / "target.txt").string();
    std::ofstream(target) << "not chosen";
    const std::string link = (folder / "link.txt").string();
    std::filesystem::create_symlink(target, link);
#endif
    const std::string before = contents(target);
    ASSERT_FALSE(before.empty());
    Progress progress;
    const ShredResult result = shred(link, progress);
    EXPECT_EQ(result.outcome, ShredOutcome::NotOpened);
    EXPECT_EQ(result.error, FileError::Link);
    EXPECT_EQ(contents(target), before);
    EXPECT_TRUE(exists(link));
    EXPECT_EQ(progress.pumps, 0);
}

#ifdef _WIN32
TEST_F(ShredRealFile, NameEndingInASpaceIsRefusedBeforeItReachesAnother)
{
    // Windows would open "keep.txt" for "keep.txt ".
    const std::string plain = makeFile("keep.txt", 100);
    const std::string before = contents(plain);
    Progress progress;
    const ShredResult result = shred(plain + " ", progress);
    EXPECT_EQ(result.outcome, ShredOutcome::NotOpened);
    EXPECT_EQ(result.error, FileError::InexactName);
    EXPECT_EQ(contents(plain), before);
}

TEST_F(ShredRealFile, FileOpenElsewhereWithoutWriteSharingIsLeftIntact)
{
    const std::string path = makeFile("locked.txt", 100);
    const std::string before = contents(path);
    const HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    Progress progress;
    const ShredResult result = shred(path, progress);
    CloseHandle(holder);
    EXPECT_EQ(result.outcome, ShredOutcome::NotOpened);
    EXPECT_EQ(result.error, FileError::InUse);
    EXPECT_EQ(contents(path), before);
}
#endif

}  // namespace
