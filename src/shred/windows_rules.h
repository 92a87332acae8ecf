// What Windows does to a path on its way to the file system, how to read the
// paths it gives back, and which files it keeps where overwriting in place
// cannot reach. Plain logic, so that it runs and is tested anywhere.
#ifndef BRISVANE_SHRED_WINDOWS_RULES_H
#define BRISVANE_SHRED_WINDOWS_RULES_H

#include "shred/file_ops.h"

#include <cstdint>
#include <string>

// Windows drops a trailing space or dot from a name before it looks the name
// up, so "keep.txt " would reach "keep.txt". True when no name in the path
// ends in either, so the path reaches exactly the file it names.
bool reachesExactlyWhatItNames(const std::string& path);

// A path as GetFinalPathNameByHandle gives it, in the form a user would type:
// "\\?\C:\dir" is "C:\dir", "\\?\UNC\server\share" is "\\server\share".
// Repeated separators are one, as Windows reads them ("R:\\a" is "R:\a"),
// and a trailing one is dropped.
std::string plainPath(const std::string& path);

// The same path, ignoring the case of ASCII letters.
bool samePath(const std::string& a, const std::string& b);

// True when the opened path is the private copy Windows keeps of the chosen
// one in a user's VirtualStore: "C:\Program Files\App\a.ini" is copied to
// "C:\Users\ann\AppData\Local\VirtualStore\Program Files\App\a.ini".
bool isPrivateCopy(const std::string& opened, const std::string& chosen);

// Why a file with these attributes and reparse tag (as the system reports
// them for the name itself) cannot be destroyed by overwriting it in place,
// or None. A cloud file whose data is on this computer is an ordinary file.
FileError refusalForAttributes(std::uint32_t attributes, std::uint32_t reparseTag);

// What a Windows error code tells the user.
FileError fileErrorFor(std::uint32_t windowsError);

#endif
