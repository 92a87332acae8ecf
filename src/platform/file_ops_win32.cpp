// File operations on Windows, through the runtime library's low-level calls.
#include "shred/file_ops.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>

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

int openForUpdate(const char* path)
{
    const int fd = _open(path, _O_RDWR | _O_BINARY);
    if (fd < 0)
        return failFromRuntime();
    // Some systems (Wine as root among them) open read-only files for
    // writing: the attribute is checked here so that such a file is kept.
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    BY_HANDLE_FILE_INFORMATION info;
    FileError refused = FileError::None;
    if (!GetFileInformationByHandle(handle, &info))
        refused = classify(GetLastError());
    else if (GetFileType(handle) != FILE_TYPE_DISK
             || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        refused = FileError::NotAFile;
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        refused = FileError::ReadOnly;
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
    openForUpdate, length, writeBytes, commit, closeFile, removeFile, lastError,
};

}  // namespace

const FileOps& platformFileOps()
{
    return win32FileOps;
}
