// What Windows does to a path on its way to the file system, how to tell
// that the file it opened is the file that was named, and which files it
// keeps where overwriting in place cannot reach. Plain logic, so that it
// runs and is tested anywhere.
#ifndef BRISVANE_SHRED_PATH_RULES_H
#define BRISVANE_SHRED_PATH_RULES_H

#include "shred/file_ops.h"

#include <cstdint>
#include <string>

// Windows drops a trailing space or dot from a name before it looks the name
// up, so "keep.txt " would reach "keep.txt". True when no name in the path
// ends in either, so the path reaches exactly the file it names.
bool reachesExactlyWhatItNames(const std::string& path);

// Compares a chosen full path ("C:\dir\file" or "\\server\share\dir\file")
// with the path, without its volume ("\dir\file"), of the file the system
// actually opened for it, ignoring the case of ASCII letters.
// None: the same file. Redirected: the system opened the user's private copy
// of a protected file instead. Link: it reached another file.
FileError compareOpenedPath(const std::string& chosen, const std::string& openedWithoutVolume);

// Why a file with these attributes (as the system reports them for an open
// handle) cannot be destroyed by overwriting it in place, or None. NTFS
// writes new data of a compressed, encrypted or sparse file to new
// clusters, leaving the old ones on the disk.
FileError refusalForAttributes(std::uint32_t attributes);

#endif
