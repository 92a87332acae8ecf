// Reads arbitrary stored values into the password store, then checks
// arbitrary typed passwords against them.
//
// Input: how the store answers (one byte), the value's length (one byte, cut
// to what follows), the value's bytes, then the typed passwords, each ended
// by a NUL or by the input's end.
#include "password/encoding.h"
#include "password/store.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

enum class Answer {
    AsTheRegistry,  // a value larger than the buffer is not read at all
    Overstating,    // writes what fits, but reports the value's whole length
    KeyUnopenable,
    ValueAbsent,
};

struct StoredValue {
    Answer answer;
    std::string bytes;
    std::size_t capacity = 0;   // what the store offered
};

StoredValue* stored;

StoreRead fakeRead(char* buffer, std::size_t capacity, std::size_t* length, long* error)
{
    stored->capacity = capacity;
    switch (stored->answer) {
    case Answer::KeyUnopenable:
        *error = 2;
        return StoreRead::KeyUnopenable;
    case Answer::ValueAbsent:
        return StoreRead::ValueUnreadable;
    case Answer::AsTheRegistry:
        if (stored->bytes.size() > capacity)
            return StoreRead::ValueUnreadable;
        break;
    case Answer::Overstating:
        break;
    }
    std::memcpy(buffer, stored->bytes.data(), std::min(stored->bytes.size(), capacity));
    *length = stored->bytes.size();
    return StoreRead::Read;
}

bool fakeWrite(const char*, std::size_t, long*)
{
    return false;
}

bool fakeExists()
{
    return true;
}

void fakeReport(long) {}

const PasswordStoreOps fakeOps = {fakeRead, fakeWrite, fakeExists, fakeReport};

// What the store must hold after reading: the value up to its first NUL when
// all of it was read and that fits the reference, otherwise nothing.
std::string expectedReference(const StoredValue& value)
{
    const bool read = value.answer == Answer::AsTheRegistry || value.answer == Answer::Overstating;
    if (!read || value.bytes.size() > value.capacity)
        return {};
    const std::string upToNul = value.bytes.substr(0, value.bytes.find('\0'));
    return upToNul.size() <= kReferenceCapacity ? upToNul : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const char* rest = reinterpret_cast<const char*>(data) + 2;
    const char* end = reinterpret_cast<const char*>(data) + size;
    const std::size_t valueLength = std::min<std::size_t>(data[1], end - rest);
    StoredValue value{static_cast<Answer>(data[0] % 4), std::string(rest, valueLength)};
    rest += valueLength;

    stored = &value;
    PasswordStore passwords(fakeOps);
    passwords.read();
    // An encoding is never empty, so an empty reference matches nothing.
    const std::string reference = expectedReference(value);

    while (rest < end) {
        const char* nul = std::find(rest, end, '\0');
        const std::string typed(rest, nul);
        const bool same = encodePassword(typed.c_str()) == reference;
        if (passwords.matches(typed.c_str()) != same) {
            std::fprintf(stderr, "password store: typed \"%s\" %s\n", typed.c_str(),
                         same ? "does not match its own encoding" : "matches another value");
            std::abort();
        }
        rest = nul + (nul < end);
    }
    return 0;
}
