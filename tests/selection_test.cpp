#include "shred/selection.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Paths = std::vector<std::string>;

struct Case {
    const char* name;
    std::string buffer;     // the bytes the dialog left, embedded NULs and all
    std::size_t capacity;   // how much of it the parser may read
    Paths expected;
};

// Bytes past a case's capacity, where present, would change its answer if
// they were read; each buffer is also copied into a block of exactly its
// capacity, so a memory checker sees any read beyond it.
const Case cases[] = {
    {"one file", std::string("C:\\data\\a.txt\0\0", 16), 260, {"C:\\data\\a.txt"}},
    {"three files", std::string("C:\\data\0a.txt\0b.txt\0c.txt\0\0", 27), 260,
     {"C:\\data\\a.txt", "C:\\data\\b.txt", "C:\\data\\c.txt"}},
    {"one file after a longer answer left its tail",
     std::string("C:\\data\\x.txt\0\0b.txt\0c.txt\0\0", 28), 260, {"C:\\data\\x.txt"}},
    {"several files in a drive's root", std::string("C:\\\0a.txt\0b.txt\0\0", 17), 260,
     {"C:\\\\a.txt", "C:\\\\b.txt"}},
    {"last name not terminated within the buffer",
     std::string("C:\\d\0a.txt\0b.txt\0cc\0\0", 22), 19, {"C:\\d\\a.txt", "C:\\d\\b.txt"}},
    {"list end not within the buffer", std::string("C:\\d\0a.txt\0\0", 12), 11,
     {"C:\\d\\a.txt"}},
    // A parser that looked one past the capacity for the list's end would
    // find another name there.
    {"one file whose terminator is the last character within the buffer",
     std::string("C:\\data\\a.txt\0b.txt\0\0", 22), 14, {"C:\\data\\a.txt"}},
    {"first string not terminated", std::string("C:\\data\\a.txt\0\0", 16), 13, {}},
    {"nothing chosen", std::string("\0C:\\data\\a.txt\0\0", 17), 260, {}},
    {"no capacity", std::string("a\0\0", 3), 0, {}},
};

TEST(ParseSelection, WideAnswersSplitAlike)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring wide(c.buffer.begin(), c.buffer.end());
        wide.resize(std::max(wide.size(), c.capacity), L'\0');
        // A character beyond any byte, so that a narrowing slip would show.
        for (wchar_t& character : wide)
            if (character == L'a')
                character = L'\xFF41';
        std::vector<std::string> narrowed;
        for (const std::wstring& path : parseSelection(wide.data(), c.capacity)) {
            std::string back;
            for (wchar_t character : path)
                back += character == L'\xFF41' ? 'a' : static_cast<char>(character);
            narrowed.push_back(back);
        }
        EXPECT_EQ(narrowed, c.expected);
    }
}

TEST(ParseSelection, SplitsTheDialogAnswerIntoFullPaths)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string padded = c.buffer;
        padded.resize(std::max(padded.size(), c.capacity), '\0');
        EXPECT_EQ(parseSelection(padded.data(), c.capacity), c.expected);

        std::unique_ptr<char[]> exact(new char[c.capacity + (c.capacity == 0)]);
        std::copy(padded.begin(), padded.begin() + c.capacity, exact.get());
        EXPECT_EQ(parseSelection(exact.get(), c.capacity), c.expected);
    }
}

}  // namespace
