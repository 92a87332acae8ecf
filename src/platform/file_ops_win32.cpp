// File operations on Windows: the descriptor calls through the runtime
// library's low-level calls, the decisions of opening and deleting over the
// system's calls below.
#include "shred/file_ops.h"

#include "platform/optional_call_win32.h"
#include "platform/text_win32.h"
#include "shred/windows_open.h"
#include "shred/windows_rules.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>

#include <string>
#include <utility>

namespace {

// ---------------------------------------------------------------------------
// The system's calls, as the decisions ask for them.

bool describe(HANDLE handle, FileDescription* found, std::uint32_t* error)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) {
        *error = GetLastError();
        return false;
    }
    found->attributes = info.dwFileAttributes;
    found->links = info.nNumberOfLinks;
    found->onDisk = GetFileType(handle) == FILE_TYPE_DISK;
    found->identity = {info.dwVolumeSerialNumber,
                       (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    found->reparseTag = 0;
    // The tag came with Vista; before it, the kind of a reparse point stays unknown.
    using InformationEx = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
    const auto informationEx = optionalCall<InformationEx>("kernel32.dll", "GetFileInformationByHandleEx");
    FILE_ATTRIBUTE_TAG_INFO tag;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && informationEx
        && informationEx(handle, FileAttributeTagInfo, &tag, sizeof tag))
        found->reparseTag = tag.ReparseTag;
    return true;
}

// The name itself, opened for its attributes: no link is followed, no cloud
// file is fetched, and a folder opens too, to be told apart.
HANDLE openName(const char* path, DWORD access, DWORD share, std::uint32_t* error)
{
    const HANDLE handle = CreateFileA(path, access, share, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        *error = GetLastError();
    return handle;
}

bool describeName(const char* path, FileDescription* found, std::uint32_t* error)
{
    const HANDLE handle =
        openName(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, error);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool described = describe(handle, found, error);
    CloseHandle(handle);
    return described;
}

int openDescriptor(const char* path, std::uint32_t* error)
{
    const int fd = _open(path, _O_RDWR | _O_BINARY);
    if (fd < 0)
        *error = _doserrno;     // the system's code, kept by the runtime beside errno
    return fd;
}

HANDLE handleOf(int fd)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

bool describeDescriptor(int fd, FileDescription* found, std::uint32_t* error)
{
    return describe(handleOf(fd), found, error);
}

int closeDescriptor(int fd)
{
    return _close(fd);
}

std::uint32_t finalPathOfHandle(HANDLE handle, std::uint32_t form, char* buffer, std::uint32_t capacity,
                                std::uint32_t* error)
{
    using FinalPathName = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
    const auto finalPathName = optionalCall<FinalPathName>("kernel32.dll", "GetFinalPathNameByHandleA");
    if (!finalPathName) {
        *error = ERROR_CALL_NOT_IMPLEMENTED;
        return 0;
    }
    const DWORD count = finalPathName(handle, buffer, capacity, form);
    if (count == 0)
        *error = GetLastError();
    return count;
}

std::uint32_t finalPathOfDescriptor(int fd, std::uint32_t form, char* buffer, std::uint32_t capacity,
                                    std::uint32_t* error)
{
    return finalPathOfHandle(handleOf(fd), form, buffer, capacity, error);
}

std::uint32_t finalPathOfFolder(const char* folder, std::uint32_t form, char* buffer, std::uint32_t capacity,
                                std::uint32_t* error)
{
    const HANDLE handle =
        CreateFileA(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return 0;
    }
    const std::uint32_t count = finalPathOfHandle(handle, form, buffer, capacity, error);
    CloseHandle(handle);
    return count;
}

// Room for any path the system hands back, long ones included.
constexpr DWORD kPathCapacity = 32768;

std::string pathFrom(DWORD (*call)(const char*, char*, DWORD), const char* path)
{
    std::string answer(kPathCapacity, '\0');
    const DWORD count = call(path, &answer[0], kPathCapacity);
    answer.resize(count < kPathCapacity ? count : 0);
    return answer;
}

DWORD fullPath(const char* path, char* buffer, DWORD capacity)
{
    return GetFullPathNameA(path, capacity, buffer, nullptr);
}

DWORD longPath(const char* path, char* buffer, DWORD capacity)
{
    return GetLongPathNameA(path, buffer, capacity);
}

std::string fullPathName(const char* path)
{
    return pathFrom(fullPath, path);
}

std::string longPathName(const char* path)
{
    return pathFrom(longPath, path);
}

// The names come within the volume ("\dir\b.txt"); the volume's own path
// ("C:\", "\\server\share\") goes before them. In UTF-8, to be shown as
// they are.
std::vector<std::string> otherNamesOf(const char* path)
{
    using FindFirstFileName = HANDLE(WINAPI*)(LPCWSTR, DWORD, LPDWORD, PWSTR);
    using FindNextFileName = BOOL(WINAPI*)(HANDLE, LPDWORD, PWSTR);
    const auto findFirst = optionalCall<FindFirstFileName>("kernel32.dll", "FindFirstFileNameW");
    const auto findNext = optionalCall<FindNextFileName>("kernel32.dll", "FindNextFileNameW");
    std::vector<std::string> names;
    const std::wstring widePath = wideText(path, CP_ACP);
    std::wstring volume(kPathCapacity, L'\0');
    if (!findFirst || !findNext || !GetVolumePathNameW(widePath.c_str(), &volume[0], kPathCapacity))
        return names;
    volume.resize(volume.find(L'\0'));
    if (!volume.empty() && volume.back() == L'\\')
        volume.pop_back();
    std::wstring name(kPathCapacity, L'\0');
    DWORD length = kPathCapacity;
    const HANDLE search = findFirst(widePath.c_str(), 0, &length, &name[0]);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring full = volume + name.c_str();
        if (lstrcmpiW(full.c_str(), widePath.c_str()) != 0)
            names.push_back(utf8Text(full));
        length = kPathCapacity;
    } while (names.size() < 64 && findNext(search, &length, &name[0]));
    FindClose(search);
    return names;
}

