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

bool equalIgnoringAsciiCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return asciiUpper(x) == asciiUpper(y); });
}

bool containsIgnoringAsciiCase(const std::string& text, const std::string& part)
{
    return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char x, char y) {
               return asciiUpper(x) == asciiUpper(y);
           }) != text.end();
}

// "C:\dir\file" and "\\server\share\dir\file" both give "\dir\file".
std::string withoutVolume(const std::string& path)
{
    if (path.size() >= 2 && path[1] == ':')
        return path.substr(2);
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        std::size_t at = 2;
        for (int part = 0; part < 2 && at != std::string::npos; ++part)
            at = path.find_first_of("\\/", at + (part > 0));
        return at == std::string::npos ? std::string() : path.substr(at);
    }
    return path;
}

// "\\?\C:\dir" gives "C:\dir", and "\\?\UNC\server\share" "\\server\share".
std::string withoutLongPathPrefix(const std::string& path)
{
    if (path.compare(0, 8, "\\\\?\\UNC\\") == 0)
        return "\\" + path.substr(7);
    if (path.compare(0, 4, "\\\\?\\") == 0)
        return path.substr(4);
    return path;
}

// The system's attribute bits, as Windows defines them.
constexpr std::uint32_t kReadOnly = 0x1;
constexpr std::uint32_t kDirectory = 0x10;
constexpr std::uint32_t kSparse = 0x200;
constexpr std::uint32_t kReparsePoint = 0x400;
constexpr std::uint32_t kCompressed = 0x800;
constexpr std::uint32_t kEncrypted = 0x4000;

}  // namespace

FileError refusalForAttributes(std::uint32_t attributes)
{
    if (attributes & kDirectory)
        return FileError::NotAFile;
    if (attributes & kReparsePoint)
        return FileError::Link;
    if (attributes & kReadOnly)
        return FileError::ReadOnly;
    if (attributes & kCompressed)
        return FileError::Compressed;
    if (attributes & kEncrypted)
        return FileError::Encrypted;
    if (attributes & kSparse)
        return FileError::Sparse;
    return FileError::None;
}

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

FileError compareOpenedPath(const std::string& chosen, const std::string& openedWithDosVolume,
                            const std::string& openedWithoutVolume)
{
    if (equalIgnoringAsciiCase(chosen, withoutLongPathPrefix(openedWithDosVolume))
        || equalIgnoringAsciiCase(withoutVolume(chosen), openedWithoutVolume))
        return FileError::None;
    // Windows keeps a program's private copies of protected files here.
    if (containsIgnoringAsciiCase(openedWithoutVolume, "\\VirtualStore\\")
        && !containsIgnoringAsciiCase(chosen, "\\VirtualStore\\"))
        return FileError::Redirected;
    return FileError::Link;
}
