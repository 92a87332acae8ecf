// File operations on POSIX systems.
#include "shred/file_ops.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

FileFailure lastFailure;

int fail(FileError why, FileDetail detail = {})
{
    lastFailure = {why, std::move(detail)};
    return -1;
}

FileError classify(int error)
{
    switch (error) {
    case EACCES: case EPERM: return FileError::AccessDenied;
    case EROFS: return FileError::WriteProtected;
    case EBUSY: case ETXTBSY: return FileError::InUse;
    case ENOENT: case ENOTDIR: return FileError::Missing;
    case ENAMETOOLONG: return FileError::PathTooLong;
    case EISDIR: return FileError::NotAFile;
    case ELOOP: return FileError::Link;
    default: return FileError::Other;
    }
}

FileIdentity identityOf(const struct stat& info)
{
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

bool nobodyMayWrite(const struct stat& info)
{
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

int openForUpdate(const char* path, FileIdentity* opened)
{
    // A link is not followed: it names another file than itself.
    const int fd = open(path, O_RDWR | O_NOCTTY | O_NOFOLLOW);
    if (fd < 0) {
        const int error = errno;
        struct stat info;
        if (error == EACCES && lstat(path, &info) == 0 && nobodyMayWrite(info))
            return fail(FileError::ReadOnly);
        return fail(classify(error));
    }
    // Root may open any file for writing, so the permission bits are checked
    // here: a file nobody may write is left as it is.
    struct stat info;
    FileError refused = FileError::None;
    if (fstat(fd, &info) != 0)
        refused = classify(errno);
    else if (!S_ISREG(info.st_mode))
        refused = FileError::NotAFile;
    else if (nobodyMayWrite(info))
        refused = FileError::ReadOnly;
    if (refused == FileError::None && info.st_nlink > 1) {
        ::close(fd);
        return fail(FileError::OtherNames, FileDetail{static_cast<std::uint32_t>(info.st_nlink - 1), {}});
    }
    if (refused == FileError::None) {
        *opened = identityOf(info);
        return fd;
    }
    ::close(fd);
    return fail(refused);
}

std::int64_t length(int fd)
{
    struct stat info;
    if (fstat(fd, &info) != 0)
        return fail(classify(errno));
    return info.st_size;
}

int writeBytes(int fd, const void* bytes, unsigned count)
{
    ssize_t written;
    do
        written = ::write(fd, bytes, count);
    while (written < 0 && errno == EINTR);
    return written < 0 ? fail(classify(errno)) : static_cast<int>(written);
}

int seekToStart(int fd)
{
    return lseek(fd, 0, SEEK_SET) == 0 ? 0 : fail(classify(errno));
}

int readBytes(int fd, void* bytes, unsigned count)
{
    ssize_t read;
    do
        read = ::read(fd, bytes, count);
    while (read < 0 && errno == EINTR);
    return read < 0 ? fail(classify(errno)) : static_cast<int>(read);
}

int commit(int fd)
{
    return fsync(fd) == 0 ? 0 : fail(classify(errno));
}

// POSIX files have no named data streams.
int listStreams(int, const char*, std::vector<StreamName>* streams)
{
    streams->clear();
    return 0;
}

int openStream(const char*, const char*, const FileIdentity&)
{
    return fail(FileError::Missing);
}

int closeFile(int fd)
{
    return ::close(fd) == 0 ? 0 : fail(classify(errno));
}

// POSIX deletes only by name: the name must still lead to the file opened.
int removeFile(const char* path, const FileIdentity& opened)
{
    struct stat info;
    if (lstat(path, &info) != 0)
        return fail(classify(errno));
    if (!(identityOf(info) == opened))
        return fail(FileError::Replaced);
    return unlink(path) == 0 ? 0 : fail(classify(errno));
}

FileFailure lastError()
{
    return lastFailure;
}

const FileOps posixFileOps = {
    openForUpdate, length,      writeBytes, commit,     seekToStart, readBytes,
    listStreams,   openStream,  closeFile,  removeFile, lastError,
};

}  // namespace

const FileOps& platformFileOps()
{
    return posixFileOps;
}
