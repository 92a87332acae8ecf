#include "shred/windows_open.h"

#include "shred/windows_rules.h"

namespace {

// File virtualisation is switched off while files are opened: a protected
// file is then refused outright, and Windows makes no private copy of it in
// the user's profile.
class VirtualizationOff {
public:
    explicit VirtualizationOff(const WindowsCalls& calls) : calls_(calls), wasOn_(calls.virtualizationOn())
    {
        if (wasOn_)
            calls_.setVirtualization(false);
    }
    ~VirtualizationOff()
    {
        if (wasOn_)
            calls_.setVirtualization(true);
    }
    VirtualizationOff(const VirtualizationOff&) = delete;
    VirtualizationOff& operator=(const VirtualizationOff&) = delete;

    bool wasOn() const { return wasOn_; }

private:
    const WindowsCalls& calls_;
    const bool wasOn_;
};

int refuse(FileFailure* why, FileError error, FileDetail detail = {})
{
    *why = {error, std::move(detail)};
    return -1;
}

// A final path as the system gives it, plain; empty if it gives none.
template <typename FinalPathCall, typename Handle>
std::string finalPath(FinalPathCall call, Handle handle, std::uint32_t form)
{
    std::string path(kFinalPathCapacity, '\0');
    std::uint32_t error = 0;
    std::uint32_t count = call(handle, form, &path[0], kFinalPathCapacity, &error);
    // Vista counts the terminating NUL in the length it returns.
    if (count > 0 && count < kFinalPathCapacity && path[count - 1] == '\0')
        --count;
    if (count == 0 || count >= kFinalPathCapacity)
        return std::string();
    path.resize(count);
    return plainPath(path);
}

// Why the descriptor does not hold the file expected, or None: another
// file may have taken the name between the look at it and the open.
FileError notTheFile(const WindowsCalls& calls, int fd, const FileIdentity& expected)
{
    FileDescription held;
    std::uint32_t error = 0;
    if (!calls.describeDescriptor(fd, &held, &error))
        return fileErrorFor(error);
    if (!held.onDisk)
        return FileError::NotAFile;
    return held.identity == expected ? FileError::None : FileError::Replaced;
}

// The chosen path as the user's folder would give it: full, in its long
// form, with repeated separators read as one.
std::string chosenPath(const WindowsCalls& calls, const char* path)
{
    std::string full = calls.fullPathName(path);
    if (full.empty())
        full = path;
    const std::string longForm = calls.longPathName(full.c_str());
    return plainPath(longForm.empty() ? full : longForm);
}

// Whether the descriptor holds the file at the chosen path. The system is
// asked where the file is and where the chosen folder is, in the same form:
// a drive letter for a share, a subst drive, a mounted volume or a junction
// on the way then spell both alike, and only a link in the file's own place
// leads elsewhere (a link that Windows shows as a plain file, as Wine does a
// POSIX one). Each form is tried in turn until the system names both: one
// normalised name may be refused where a folder on the way is unreadable.
FileError confirmPlace(const WindowsCalls& calls, const std::string& chosen, int fd)
{
    const std::size_t cut = chosen.find_last_of('\\');
    if (cut == std::string::npos)
        return FileError::Other;
    std::string folder = chosen.substr(0, cut);
    if (folder.size() == 2 && folder[1] == ':')
        folder += '\\';     // "R:" alone is the drive's current folder
    const std::string leaf = chosen.substr(cut + 1);

    for (const std::uint32_t form : {kVolumeNameDos, kVolumeNameNone, kFileNameOpened | kVolumeNameDos}) {
        const std::string file = finalPath(calls.finalPathOfDescriptor, fd, form);
        const std::string folderNow = finalPath(calls.finalPathOfFolder, folder.c_str(), form);
        if (file.empty() || folderNow.empty())
            continue;
        const std::string expected = folderNow + (folderNow.back() == '\\' ? "" : "\\") + leaf;
        if (samePath(expected, file))
            return FileError::None;
        return isPrivateCopy(file, chosen) ? FileError::Protected : FileError::Link;
    }
    // A system that cannot name paths (before Vista) has no links to files;
    // the identity has matched already.
    return FileError::None;
}

}  // namespace

