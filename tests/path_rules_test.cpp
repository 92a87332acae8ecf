#include "shred/path_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(PathRules, NamesEndingInASpaceOrADotDoNotReachWhatTheyName)
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

TEST(PathRules, OpenedFileIsTheChosenOneOnlyAtTheSamePlace)
{
    struct Case {
        const char* chosen;
        const char* opened;
        FileError expected;
    };
    const Case cases[] = {
        {"C:\\data\\a.txt", "\\data\\a.txt", FileError::None},
        {"c:\\DATA\\A.TXT", "\\data\\a.txt", FileError::None},
        {"\\\\server\\share\\dir\\a.txt", "\\dir\\a.txt", FileError::None},
        {"Z:\\tmp\\d1\\link.txt", "\\tmp\\d2\\target.txt", FileError::Link},
        {"C:\\data\\a.txt", "\\data\\a.txt\\", FileError::Link},
        {"C:\\data\\keep.txt ", "\\data\\keep.txt", FileError::Link},
        // A program that may not write under Program Files is handed a copy.
        {"C:\\Program Files\\App\\settings.ini",
         "\\Users\\ann\\AppData\\Local\\VirtualStore\\Program Files\\App\\settings.ini",
         FileError::Redirected},
        // A file chosen inside the store itself is just a file.
        {"C:\\Users\\ann\\AppData\\Local\\VirtualStore\\x.ini",
         "\\Users\\ann\\AppData\\Local\\VirtualStore\\x.ini", FileError::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(compareOpenedPath(c.chosen, c.opened), c.expected) << c.chosen;
}

}  // namespace
