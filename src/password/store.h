// Keeps the encoded password in the platform's persistent store and holds
// the reference that typed passwords are checked against.
#ifndef BRISVANE_PASSWORD_STORE_H
#define BRISVANE_PASSWORD_STORE_H

#include <cstddef>
#include <string>

enum class StoreRead {
    Read,           // the value's bytes are in the buffer
    KeyUnopenable,  // the key could not be opened; error holds the system's code
    ValueUnreadable // the key opened but the value is absent, or too long
};

// One implementation per platform: the registry on Windows.
struct PasswordStoreOps {
    // Reads the stored value into buffer, at most capacity bytes.
    StoreRead (*read)(char* buffer, std::size_t capacity, std::size_t* length, long* error);
    // Stores length bytes as the value, creating the key when needed.
    bool (*write)(const char* bytes, std::size_t length, long* error);
    // Whether the key can be opened for reading.
    bool (*exists)();
    // Tells the user that the key could not be opened, with the system's text.
    void (*reportOpenFailure)(long error);
};

// The encoding of a 98-character password fills the reference exactly.
constexpr std::size_t kReferenceCapacity = 100;
// Always terminated after its bytes.
constexpr std::size_t kReferenceBufferSize = kReferenceCapacity + 1;

enum class StoreWrite {
    Stored,         // written, and read back byte for byte
    Refused,        // the store refused it; error holds the system's code
    NotReadBack,    // written, but it reads back otherwise
};

class PasswordStore {
public:
    explicit PasswordStore(const PasswordStoreOps& ops) : ops_(ops) {}

    // Refreshes the reference from the store. When the key cannot be opened
    // the user is told; on any failure the reference is kept as it was.
    void read();
    // Stores the password's encoding, and reads it back to be sure.
    StoreWrite write(const char* password, long* error);
    bool exists() const { return ops_.exists(); }
    bool matches(const char* typed) const;
    // The buffer the reference is held in, all kReferenceBufferSize bytes of
    // it, as a look at the process's memory would find it.
    const char* heldReference() const { return reference_; }

private:
    // The stored bytes, up to a NUL or the value's end; Read only when they
    // fit the reference.
    StoreRead readStored(std::string* bytes, long* error) const;

    const PasswordStoreOps& ops_;
    char reference_[kReferenceBufferSize] = {};
    std::size_t referenceLength_ = 0;
};

#endif
