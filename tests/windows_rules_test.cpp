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

TEST(WindowsRules, OpenedFileIsTheChosenOneOnlyAtTheSamePlace)
{
    struct Case {
        const char* chosen;
        const char* openedWithDosVolume;
        const char* openedWithoutVolume;
        FileError expected;
    };
    const Case cases[] = {
        {"C:\\data\\a.txt", "\\\\?\\C:\\data\\a.txt", "\\data\\a.txt", FileError::None},
        {"c:\\DATA\\A.TXT", "\\\\?\\C:\\data\\a.txt", "\\data\\a.txt", FileError::None},
        {"\\\\server\\share\\dir\\a.txt", "\\\\?\\UNC\\server\\share\\dir\\a.txt", "\\dir\\a.txt",
         FileError::None},
        // A mapped drive's file has its share's name; a volume without a
        // DOS name gives none.
        {"Z:\\dir\\a.txt", "\\\\?\\UNC\\server\\share\\dir\\a.txt", "\\dir\\a.txt", FileError::None},
        {"Z:\\dir\\a.txt", "", "\\dir\\a.txt", FileError::None},
        // A folder that is a mount point starts a volume of its own.
        {"Z:\\tmp\\co\\a.txt", "\\\\?\\Z:\\tmp\\co\\a.txt", "\\a.txt", FileError::None},
        {"Z:\\tmp\\d1\\link.txt", "\\\\?\\Z:\\tmp\\d2\\target.txt", "\\tmp\\d2\\target.txt",
         FileError::Link},
        {"Z:\\tmp\\co\\link.txt", "\\\\?\\Z:\\tmp\\co\\target.txt", "\\target.txt", FileError::Link},
        {"C:\\data\\keep.txt ", "\\\\?\\C:\\data\\keep.txt", "\\data\\keep.txt", FileError::Link},
        // A program that may not write under Program Files is handed a copy.
        {"C:\\Program Files\\App\\settings.ini",
         "\\\\?\\C:\\Users\\ann\\AppData\\Local\\VirtualStore\\Program Files\\App\\settings.ini",
         "\\Users\\ann\\AppData\\Local\\VirtualStore\\Program Files\\App\\settings.ini",
         FileError::Redirected},
        // A file chosen inside the store itself is just a file.
        {"C:\\Users\\ann\\AppData\\Local\\VirtualStore\\x.ini",
         "\\\\?\\C:\\Users\\ann\\AppData\\Local\\VirtualStore\\x.ini",
         "\\Users\\ann\\AppData\\Local\\VirtualStore\\x.ini", FileError::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(compareOpenedPath(c.chosen, c.openedWithDosVolume, c.openedWithoutVolume), c.expected)
            << c.chosen << " opened as " << c.openedWithDosVolume;
}

TEST(WindowsRules, FilesNtfsKeepOutOfPlaceAreRefused)
{
    // Attribute bits as Windows reports them for an open file.
    const std::pair<std::uint32_t, FileError> cases[] = {
        {0x20, FileError::None},                // archive: an ordinary file
        {0x80, FileError::None},                // normal
        {0x2000 | 0x20, FileError::None},       // not content-indexed
        {0x1, FileError::ReadOnly},
        {0x10, FileError::NotAFile},
        {0x400, FileError::Link},
        {0x800, FileError::Compressed},
        {0x4000, FileError::Encrypted},
        {0x200, FileError::Sparse},
        {0x800 | 0x200 | 0x20, FileError::Compressed},
        {0x1 | 0x800, FileError::ReadOnly},     // kept either way; read-only says the simpler fix
    };
    for (const auto& [attributes, expected] : cases)
        EXPECT_EQ(refusalForAttributes(attributes), expected) << std::hex << attributes;
}

}  // namespace
