#include "shred/windows_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowsRules, NamesEndingInASpaceOrADotDoNotReachWhatTheyName)
{
    const std::pair<const char*, bool> cases[] = {
        {"C:\\data\\keep.txt", true},
        {"C:\\data\\keep.txt ", false},
        {"C:\\data\\keep.txt.", false},
        {"C:\\data\\keep...", false},
        {"C:\\data\\keep. txt", true},
        {"C:\\data \\keep.txt", false},
        {"C:\\data.\\keep.txt", false},
        {"C:\\data\\.hidden", true},
        {"C:\\data\\..\\keep.txt", true},
        {"C:\\", true},
        {"\\\\server\\share\\a b.txt", true},
    };
    for (const auto& [path, exact] : cases)
        EXPECT_EQ(reachesExactlyWhatItNames(path), exact) << '"' << path << '"';
}

// The forms GetFinalPathNameByHandle and the dialog give, read as one.
TEST(WindowsRules, PathsAreReadAsAUserWouldTypeThem)
{
    const std::pair<const char*, const char*> cases[] = {
        {"\\\\?\\C:\\data\\a.txt", "C:\\data\\a.txt"},
        {"\\\\?\\UNC\\server\\share\\a.txt", "\\\\server\\share\\a.txt"},
        {"\\\\?\\UNC\\server\\share", "\\\\server\\share"},
        {"R:\\\\root-a.bin", "R:\\root-a.bin"},     // the dialog's folder "R:\\" and a name
        {"\\\\?\\C:\\", "C:"},
        {"\\\\server\\\\share\\", "\\\\server\\share"},
        {"\\", "\\"},                                  // a volume's root, without its volume
        {"\\dir\\a.txt", "\\dir\\a.txt"},
        {"C:/data//a.txt", "C:\\data\\a.txt"},
    };
    for (const auto& [given, plain] : cases)
        EXPECT_EQ(plainPath(given), plain) << given;
    EXPECT_TRUE(samePath("z:\\ZEBRA\\a.txt", "Z:\\zebra\\A.TXT"));
    EXPECT_FALSE(samePath("C:\\data\\a.txt", "C:\\data\\a.txt "));
    EXPECT_FALSE(samePath("C:\\d\\\xE4.txt", "C:\\d\\\xC4.txt")) << "only ASCII letters have case here";
    const char* store = "C:\\Users\\ann\\AppData\\Local\\VirtualStore";
    const std::string copy = std::string(store) + "\\Program Files\\App\\a.ini";
    EXPECT_TRUE(isPrivateCopy(copy, "C:\\program files\\app\\A.INI"));
    EXPECT_FALSE(isPrivateCopy(copy, "C:\\Program Files\\App\\b.ini"));
    EXPECT_FALSE(isPrivateCopy(copy, copy)) << "a file chosen in the store is itself";
    // A link inside the store leads elsewhere: it is a link, not a copy.
    EXPECT_FALSE(isPrivateCopy("C:\\data\\secret.txt", std::string(store) + "\\link.txt"));
}

// Attribute bits and reparse tags as Windows documents them (winnt.h, "File
// Attribute Constants", "Reparse Point Tags"); cloud files as the Cloud
// Files API leaves them: hydrated ones plain, placeholders recalled on access.
TEST(WindowsRules, FilesWhoseDataOverwritingInPlaceCannotReachAreRefused)
{
    struct Case {
        std::uint32_t attributes;
        std::uint32_t tag;
        FileError expected;
    };
    const Case cases[] = {
        {0x20, 0, FileError::None},                         // archive: an ordinary file
        {0x80, 0, FileError::None},                         // normal
        {0x2000 | 0x20, 0, FileError::None},                // not content-indexed
        {0x1, 0, FileError::ReadOnly},
        {0x10, 0, FileError::NotAFile},
        {0x800, 0, FileError::Compressed},
        {0x4000, 0, FileError::Encrypted},
        {0x200, 0, FileError::Sparse},
        {0x8000 | 0x20, 0, FileError::IntegrityStream},     // ReFS
        {0x800 | 0x200 | 0x20, 0, FileError::Compressed},
        {0x1 | 0x800, 0, FileError::ReadOnly},              // kept either way; read-only says the simpler fix
        {0x400, 0xA000000C, FileError::Link},               // IO_REPARSE_TAG_SYMLINK
        {0x400 | 0x10, 0xA0000003, FileError::NotAFile},    // a junction is a folder first
        {0x400, 0xA0000003, FileError::Link},               // IO_REPARSE_TAG_MOUNT_POINT
        {0x400, 0xA000001D, FileError::Link},               // IO_REPARSE_TAG_LX_SYMLINK
        // OneDrive: here in full, pinned, or only online.
        {0x400 | 0x20, 0x9000001A, FileError::None},
        {0x80000 | 0x400 | 0x20, 0x9000601A, FileError::None},
        {0x400000 | 0x100000 | 0x400 | 0x20, 0x9000601A, FileError::OnlineOnly},
        {0x40000 | 0x400, 0x9000F01A, FileError::OnlineOnly},
        {0x1000 | 0x20, 0, FileError::OnlineOnly},          // offline, moved to remote storage
        {0x400000 | 0x400 | 0x1, 0x9000101A, FileError::OnlineOnly},
        {0x400 | 0x20, 0x80000013, FileError::Deduplicated},
        {0x400 | 0x20, 0x80000017, FileError::SystemCompressed},    // IO_REPARSE_TAG_WOF
        {0x400 | 0x20, 0x8000001B, FileError::UnknownReparse},      // IO_REPARSE_TAG_APPEXECLINK
        {0x400, 0, FileError::UnknownReparse},              // a tag the system could not give
    };
    for (const Case& c : cases)
        EXPECT_EQ(refusalForAttributes(c.attributes, c.tag), c.expected)
            << std::hex << c.attributes << " tag " << c.tag;
}

}  // namespace
