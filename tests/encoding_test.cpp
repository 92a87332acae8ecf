#include "password/encoding.h"

#include <gtest/gtest.h>

namespace {

std::string bytes(std::initializer_list<unsigned char> list)
{
    return std::string(list.begin(), list.end());
}

TEST(EncodePassword, MapsEachByteByItsLowAndHighBitsAndEndsWithTheTerminator)
{
    const std::pair<const char*, std::string> cases[] = {
        {"abc", bytes({0x60, 0xA0, 0xE0, 0x20})},
        {"", bytes({0x20})},
        {"\x80\x81\x82\xFF", bytes({0x1F, 0x5F, 0x9F, 0xDF, 0x20})},
        {"\x04\x7F", bytes({0x20, 0xE0, 0x20})},
    };
    for (const auto& [text, encoded] : cases)
        EXPECT_EQ(encodePassword(text), encoded) << text;
}

TEST(Matches, ComparesEncodingsOfEqualLength)
{
    const std::string stored = encodePassword("abc");
    struct Case {
        const char* typed;
        bool accepted;
    };
    const Case cases[] = {
        {"abc", true},
        {"efg", true},      // same low two bits and high bit at every place
        {"abd", false},
        {"abcd", false},
        {"ab", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(matches(stored, c.typed), c.accepted) << c.typed;
}

// Characters whose two lowest bits and highest bit are clear encode to
// 0x20, as the terminator does: a check that stopped at the end of the
// shorter side would take "" for "p", or "pass" for "password".
TEST(Matches, NoShorterOrLongerTextMatchesAStoredPasswordEndingLikeItsTerminator)
{
    for (const std::string stored : {"password", "hold", "pad", "d", " ", "x0", "H@", "abc 4"}) {
        const std::string reference = encodePassword(stored.c_str());
        EXPECT_TRUE(matches(reference, stored.c_str())) << stored;
        for (std::size_t length = 0; length < stored.size(); ++length)
            EXPECT_FALSE(matches(reference, stored.substr(0, length).c_str())) << stored << " by " << length;
        for (const char* more : {"d", " ", "p", "a", "dd"})
            EXPECT_FALSE(matches(reference, (stored + more).c_str())) << stored << "+" << more;
    }
}

TEST(Matches, EmptyPasswordMatchesOnlyItselfAndNothingMatchesAnEmptyReference)
{
    EXPECT_TRUE(matches(encodePassword(""), ""));
    EXPECT_FALSE(matches(encodePassword(""), "a"));
    EXPECT_FALSE(matches("", ""));
}

}  // namespace
