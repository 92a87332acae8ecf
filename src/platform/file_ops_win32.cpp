// File operations on Windows, through the runtime library's low-level calls.
#include "shred/file_ops.h"

#include "platform/optional_call_win32.h"
#include "shred/windows_rules.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>

#include <string>

namespace {

FileError lastFailure = FileError::None;

int fail(FileError why)
{
    lastFailure = why;
    return -1;
}

FileError classify(unsigned long error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED: case ERROR_WRITE_PROTECT: return FileError::ReadOnly;
    case ERROR_SHARING_VIOLATION: case ERROR_LOCK_VIOLATION: return FileError::InUse;
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH: return FileError::Missing;
    case ERROR_FILENAME_EXCED_RANGE: case ERROR_BUFFER_OVERFLOW: return FileError::PathTooLong;
    case ERROR_DIRECTORY: return FileError::NotAFile;
    default: return FileError::Other;
    }
}

// The runtime keeps the system's code of its last failure beside errno.
int failFromRuntime()
{
    return fail(classify(_doserrno));
}

// Room for any path the system hands back, long ones included.
constexpr DWORD kPathCapacity = 32768;

using FinalPathNameFunction = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);

// The path of the file the handle reached, in the given form; empty if the
// system cannot give it.
std::string finalPath(FinalPathNameFunction finalPathName, HANDLE handle, DWORD form)
{
    std::string path(kPathCapacity, '\0');
    const DWORD length = finalPathName(handle, &path[0], kPathCapacity, form);
    path.resize(length < kPathCapacity ? length : 0);
    return path;
}

// Whether the handle reached the very file the path names, not a link's
// target nor the private copy Windows gives a program that may not write a
// protected file. Systems without the call that tells have neither links
// to files nor such copies.
FileError confirmOpened(const char* path, HANDLE handle)
{
    const auto finalPathName =
        optionalCall<FinalPathNameFunction>("kernel32.dll", "GetFinalPathNameByHandleA");
    if (!finalPathName)
        return FileError::None;
    const std::string withoutVolume = finalPath(finalPathName, handle, VOLUME_NAME_NONE);
    if (withoutVolume.empty())
        return classify(GetLastError());
    // The chosen path in its long form, as the opened one is given.
    std::string chosen(kPathCapacity, '\0');
    const DWORD chosenLength = GetLongPathNameA(path, &chosen[0], kPathCapacity);
    if (chosenLength == 0 || chosenLength >= kPathCapacity)
        return classify(GetLastError());
    chosen.resize(chosenLength);
    return compareOpenedPath(chosen, finalPath(finalPathName, handle, VOLUME_NAME_DOS), withoutVolume);
}

int openForUpdate(const char* path)
{
    if (!reachesExactlyWhatItNames(path))
        return fail(FileError::InexactName);
    // Asked of the name itself: a link is not followed to learn this.
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return fail(FileError::Link);
    const int fd = _open(path, _O_RDWR | _O_BINARY);
    if (fd < 0)
        return failFromRuntime();
    // Some systems (Wine as root among them) open read-only files for
    // writing: the attributes are checked here so that such a file is kept,
    // as is one that overwriting in place cannot reach.
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    BY_HANDLE_FILE_INFORMATION info;
    FileError refused = FileError::None;
    if (!GetFileInformationByHandle(handle, &info))
        refused = classify(GetLastError());
    else if (GetFileType(handle) != FILE_TYPE_DISK)
        refused = FileError::NotAFile;
    else if ((refused = refusalForAttributes(info.dwFileAttributes)) == FileError::None)
        refused = confirmOpened(path, handle);
    if (refused == FileError::None)
        return fd;
    _close(fd);
    return fail(refused);
}

std::int64_t length(int fd)
{
    const __int64 size = _filelengthi64(fd);
    return size < 0 ? failFromRuntime() : size;
}

int writeBytes(int fd, const void* bytes, unsigned count)
{
    const int written = _write(fd, bytes, count);
    return written < 0 ? failFromRuntime() : written;
}

int seekToStart(int fd)
{
    return _lseeki64(fd, 0, SEEK_SET) == 0 ? 0 : failFromRuntime();
}

int readBytes(int fd, void* bytes, unsigned count)
{
    const int read = _read(fd, bytes, count);
    return read < 0 ? failFromRuntime() : read;
}

int commit(int fd)
{
    return _commit(fd) == 0 ? 0 : failFromRuntime();
}

int closeFile(int fd)
{
    return _close(fd) == 0 ? 0 : failFromRuntime();
}

int removeFile(const char* path)
{
    return DeleteFileA(path) ? 0 : fail(classify(GetLastError()));
}

FileError lastError()
{
    return lastFailure;
}

const FileOps win32FileOps = {
    openForUpdate, length, writeBytes, commit, seekToStart, readBytes, closeFile, removeFile, lastError,
};

}  // namespace

const FileOps& platformFileOps()
{
    return win32FileOps;
}
