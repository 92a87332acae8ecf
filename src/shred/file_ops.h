// The file operations the shredder needs from the platform.
#ifndef BRISVANE_SHRED_FILE_OPS_H
#define BRISVANE_SHRED_FILE_OPS_H

#include <cstdint>
#include <string>
#include <vector>

// Why a file operation failed, in the terms the user is told.
enum class FileError {
    None,
    ReadOnly,           // marked read-only
    AccessDenied,       // the system refused access: permissions, or a protection
    WriteProtected,     // on a disk that takes no writes
    InUse,              // another program holds it without sharing write access
    Missing,            // no such file or folder
    PathTooLong,
    NotAFile,           // a folder, device or pipe
    InexactName,        // the name would reach the file only in an altered form
    Link,               // a link: opening it would reach another file
    Protected,          // Windows would let this program write only a private copy
    OtherNames,         // hard links: overwriting it would zero its other names too
    Replaced,           // another file took its place at the name
    OnlineOnly,         // a cloud or offline file with nothing of it on this computer
    Deduplicated,       // its data lies in the volume's shared store
    SystemCompressed,   // compressed by Windows into a stream of its own
    UnknownReparse,     // a reparse point of a kind this program does not know
    Compressed,         // kept where new data goes to new clusters:
    Encrypted,          //   NTFS compression, encryption (EFS), sparse
    Sparse,             //   files, ReFS integrity streams
    IntegrityStream,
    Other,
};

// What only the file itself can add to the reason it was kept.
struct FileDetail {
    std::uint32_t number = 0;           // OtherNames: how many; UnknownReparse: its tag
    std::vector<std::string> names;     // OtherNames: those the system could list, in UTF-8
};

struct FileFailure {
    FileError error = FileError::None;
    FileDetail detail;
};

// Which file a descriptor holds, whatever name reached it.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
};

inline bool operator==(const FileIdentity& a, const FileIdentity& b)
{
    return a.volume == b.volume && a.file == b.file;
}

// A named data stream of a file (NTFS keeps such besides a file's main
// contents). A name with no exact form in this program's code page is
// carried only to be shown.
struct StreamName {
    std::string name;
    bool exact;
    std::string shown;  // in UTF-8
};

// One implementation per platform, in the order the shredder uses them.
// Failing calls return -1 and leave the reason for lastError().
struct FileOps {
    // Opens an existing regular file for reading and writing, in binary mode,
    // at offset 0, without creating or truncating it, and says which file it
    // holds. Refuses read-only files, links, files with other names, and any
    // file other than the one the path names.
    int (*openForUpdate)(const char* path, FileIdentity* opened);
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
    // The named data streams of the file opened as fd from path, none where
    // the system keeps none: 0, or -1 when they cannot be listed.
    int (*listStreams)(int fd, const char* path, std::vector<StreamName>* streams);
    // Opens a named stream of the file opened from path, for reading and
    // writing at offset 0, if it belongs to that very file: a descriptor.
    int (*openStream)(const char* path, const char* stream, const FileIdentity& opened);
    int (*close)(int fd);
    // Deletes the file at path if it is still the one opened: 0 on success.
    // Another file found there is left alone (Replaced).
    int (*remove)(const char* path, const FileIdentity& opened);
    // The reason for the most recent failed call above.
    FileFailure (*lastError)();
};

// The operations of the platform this program was built for.
const FileOps& platformFileOps();

#endif
