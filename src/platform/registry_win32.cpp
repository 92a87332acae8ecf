#include "platform/registry_win32.h"

#include "password/wipe.h"
#include "platform/system_error_win32.h"

#include <algorithm>
#include <string>

const char kPasswordKey[] = "Software\\Orvex-Pass";
const char kPasswordValueName[] = "PassName";

namespace {

LONG openPasswordKey(REGSAM access, HKEY* key)
{
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPasswordKey, 0, access | kPasswordKeyView, key);
}

// The value is kept as a wide string with one character per encoded byte,
// U+0000 to U+00FF, so that it reads back byte for byte whatever the ANSI
// code page; through the ANSI calls, a byte like 0xE0 is a lead byte on
// some code pages and would come back altered.
const wchar_t kPasswordValueNameW[] = L"PassName";

// A character of the stored value as bytes: its own value where that is a
// byte; otherwise it came from a value written in the ANSI code page, and
// converting it back there gives the bytes the ANSI calls would have read.
bool appendStoredCharacter(wchar_t character, std::string* bytes)
{
    if (character <= 0xFF) {
        bytes->push_back(static_cast<char>(character));
        return true;
    }
    char converted[8];
    const int length = WideCharToMultiByte(CP_ACP, 0, &character, 1, converted, sizeof converted,
                                           nullptr, nullptr);
    bytes->append(converted, static_cast<std::size_t>(length));
    return length > 0;
}

StoreRead readValue(char* buffer, std::size_t capacity, std::size_t* length, long* error)
{
    HKEY key;
    const LONG opened = openPasswordKey(KEY_READ, &key);
    if (opened != ERROR_SUCCESS) {
        *error = opened;
        return StoreRead::KeyUnopenable;
    }
    std::wstring value(capacity, L'\0');
    DWORD size = static_cast<DWORD>(capacity * sizeof(wchar_t));
    const LONG queried = RegQueryValueExW(key, kPasswordValueNameW, nullptr, nullptr,
                                          reinterpret_cast<BYTE*>(&value[0]), &size);
    RegCloseKey(key);
    if (queried != ERROR_SUCCESS) {
        *error = queried;
        return StoreRead::ValueUnreadable;
    }
    value.resize(size / sizeof(wchar_t));
    std::string bytes;
    const bool readable =
        std::all_of(value.begin(), value.end(),
                    [&](wchar_t character) { return appendStoredCharacter(character, &bytes); })
        && bytes.size() <= capacity;
    if (readable) {
        std::copy(bytes.begin(), bytes.end(), buffer);
        *length = bytes.size();
    }
    wipe(bytes);
    wipe(&value[0], value.size() * sizeof(wchar_t));
    return readable ? StoreRead::Read : StoreRead::ValueUnreadable;
}

bool writeValue(const char* bytes, std::size_t length, long* error)
{
    HKEY key;
    LONG status = openPasswordKey(KEY_ALL_ACCESS, &key);
    if (status != ERROR_SUCCESS)
        status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPasswordKey, 0, nullptr,
                                 REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | kPasswordKeyView,
                                 nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        *error = status;
        return false;
    }
    std::wstring value(length, L'\0');
    for (std::size_t i = 0; i < length; ++i)
        value[i] = static_cast<unsigned char>(bytes[i]);
    // The encoded characters only, not a terminator after them.
    status = RegSetValueExW(key, kPasswordValueNameW, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.data()),
                            static_cast<DWORD>(length * sizeof(wchar_t)));
    wipe(&value[0], value.size() * sizeof(wchar_t));
    if (status == ERROR_SUCCESS)
        status = RegFlushKey(key);
    RegCloseKey(key);
    *error = status;
    return status == ERROR_SUCCESS;
}

bool keyExists()
{
    HKEY key;
    if (openPasswordKey(KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegFlushKey(key);
    RegCloseKey(key);
    return true;
}

void reportOpenFailure(long error)
{
    tellUser(systemErrorText(error).c_str(), "Cannot Open due to ...");
}

const PasswordStoreOps registryStore = {readValue, writeValue, keyExists, reportOpenFailure};

}  // namespace

const PasswordStoreOps& registryPasswordStore()
{
    return registryStore;
}
