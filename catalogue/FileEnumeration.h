#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jumelix {

class Wildcard;
class WalkObserver;
struct RunFlags;

// What a folder listing gives the walk: the visible files that match the
// filter and the visible sub-folders, each in the order the file system
// enumerates them. Hidden entries (names starting with ".") and special files
// (FIFOs, sockets, devices) never appear; a dangling link appears nowhere.
struct FolderListing {
    std::vector<std::string> Files;
    std::vector<std::string> Folders;
};

// Whether a scan folder can be walked and, when it cannot, why.
enum class FolderCheck {
    Walkable,
    Missing,       // nothing by that name, or a folder on its path is missing
    NotAFolder,    // a file or another kind of entry
    AccessDenied,  // the folder may not be read
    LinkLoop,      // too many symbolic links on the way
    Unopenable,    // any other reason
};

// The file system as the walk sees it: a cursor that stands in one folder at a
// time and moves into a sub-folder and back out again.
class FileEnumeration {
public:
    virtual ~FileEnumeration() = default;

    // Opens `path` as EnterRoot would, and closes it again.
    virtual FolderCheck CheckFolder(std::string_view path) = 0;
    // Starts a walk at the scan folder; false when it cannot be opened.
    virtual bool EnterRoot(std::string_view path) = 0;
    // Moves into sub-folder `name` of the current folder; false (staying put)
    // only when that folder was already entered during this walk. A sub-folder
    // that vanished or cannot be opened is still entered and lists nothing.
    virtual bool EnterChild(std::string_view name) = 0;
    // Moves back to the parent of the current folder.
    virtual void Leave() = 0;
    // Reads the current folder's listing; an unreadable folder lists nothing.
    virtual void List(const Wildcard& filter, FolderListing& listing) = 0;
    // Size of file `name` in the current folder; nothing when it cannot be
    // read or the entry is no longer a regular file.
    virtual std::optional<std::uint64_t> FileSize(std::string_view name) = 0;

    // Frame a walk. In between, an enumeration that reads ahead of the walk
    // pumps the window's events while an answer waits on the disk, and reads
    // nothing more once the walk is to stop; EndWalk joins its readers.
    virtual void BeginWalk(WalkObserver& /*observer*/, const RunFlags& /*flags*/) {}
    virtual void EndWalk() {}
};

}  // namespace jumelix