// TokenVirtualizationEnabled came with Vista; before it the query fails,
// and there is no virtualisation to switch.
bool virtualizationOn()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD enabled = 0;
    DWORD size = 0;
    const bool known = GetTokenInformation(token, TokenVirtualizationEnabled, &enabled, sizeof enabled, &size);
    CloseHandle(token);
    return known && enabled != 0;
}

void setVirtualization(bool on)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_DEFAULT, &token))
        return;
    DWORD enabled = on ? 1 : 0;
    SetTokenInformation(token, TokenVirtualizationEnabled, &enabled, sizeof enabled);
    CloseHandle(token);
}

bool volumeFlags(int fd, std::uint32_t* flags)
{
    using VolumeInformation = BOOL(WINAPI*)(HANDLE, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR, DWORD);
    const auto volumeInformation =
        optionalCall<VolumeInformation>("kernel32.dll", "GetVolumeInformationByHandleW");
    DWORD answer = 0;
    if (!volumeInformation || !volumeInformation(handleOf(fd), nullptr, 0, nullptr, nullptr, &answer, nullptr, 0))
        return false;
    *flags = answer;
    return true;
}

// A stream's name in the ANSI code page where it has an exact form there,
// and as listed, to be shown.
StreamName streamNamed(const std::wstring& name)
{
    bool exact = false;
    std::string ansi = ansiText(name, &exact);
    return StreamName{std::move(ansi), exact, utf8Text(name)};
}

