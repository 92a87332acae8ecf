#include "platform/registry_win32.h"

#include "platform/system_error_win32.h"

const char kPasswordKey[] = "Software\\Orvex-Pass";
const char kPasswordValueName[] = "PassName";

namespace {

LONG openPasswordKey(REGSAM access, HKEY* key)
{
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPasswordKey, 0, access | kPasswordKeyView, key);
}

StoreRead readValue(char* buffer, std::size_t capacity, std::size_t* length, long* error)
{
    HKEY key;
    const LONG opened = openPasswordKey(KEY_READ, &key);
    if (opened != ERROR_SUCCESS) {
        *error = opened;
        return StoreRead::KeyUnopenable;
    }
    DWORD size = static_cast<DWORD>(capacity);
    const LONG queried = RegQueryValueExA(key, kPasswordValueName, nullptr, nullptr,
                                          reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (queried != ERROR_SUCCESS) {
        *error = queried;
        return StoreRead::ValueUnreadable;
    }
    *length = size;
    return StoreRead::Read;
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
    status = RegSetValueExA(key, kPasswordValueName, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(bytes), static_cast<DWORD>(length));
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
