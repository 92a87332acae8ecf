#include "shred/windows_rules.h"

#include <algorithm>

namespace {

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

char asciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool sameLetters(char x, char y)
{
    return asciiUpper(x) == asciiUpper(y);
}

// The system's attribute bits and reparse tags, as Windows defines them.
constexpr std::uint32_t kReadOnly = 0x1;
constexpr std::uint32_t kDirectory = 0x10;
constexpr std::uint32_t kSparse = 0x200;
constexpr std::uint32_t kReparsePoint = 0x400;
constexpr std::uint32_t kCompressed = 0x800;
constexpr std::uint32_t kOffline = 0x1000;
constexpr std::uint32_t kEncrypted = 0x4000;
constexpr std::uint32_t kIntegrityStream = 0x8000;
constexpr std::uint32_t kRecallOnOpen = 0x40000;
constexpr std::uint32_t kRecallOnDataAccess = 0x400000;

constexpr std::uint32_t kNameSurrogateBit = 0x20000000;    // IsReparseTagNameSurrogate
constexpr std::uint32_t kCloudTagMask = 0xFFFF0FFF;        // IO_REPARSE_TAG_CLOUD_1 ... _F
constexpr std::uint32_t kCloudTag = 0x9000001A;
constexpr std::uint32_t kDedupTag = 0x80000013;
constexpr std::uint32_t kWofTag = 0x80000017;

FileError refusalForReparseTag(std::uint32_t tag)
{
    if (tag & kNameSurrogateBit)
        return FileError::Link;     // symbolic links, junctions, mount points
    if ((tag & kCloudTagMask) == kCloudTag)
        return FileError::None;     // its data is here, or the attributes said otherwise
    if (tag == kDedupTag)
        return FileError::Deduplicated;
    if (tag == kWofTag)
        return FileError::SystemCompressed;
    return FileError::UnknownReparse;
}

}  // namespace

bool reachesExactlyWhatItNames(const std::string& path)
{
    for (std::size_t end = 0; end <= path.size(); ++end) {
        if (end < path.size() && !isSeparator(path[end]))
            continue;
        if (end > 0 && (path[end - 1] == ' ' || path[end - 1] == '.')) {
            // "." and ".." name folders as they are; the dialog gives neither.
            const std::size_t start = path.find_last_of("\\/", end - 1) + 1;
            const std::string name = path.substr(start, end - start);
            if (name != "." && name != "..")
                return false;
        }
    }
    return true;
}

std::string plainPath(const std::string& path)
{
    std::string rest = path;
    std::string plain;
    if (rest.compare(0, 8, "\\\\?\\UNC\\") == 0) {
        plain = "\\\\";
        rest = rest.substr(8);
    } else if (rest.compare(0, 4, "\\\\?\\") == 0) {
        rest = rest.substr(4);
    } else if (rest.size() >= 2 && isSeparator(rest[0]) && isSeparator(rest[1])) {
        plain = "\\\\";
        rest = rest.substr(2);
    }
    for (char c : rest) {
        if (!isSeparator(c))
            plain += c;
        else if (plain.empty() || plain.back() != '\\')
            plain += '\\';
    }
    if (plain.size() > 1 && plain.back() == '\\' && plain != "\\\\")
        plain.pop_back();
    return plain;
}

bool samePath(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameLetters);
}

bool isPrivateCopy(const std::string& opened, const std::string& chosen)
{
    if (chosen.size() < 3 || chosen[1] != ':')
        return false;
    const std::string copy = "\\VirtualStore" + chosen.substr(2);
    return opened.size() > copy.size() && samePath(opened.substr(opened.size() - copy.size()), copy);
}

FileError refusalForAttributes(std::uint32_t attributes, std::uint32_t reparseTag)
{
    if (attributes & kDirectory)
        return FileError::NotAFile;
    if (attributes & kReparsePoint) {
        const FileError refused = refusalForReparseTag(reparseTag);
        if (refused != FileError::None)
            return refused;
    }
    // Opening it would only fetch it from where it is kept.
    if (attributes & (kOffline | kRecallOnOpen | kRecallOnDataAccess))
        return FileError::OnlineOnly;
    if (attributes & kReadOnly)
        return FileError::ReadOnly;
    if (attributes & kCompressed)
        return FileError::Compressed;
    if (attributes & kEncrypted)
        return FileError::Encrypted;
    if (attributes & kSparse)
        return FileError::Sparse;
    if (attributes & kIntegrityStream)
        return FileError::IntegrityStream;
    return FileError::None;
}

FileError fileErrorFor(std::uint32_t windowsError)
{
    switch (windowsError) {
    case 2: case 3: case 15: case 53: case 67:
        return FileError::Missing;          // file, path, drive, network path, share
    case 5:
        return FileError::AccessDenied;
    case 19:
        return FileError::WriteProtected;
    case 32: case 33:
        return FileError::InUse;            // sharing, lock violation
    case 111: case 206:
        return FileError::PathTooLong;      // buffer overflow, name too long
    case 267:
        return FileError::NotAFile;         // a folder where a file was expected
    default:
        return FileError::Other;
    }
}
