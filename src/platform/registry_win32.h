// The password's place in the Windows registry.
#ifndef BRISVANE_PLATFORM_REGISTRY_WIN32_H
#define BRISVANE_PLATFORM_REGISTRY_WIN32_H

#include "password/store.h"

#include <windows.h>

// Under the local-machine hive, in the 32-bit view, so that the 32-bit and
// 64-bit builds keep one value, where a 32-bit Windows program keeps it.
extern const char kPasswordKey[];
extern const char kPasswordValueName[];
constexpr REGSAM kPasswordKeyView = KEY_WOW64_32KEY;

const PasswordStoreOps& registryPasswordStore();

#endif
