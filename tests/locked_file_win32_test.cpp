// A file another program holds open without sharing write access.
#include "real_files.h"

#include "shred/shred.h"

#include <windows.h>

namespace {

void ignore(void*) {}
void ignorePercent(void*, int) {}

using ShredLockedFile = RealFilesTest;

TEST_F(ShredLockedFile, FileOpenElsewhereWithoutWriteSharingIsLeftIntact)
{
    const std::string path = makeFile("locked.txt", 100);
    const std::string before = contents(path);
    const HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    const ShredResult result =
        shredFile(path.c_str(), ShredObserver{nullptr, ignore, ignorePercent, ignore});
    CloseHandle(holder);
    EXPECT_EQ(result.outcome, ShredOutcome::NotOpened);
    EXPECT_EQ(result.error, FileError::InUse);
    EXPECT_EQ(contents(path), before);
}

}  // namespace
