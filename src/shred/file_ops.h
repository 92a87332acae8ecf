// The file operations the shredder needs from the platform.
#ifndef BRISVANE_SHRED_FILE_OPS_H
#define BRISVANE_SHRED_FILE_OPS_H

#include <cstdint>

// Why a file operation failed, in the terms the user is told.
enum class FileError {
    None,
    ReadOnly,       // marked read-only, or no right to write it
    InUse,          // another program holds it without sharing write access
    Missing,        // no such file or folder
    PathTooLong,
    NotAFile,       // a folder, device or pipe
    InexactName,    // the name would reach the file only in an altered form
    Link,           // a link: opening it would reach another file
    Redirected,     // the system opened its private copy of a protected file
    Compressed,     // kept by NTFS where new data goes to new clusters:
    Encrypted,      //   compressed, encrypted (EFS) or sparse
    Sparse,
    Other,
};

// One implementation per platform, in the order the shredder uses them.
// Failing calls return -1 and leave the reason for lastError().
struct FileOps {
    // Opens an existing regular file for reading and writing, in binary mode,
    // at offset 0, without creating or truncating it. Refuses read-only files,
    // links, and any file other than the one the path names.
    int (*openForUpdate)(const char* path);
    // Size in bytes, leaving the file position alone.
    std::int64_t (*length)(int fd);
    // One platform write of count bytes at the current position.
    int (*write)(int fd, const void* bytes, unsigned count);
    // Forces the file's data to the device: 0 on success.
    int (*commit)(int fd);
    // Moves the file position back to offset 0: 0 on success.
    int (*seekToStart)(int fd);
    // Reads up to count bytes at the current position and advances it; the
    // count read, 0 at the end of the file.
    int (*read)(int fd, void* bytes, unsigned count);
    int (*close)(int fd);
    // Deletes the file by path: 0 on success.
    int (*remove)(const char* path);
    // The reason for the most recent failed call above.
    FileError (*lastError)();
};

// The operations of the platform this program was built for.
const FileOps& platformFileOps();

#endif
