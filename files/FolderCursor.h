#pragma once

#include "files/PosixFolder.h"
#include "files/ReadAhead.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jumelix {

// One folder of the path from the scan folder down to the current one.
// fd < 0 means closed to save descriptors, or gone when `gone` is set.
struct PathFolder {
    std::string name;
    FolderIdentity id;
    int fd = -1;
    bool gone = false;
    // Its place in the walk's order and its path under the scan folder, by
    // which the readers know it.
    ReadAhead::Place place;
    std::string path;
    std::optional<FolderRead> read;         // what a reader found in this very folder
    std::vector<FolderIdentity> folderIds;  // of its listed sub-folders
    std::size_t nextFile = 0;               // in the read's files
    std::uint32_t nextFolder = 0;           // the index of the next sub-folder entered
    bool subFoldersQueued = false;
};

// The folders of the walk's path, within a budget of descriptors whatever the
// depth: deeper walks close those of older ancestors, which are reopened by
// name, or through "..", when the walk comes back.
class FolderCursor {
public:
    // Folders kept open at once, whatever the depth.
    static constexpr int kMaxOpenFolders = 16;

    FolderCursor() = default;
    ~FolderCursor() { Clear(); }
    FolderCursor(const FolderCursor&) = delete;
    FolderCursor& operator=(const FolderCursor&) = delete;

    void Clear();
    bool Empty() const { return path_.empty(); }
    PathFolder& Root() { return path_.front(); }
    PathFolder& Current() { return path_.back(); }
    void Push(PathFolder folder);
    // Back to the parent; a closed parent is reopened through ".." when `climb`.
    void Pop(bool climb);
    // The current folder's descriptor, reopened if it was closed; -1 when gone.
    int CurrentFd();

private:
    void keepWithinBudget();
    void adopt(std::size_t index, int fd);
    void reopenCurrent();

    std::vector<PathFolder> path_;
    int openCount_ = 0;
    std::size_t lowestMaybeOpen_ = 1;  // path_ [1, lowestMaybeOpen_) are all closed
};

}  // namespace jumelix
