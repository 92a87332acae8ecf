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

TEST(Matches, EmptyPasswordMatchesOnlyItselfAndNothingMatchesAnEmptyReference)
{
    EXPECT_TRUE(matches(encodePassword(""), ""));
    EXPECT_FALSE(matches(encodePassword(""), "a"));
    EXPECT_FALSE(matches("", ""));
}

}  // namespace
