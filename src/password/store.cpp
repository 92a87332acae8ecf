#include "password/store.h"

#include "password/encoding.h"

#include <cstring>

void PasswordStore::read()
{
    // One byte more than the reference holds, so that a value stored with
    // its terminating NUL still fits, and a longer one is recognised.
    char value[kReferenceCapacity + 1];
    std::size_t length = 0;
    long error = 0;
    switch (ops_.read(value, sizeof value, &length, &error)) {
    case StoreRead::KeyUnopenable:
        ops_.reportOpenFailure(error);
        return;
    case StoreRead::ValueUnreadable:
        return;
    case StoreRead::Read:
        break;
    }
    if (length > sizeof value)
        return;
    const void* nul = std::memchr(value, '\0', length);
    if (nul)
        length = static_cast<const char*>(nul) - value;
    if (length <= kReferenceCapacity)
        reference_.assign(value, length);
}

bool PasswordStore::write(const char* password, long* error)
{
    const std::string encoded = encodePassword(password);
    return ops_.write(encoded.data(), encoded.size(), error);
}

bool PasswordStore::matches(const char* typed) const
{
    return ::matches(reference_, typed);
}