int openChosenFile(const WindowsCalls& calls, const char* path, FileIdentity* opened, FileFailure* why)
{
    if (!reachesExactlyWhatItNames(path))
        return refuse(why, FileError::InexactName);
    const VirtualizationOff virtualization(calls);
    FileDescription name;
    std::uint32_t error = 0;
    if (!calls.describeName(path, &name, &error))
        return refuse(why, fileErrorFor(error));
    if (!name.onDisk)
        return refuse(why, FileError::NotAFile);
    const FileError refused = refusalForAttributes(name.attributes, name.reparseTag);
    if (refused == FileError::UnknownReparse)
        return refuse(why, refused, FileDetail{name.reparseTag, {}});
    if (refused != FileError::None)
        return refuse(why, refused);
    if (name.links > 1) {
        const std::uint32_t others = name.links - 1;
        std::vector<std::string> names = calls.otherNamesOf(path);
        if (names.size() > others)
            names.resize(others);
        return refuse(why, FileError::OtherNames, FileDetail{others, names});
    }

    const int fd = calls.openDescriptor(path, &error);
    if (fd < 0) {
        const FileError denied = fileErrorFor(error);
        return refuse(why, denied == FileError::AccessDenied && virtualization.wasOn() ? FileError::Protected
                                                                                        : denied);
    }
    FileError wrong = notTheFile(calls, fd, name.identity);
    if (wrong == FileError::None)
        wrong = confirmPlace(calls, chosenPath(calls, path), fd);
    if (wrong == FileError::None) {
        *opened = name.identity;
        return fd;
    }
    calls.closeDescriptor(fd);
    return refuse(why, wrong);
}

namespace {

constexpr std::uint32_t kNamedStreams = 0x40000;        // FILE_NAMED_STREAMS
constexpr std::uint32_t kHandleEof = 38;                 // ERROR_HANDLE_EOF: no stream
constexpr std::uint32_t kCallNotImplemented = 120;

// ":Zone.Identifier:$DATA" is "Zone.Identifier"; the main contents, "::$DATA",
// have no name.
std::string streamName(const std::string& listed)
{
    const std::string type = ":$DATA";
    if (listed.size() < 1 + type.size() || listed[0] != ':'
        || listed.compare(listed.size() - type.size(), type.size(), type) != 0)
        return listed;
    return listed.substr(1, listed.size() - 1 - type.size());
}

}  // namespace

int listNamedStreams(const WindowsCalls& calls, int fd, const char* path, std::vector<StreamName>* streams,
                     FileFailure* why)
{
    streams->clear();
    std::uint32_t flags = 0;
    if (calls.volumeFlags(fd, &flags) && !(flags & kNamedStreams))
        return 0;   // FAT32, exFAT, many network shares
    std::vector<StreamName> listed;
    std::uint32_t error = 0;
    if (!calls.listedStreams(path, &listed, &error))
        return error == kHandleEof || error == kCallNotImplemented ? 0 : refuse(why, fileErrorFor(error));
    for (StreamName& stream : listed) {
        stream.name = streamName(stream.name);
        stream.shown = streamName(stream.shown);
        if (!stream.shown.empty())
            streams->push_back(stream);
    }
    return 0;
}

int openNamedStream(const WindowsCalls& calls, const char* path, const char* stream, const FileIdentity& opened,
                    FileFailure* why)
{
    const VirtualizationOff virtualization(calls);
    std::uint32_t error = 0;
    const int fd = calls.openDescriptor((std::string(path) + ":" + stream + ":$DATA").c_str(), &error);
    if (fd < 0)
        return refuse(why, fileErrorFor(error));
    const FileError wrong = notTheFile(calls, fd, opened);
    if (wrong == FileError::None)
        return fd;
    calls.closeDescriptor(fd);
    return refuse(why, wrong);
}

int removeOpenedFile(const WindowsCalls& calls, const char* path, const FileIdentity& opened, FileFailure* why)
{
    const VirtualizationOff virtualization(calls);
    FileDescription found;
    std::uint32_t error = 0;
    const std::intptr_t token = calls.openForDeletion(path, &found, &error);
    if (token < 0)
        return refuse(why, fileErrorFor(error));
    if (!(found.identity == opened)) {
        calls.closeDeletion(token);
        return refuse(why, FileError::Replaced);
    }
    return calls.deleteAndClose(token, path, &error) == 0 ? 0 : refuse(why, fileErrorFor(error));
}
