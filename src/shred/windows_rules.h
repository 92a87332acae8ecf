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
// with the path of the file the system actually opened for it, as the
// system gives it both with its volume's DOS name ("\\?\C:\dir\file",
// "\\?\UNC\server\share\dir\file"; empty if it has none) and without its
// volume ("\dir\file"), ignoring the case of ASCII letters. Either one
// naming the chosen path will do: a mapped drive's files have their share's
// DOS name, and a folder that is a mount point starts a volume of its own.
// None: the same file. Redirected: the system opened the user's private copy
// of a protected file instead. Link: it reached another file.
FileError compareOpenedPath(const std::string& chosen, const std::string& openedWithDosVolume,
                            const std::string& openedWithoutVolume);

// Why a file with these attributes (as the system reports them for an open
// handle) cannot be destroyed by overwriting it in place, or None. NTFS
// writes new data of a compressed, encrypted or sparse file to new
// clusters, leaving the old ones on the disk.
FileError refusalForAttributes(std::uint32_t attributes);

#endif
