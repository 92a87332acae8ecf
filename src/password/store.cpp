#include "password/store.h"

#include "password/encoding.h"
#include "password/wipe.h"

#include <cstring>

StoreRead PasswordStore::readStored(std::string* bytes, long* error) const
{
    // One byte more than the reference holds, so that a value stored with
    // its terminating NUL still fits, and a longer one is recognised.
    char value[kReferenceCapacity + 1];
    std::size_t length = 0;
    const StoreRead result = ops_.read(value, sizeof value, &length, error);
    if (result != StoreRead::Read)
        return result;
    if (length > sizeof value)
        return StoreRead::ValueUnreadable;
    const void* nul = std::memchr(value, '\0', length);
    if (nul)
        length = static_cast<std::size_t>(static_cast<const char*>(nul) - value);
    const bool fits = length <= kReferenceCapacity;
    if (fits)
        bytes->assign(value, length);
    wipe(value, sizeof value);
    return fits ? StoreRead::Read : StoreRead::ValueUnreadable;
}

void PasswordStore::read()
{
    long error = 0;
    std::string stored;
    switch (readStored(&stored, &error)) {
    case StoreRead::KeyUnopenable:
        ops_.reportOpenFailure(error);
        return;
    case StoreRead::ValueUnreadable:
        return;
    case StoreRead::Read:
        break;
    }
    // Nothing of an earlier, longer reference may stay behind the new one.
    wipe(reference_, sizeof reference_);
    stored.copy(reference_, stored.size());
    referenceLength_ = stored.size();
    wipe(stored);
}

StoreWrite PasswordStore::write(const char* password, long* error)
{
    std::string encoded = encodePassword(password);
    StoreWrite result = StoreWrite::Refused;
    if (ops_.write(encoded.data(), encoded.size(), error)) {
        std::string stored;
        long readError = 0;
        const bool readBack = readStored(&stored, &readError) == StoreRead::Read && stored == encoded;
        result = readBack ? StoreWrite::Stored : StoreWrite::NotReadBack;
        wipe(stored);
    }
    wipe(encoded);
    return result;
}

bool PasswordStore::matches(const char* typed) const
{
    return ::matches(std::string_view(reference_, referenceLength_), typed);
}