bool listedStreams(const char* path, std::vector<StreamName>* streams, std::uint32_t* error)
{
    using FindFirstStream = HANDLE(WINAPI*)(LPCWSTR, STREAM_INFO_LEVELS, LPVOID, DWORD);
    using FindNextStream = BOOL(WINAPI*)(HANDLE, LPVOID);
    const auto findFirst = optionalCall<FindFirstStream>("kernel32.dll", "FindFirstStreamW");
    const auto findNext = optionalCall<FindNextStream>("kernel32.dll", "FindNextStreamW");
    if (!findFirst || !findNext) {
        *error = ERROR_CALL_NOT_IMPLEMENTED;
        return false;
    }
    WIN32_FIND_STREAM_DATA found;
    const HANDLE search = findFirst(wideText(path, CP_ACP).c_str(), FindStreamInfoStandard, &found, 0);
    if (search == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return false;
    }
    do
        streams->push_back(streamNamed(found.cStreamName));
    while (findNext(search, &found));
    const DWORD last = GetLastError();
    FindClose(search);
    // The list ends with ERROR_HANDLE_EOF; any other error leaves it unknown.
    if (last != ERROR_HANDLE_EOF) {
        *error = last == ERROR_SUCCESS ? ERROR_GEN_FAILURE : last;
        return false;
    }
    return true;
}

std::intptr_t openForDeletion(const char* path, FileDescription* found, std::uint32_t* error)
{
    const HANDLE handle = openName(path, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, error);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    if (!describe(handle, found, error)) {
        CloseHandle(handle);
        return -1;
    }
    return reinterpret_cast<std::intptr_t>(handle);
}

// Through the handle, so that the file deleted is the one confirmed. Before
// Vista there is only the delete by name.
int deleteAndClose(std::intptr_t token, const char* path, std::uint32_t* error)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(token);
    using SetInformation = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
    const auto setInformation = optionalCall<SetInformation>("kernel32.dll", "SetFileInformationByHandle");
    FILE_DISPOSITION_INFO disposition{TRUE};
    bool deleted;
    if (setInformation) {
        deleted = setInformation(handle, FileDispositionInfo, &disposition, sizeof disposition);
        if (!deleted)
            *error = GetLastError();
        CloseHandle(handle);
    } else {
        CloseHandle(handle);
        deleted = DeleteFileA(path);
        if (!deleted)
            *error = GetLastError();
    }
    return deleted ? 0 : -1;
}

void closeDeletion(std::intptr_t token)
{
    CloseHandle(reinterpret_cast<HANDLE>(token));
}

const WindowsCalls systemCalls = {
    describeName,     openDescriptor,  describeDescriptor, closeDescriptor,
    finalPathOfDescriptor, finalPathOfFolder, fullPathName, longPathName,
    otherNamesOf,     virtualizationOn, setVirtualization, volumeFlags,
    listedStreams,    openForDeletion,
    deleteAndClose,   closeDeletion,
};

// ---------------------------------------------------------------------------
// The file operations.

FileFailure lastFailure;

int fail(FileError why)
{
    lastFailure = {why, {}};
    return -1;
}

int failFromRuntime()
{
    return fail(fileErrorFor(_doserrno));
}

int openForUpdate(const char* path, FileIdentity* opened)
{
    return openChosenFile(systemCalls, path, opened, &lastFailure);
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

int listStreams(int fd, const char* path, std::vector<StreamName>* streams)
{
    return listNamedStreams(systemCalls, fd, path, streams, &lastFailure);
}

int openStream(const char* path, const char* stream, const FileIdentity& opened)
{
    return openNamedStream(systemCalls, path, stream, opened, &lastFailure);
}

int removeFile(const char* path, const FileIdentity& opened)
{
    return removeOpenedFile(systemCalls, path, opened, &lastFailure);
}

FileFailure lastError()
{
    return lastFailure;
}

const FileOps win32FileOps = {
    openForUpdate, length,     writeBytes, commit,     seekToStart, readBytes,
    listStreams,   openStream, closeFile,  removeFile, lastError,
};

}  // namespace

const FileOps& platformFileOps()
{
    return win32FileOps;
}
