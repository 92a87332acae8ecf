// The password in the real registry.
#include "password/encoding.h"
#include "password/store.h"
#include "platform/registry_win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

std::vector<long> reported;

void recordReport(long error)
{
    reported.push_back(error);
}

// The registry's operations, with the message box replaced by a record.
PasswordStoreOps quietRegistry()
{
    PasswordStoreOps ops = registryPasswordStore();
    ops.reportOpenFailure = recordReport;
    return ops;
}

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        deleteKey();
        reported.clear();
    }
    void TearDown() override { deleteKey(); }

    static void deleteKey()
    {
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kPasswordKey, kPasswordKeyView, 0);
    }

    static HKEY createKey()
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPasswordKey, 0, nullptr, 0,
                                  KEY_ALL_ACCESS | kPasswordKeyView, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }

    static void setRawValue(const std::string& bytes)
    {
        const HKEY key = createKey();
        EXPECT_EQ(RegSetValueExA(key, kPasswordValueName, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    // The stored value as a 64-bit program sees it under the 32-bit view's
    // own key, where a 32-bit program's value lives: one character per
    // encoded byte, whatever the code page, each given here as that byte.
    static std::string valueIn32BitView(DWORD* type)
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\Orvex-Pass", 0,
                          KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
            return "(no key)";
        wchar_t data[256];
        DWORD size = sizeof data;
        const LONG status = RegQueryValueExW(key, L"PassName", nullptr, type,
                                             reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS)
            return "(no value)";
        std::string bytes;
        for (DWORD i = 0; i < size / sizeof(wchar_t); ++i)
            bytes += data[i] <= 0xFF ? static_cast<char>(data[i]) : '?';
        return bytes;
    }

    const PasswordStoreOps ops = quietRegistry();
    PasswordStore passwords{ops};
};

TEST_F(RegistryStoreTest, AbsentKeyIsReportedAndMatchesNothing)
{
    EXPECT_FALSE(passwords.exists());
    passwords.read();
    EXPECT_EQ(reported, std::vector<long>{ERROR_FILE_NOT_FOUND});
    EXPECT_FALSE(passwords.matches(""));
}

TEST_F(RegistryStoreTest, KeyWithoutValueExistsButMatchesNothing)
{
    RegCloseKey(createKey());
    EXPECT_TRUE(passwords.exists());
    passwords.read();
    EXPECT_TRUE(reported.empty());
    EXPECT_FALSE(passwords.matches(""));
}

TEST_F(RegistryStoreTest, WrittenPasswordIsStoredAsItsExactBytesInThe32BitView)
{
    const std::pair<const char*, std::string> cases[] = {
        {"abc", "\x60\xA0\xE0\x20"},
        {"", "\x20"},
        {"\xFF\x82\x80", "\xDF\x9F\x1F\x20"},
    };
    for (const auto& [password, stored] : cases) {
        SCOPED_TRACE(password);
        long error = -1;
        ASSERT_EQ(passwords.write(password, &error), StoreWrite::Stored);
        EXPECT_EQ(error, ERROR_SUCCESS);
        DWORD type = 0;
        std::string value = valueIn32BitView(&type);
        value.erase(value.find_last_not_of('\0') + 1);
        EXPECT_EQ(value, stored);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

        PasswordStore fresh(ops);
        fresh.read();
        EXPECT_TRUE(fresh.matches(password));
        EXPECT_FALSE(fresh.matches("abcd"));
    }
}

TEST_F(RegistryStoreTest, ValueReadsAlikeWithOrWithoutItsNul)
{
    const std::string encoded = encodePassword("secret");
    for (const std::string& value : {encoded, encoded + '\0'}) {
        setRawValue(value);
        PasswordStore fresh(ops);
        fresh.read();
        EXPECT_TRUE(fresh.matches("secret")) << value.size();
    }
}

// Values written through the ANSI calls, as earlier versions wrote them,
// keep reading as the bytes they were written as: 0x9F, for one, is kept
// as U+0178 in code page 1252.
TEST_F(RegistryStoreTest, ValueWrittenInTheAnsiCodePageStillReads)
{
    for (const char* password : {"abc", "\xFF\x82\x80", ""}) {
        SCOPED_TRACE(password);
        setRawValue(encodePassword(password));
        PasswordStore fresh(ops);
        fresh.read();
        EXPECT_TRUE(fresh.matches(password));
        EXPECT_FALSE(fresh.matches("abcd"));
    }
}

TEST_F(RegistryStoreTest, OverlongValueIsAFailedReadNotAnOverflow)
{
    long error;
    ASSERT_EQ(passwords.write("abc", &error), StoreWrite::Stored);
    passwords.read();
    setRawValue(std::string(200, '\x60'));
    passwords.read();
    EXPECT_TRUE(passwords.matches("abc"));
    EXPECT_TRUE(reported.empty());
}

// The real message box: its caption, and the system's text for the error.
TEST_F(RegistryStoreTest, AbsentKeyShowsTheSystemTextInAMessageBox)
{
    std::string shownText;
    std::atomic<bool> answered{false};
    std::thread answerer([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            const HWND box = FindWindowA("#32770", "Cannot Open due to ...");
            if (box && IsWindowVisible(box)) {
                char text[512] = "";
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                shownText = text;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                answered = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    PasswordStore shown(registryPasswordStore());
    shown.read();
    answerer.join();
    ASSERT_TRUE(answered);

    char expected[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), expected,
                   sizeof expected, nullptr);
    ASSERT_STRNE(expected, "");
    // The box may trim the text's closing line break.
    std::string expectedText = expected;
    expectedText.erase(expectedText.find_last_not_of("\r\n") + 1);
    shownText.erase(shownText.find_last_not_of("\r\n") + 1);
    EXPECT_EQ(shownText, expectedText);
}

}  // namespace
