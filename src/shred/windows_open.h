// Opening a chosen file on Windows and deleting it, decided over the answers
// of the system's own calls, so that every answer Windows documents can be
// given by a fake and the decisions run and are tested anywhere.
#ifndef BRISVANE_SHRED_WINDOWS_OPEN_H
#define BRISVANE_SHRED_WINDOWS_OPEN_H

#include "shred/file_ops.h"

#include <cstdint>
#include <string>
#include <vector>

// What the system says of one file (GetFileInformationByHandle, and the
// reparse tag from FileAttributeTagInfo).
struct FileDescription {
    std::uint32_t attributes = 0;
    std::uint32_t reparseTag = 0;   // 0 when it is no reparse point, or unknown
    std::uint32_t links = 1;        // its names in all
    bool onDisk = true;             // not a device, pipe or console
    FileIdentity identity;
};

// The forms of a final path, GetFinalPathNameByHandle's flags.
constexpr std::uint32_t kVolumeNameDos = 0x0;
constexpr std::uint32_t kVolumeNameNone = 0x4;
constexpr std::uint32_t kFileNameOpened = 0x8;

// The calls, one each, with Windows' own answers: its error codes, attribute
// bits and paths. A call that fails returns false, -1 or 0 and leaves the
// system's error code in *error.
struct WindowsCalls {
    // The file the path names itself, a link not followed, opened for its
    // attributes only (FILE_FLAG_OPEN_REPARSE_POINT).
    bool (*describeName)(const char* path, FileDescription* found, std::uint32_t* error);
    // The runtime's open for update, read-write and binary: a descriptor.
    int (*openDescriptor)(const char* path, std::uint32_t* error);
    bool (*describeDescriptor)(int fd, FileDescription* found, std::uint32_t* error);
    int (*closeDescriptor)(int fd);
    // GetFinalPathNameByHandleA's answer for the descriptor, or for the
    // folder opened by its path (links on the way followed): the count it
    // returned, 0 on failure. Missing before Vista: 0.
    std::uint32_t (*finalPathOfDescriptor)(int fd, std::uint32_t form, char* buffer,
                                           std::uint32_t capacity, std::uint32_t* error);
    std::uint32_t (*finalPathOfFolder)(const char* folder, std::uint32_t form, char* buffer,
                                       std::uint32_t capacity, std::uint32_t* error);
    // GetFullPathNameA and GetLongPathNameA: the path, empty on failure.
    std::string (*fullPathName)(const char* path);
    std::string (*longPathName)(const char* path);
    // The file's full paths other than this one, as far as the system can
    // list them (FindFirstFileNameW), in UTF-8 to be shown.
    std::vector<std::string> (*otherNamesOf)(const char* path);
    // Whether Windows redirects this process's writes to protected files to
    // private copies (UAC file virtualisation), and switching that.
    bool (*virtualizationOn)();
    void (*setVirtualization)(bool on);
    // The file system flags of the descriptor's volume
    // (GetVolumeInformationByHandleW): false when the system cannot tell.
    bool (*volumeFlags)(int fd, std::uint32_t* flags);
    // The file's data streams as FindFirstStreamW and FindNextStreamW list
    // them, main contents included ("::$DATA", ":Zone.Identifier:$DATA"):
    // false with the first call's error, ERROR_CALL_NOT_IMPLEMENTED where
    // the calls are missing (before Vista).
    bool (*listedStreams)(const char* path, std::vector<StreamName>* streams, std::uint32_t* error);
    // Opens the file the path names itself for deletion, a link not
    // followed, sharing no delete, so that nothing can take its place while
    // it is open: a token, or -1.
    std::intptr_t (*openForDeletion)(const char* path, FileDescription* found, std::uint32_t* error);
    // Deletes the opened file, the one path names, and closes the token
    // either way: 0, or -1.
    int (*deleteAndClose)(std::intptr_t token, const char* path, std::uint32_t* error);
    void (*closeDeletion)(std::intptr_t token);
};

// The room given to a final path.
constexpr std::uint32_t kFinalPathCapacity = 32768;

// Opens the chosen file for update if it is the very file chosen: an
// ordinary file, named exactly, no link, with no other names, whose data
// overwriting in place reaches. The descriptor, or -1 with *why.
int openChosenFile(const WindowsCalls& calls, const char* path, FileIdentity* opened, FileFailure* why);

// The named data streams of the file, none where its volume keeps none or
// the system cannot list any: 0, or -1 with *why when listing them failed.
int listNamedStreams(const WindowsCalls& calls, int fd, const char* path, std::vector<StreamName>* streams,
                     FileFailure* why);

// Opens a named stream of the chosen file for update, if it belongs to the
// very file opened: the descriptor, or -1 with *why.
int openNamedStream(const WindowsCalls& calls, const char* path, const char* stream, const FileIdentity& opened,
                    FileFailure* why);

// Deletes the file at path if it is still the one opened: 0, or -1 with *why.
int removeOpenedFile(const WindowsCalls& calls, const char* path, const FileIdentity& opened,
                     FileFailure* why);

#endif
