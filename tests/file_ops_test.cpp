// shredFile on real files, through this platform's file operations. On Windows
// also a file that another program holds open without sharing write access.
#include "real_files.h"

#include "shred/shred.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
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

TEST_F(ShredRealFile, OverwritesInPlaceWithZerosThenDeletes)
{
    // The hard link keeps the file's data reachable once its name is gone:
    // it shows what the shred left on the device, at the same size.
    const std::string path = makeFile("victim.txt", 3000);
    const std::string link = (folder / "link.txt").string();
    std::filesystem::create_hard_link(path, link);

    Progress progress;
    const ShredResult result = shred(path, progress);
    EXPECT_EQ(result.outcome, ShredOutcome::Destroyed);
    EXPECT_EQ(result.error, FileError::None);
    EXPECT_FALSE(exists(path));
    EXPECT_EQ(contents(link), std::string(3000, '\0'));
    EXPECT_EQ(progress.started, 1);
    EXPECT_EQ(progress.pumps, 3000 + 1) << "one before each byte, one for the block read back";
    EXPECT_EQ(progress.lastPercent, 99);
}

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
