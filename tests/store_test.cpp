// The reference kept by PasswordStore, over a fake store.
#include "password/store.h"

#include "password/encoding.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct FakeStore {
    bool keyExists = true;
    bool valueExists = true;
    bool writable = true;
    // Keeps the value altered, as a store converting it through a code page
    // that lacks some of its bytes would.
    bool alters = false;
    std::string value;
    std::vector<long> reported;
};

FakeStore* store;

constexpr long kMissingKey = 2;
constexpr long kDenied = 5;

StoreRead fakeRead(char* buffer, std::size_t capacity, std::size_t* length, long* error)
{
    if (!store->keyExists) {
        *error = kMissingKey;
        return StoreRead::KeyUnopenable;
    }
    // Like the registry: a value larger than the buffer is not read at all.
    if (!store->valueExists || store->value.size() > capacity)
        return StoreRead::ValueUnreadable;
    std::memcpy(buffer, store->value.data(), store->value.size());
    *length = store->value.size();
    return StoreRead::Read;
}

bool fakeWrite(const char* bytes, std::size_t length, long* error)
{
    if (!store->writable) {
        *error = kDenied;
        return false;
    }
    store->keyExists = store->valueExists = true;
    store->value.assign(bytes, length);
    if (store->alters)
        store->value.replace(length - 2, 2, "\x81\x45");
    return true;
}

bool fakeExists()
{
    return store->keyExists;
}

void fakeReport(long error)
{
    store->reported.push_back(error);
}

const PasswordStoreOps fakeOps = {fakeRead, fakeWrite, fakeExists, fakeReport};

class PasswordStoreTest : public ::testing::Test {
protected:
    void SetUp() override { store = &fake; }
    FakeStore fake;
    PasswordStore passwords{fakeOps};
};

TEST_F(PasswordStoreTest, WriteStoresTheEncodingWithoutANul)
{
    long error = 0;
    ASSERT_EQ(passwords.write("abc", &error), StoreWrite::Stored);
    EXPECT_EQ(fake.value, encodePassword("abc"));
    EXPECT_EQ(fake.value.size(), 4u);
    passwords.read();
    EXPECT_TRUE(passwords.matches("abc"));
    EXPECT_FALSE(passwords.matches("abcd"));
}

TEST_F(PasswordStoreTest, FailedWriteSaysWhyAndKeepsTheOldPassword)
{
    long error = 0;
    ASSERT_EQ(passwords.write("old", &error), StoreWrite::Stored);
    fake.writable = false;
    EXPECT_EQ(passwords.write("new", &error), StoreWrite::Refused);
    EXPECT_EQ(error, kDenied);
    passwords.read();
    EXPECT_TRUE(passwords.matches("old"));
}

TEST_F(PasswordStoreTest, ValueThatDoesNotReadBackIsAFailedWrite)
{
    long error = 0;
    fake.alters = true;
    EXPECT_EQ(passwords.write("abc", &error), StoreWrite::NotReadBack);
    fake.alters = false;
    EXPECT_EQ(passwords.write("abc", &error), StoreWrite::Stored);
}

TEST_F(PasswordStoreTest, MissingKeyIsReportedAndThePreviousReferenceKept)
{
    passwords.read();   // nothing read yet: the reference is empty
    EXPECT_EQ(fake.reported, std::vector<long>{});
    EXPECT_FALSE(passwords.matches(""));

    fake.value = encodePassword("abc");
    passwords.read();
    fake.keyExists = false;
    passwords.read();
    EXPECT_EQ(fake.reported, std::vector<long>{kMissingKey});
    EXPECT_TRUE(passwords.matches("abc"));
}

TEST_F(PasswordStoreTest, NothingMatchesBeforeAReferenceWasRead)
{
    fake.keyExists = false;
    passwords.read();
    for (const char* typed : {"", "abc", " "})
        EXPECT_FALSE(passwords.matches(typed)) << typed;
}

TEST_F(PasswordStoreTest, KeyWithoutValueIsSilentAndMatchesNothing)
{
    fake.valueExists = false;
    passwords.read();
    EXPECT_TRUE(passwords.exists());
    EXPECT_TRUE(fake.reported.empty());
    EXPECT_FALSE(passwords.matches(""));
}

TEST_F(PasswordStoreTest, ValueIsReadUpToItsEndOrItsFirstNul)
{
    const std::string abc = encodePassword("abc");
    for (const std::string& value : {abc, abc + '\0', abc + std::string("\0\x60", 2)}) {
        fake.value = value;
        PasswordStore fresh(fakeOps);
        fresh.read();
        EXPECT_TRUE(fresh.matches("abc")) << value.size();
    }
}

TEST_F(PasswordStoreTest, ShorterPasswordReplacesALongerOneCompletely)
{
    long error = 0;
    passwords.write("a much longer password", &error);
    passwords.read();
    passwords.write("ab", &error);
    passwords.read();
    EXPECT_TRUE(passwords.matches("ab"));
    EXPECT_FALSE(passwords.matches("a much longer password"));
    // Nothing of the longer one is left in memory behind the new one.
    const char* held = passwords.heldReference();
    EXPECT_EQ(std::string(held, 3), encodePassword("ab"));
    EXPECT_EQ(std::string(held + 3, kReferenceBufferSize - 3), std::string(kReferenceBufferSize - 3, '\0'));
}

TEST_F(PasswordStoreTest, ReferenceHoldsAHundredBytesAndNoMore)
{
    const std::string longest(98, 'x');     // the most a password field gives
    fake.value = encodePassword(longest.c_str());
    ASSERT_EQ(fake.value.size(), 99u);
    passwords.read();
    EXPECT_TRUE(passwords.matches(longest.c_str()));

    const std::string ninetyNine(99, 'y');
    fake.value = encodePassword(ninetyNine.c_str()) + '\0';  // 100 bytes and a NUL
    passwords.read();
    EXPECT_TRUE(passwords.matches(ninetyNine.c_str()));

    // Longer values are a failed read: the last reference stays.
    for (std::size_t length : {101, 200}) {
        fake.value = std::string(length, '\x60');
        passwords.read();
        EXPECT_TRUE(passwords.matches(ninetyNine.c_str())) << length;
    }
}

}  // namespace
