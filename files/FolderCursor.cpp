#include "files/FolderCursor.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace jumelix {
namespace {

bool IsFolder(int fd, const FolderIdentity& expected)
{
    struct stat st {};
    return fstat(fd, &st) == 0 && IdentityOf(st) == expected;
}

}  // namespace

void FolderCursor::Clear()
{
    for (PathFolder& folder : path_) {
        if (folder.fd >= 0)
            close(folder.fd);
    }
    path_.clear();
    openCount_ = 0;
    lowestMaybeOpen_ = 1;
}

void FolderCursor::Push(PathFolder folder)
{
    if (folder.fd >= 0)
        ++openCount_;
    path_.push_back(std::move(folder));
    keepWithinBudget();
}

void FolderCursor::Pop(bool climb)
{
    PathFolder left = std::move(path_.back());
    path_.pop_back();
    if (!path_.empty()) {
        PathFolder& parent = path_.back();
        // Going up through ".." saves reopening a closed parent from further up.
        if (parent.fd < 0 && !parent.gone && left.fd >= 0 && climb) {
            const int fd = OpenFolder(left.fd, "..");
            if (fd >= 0 && IsFolder(fd, parent.id))
                adopt(path_.size() - 1, fd);
            else if (fd >= 0)
                close(fd);
        }
    }
    if (left.fd >= 0) {
        close(left.fd);
        --openCount_;
    }
    lowestMaybeOpen_ = std::min(lowestMaybeOpen_, std::max<std::size_t>(path_.size(), 1));
}

int FolderCursor::CurrentFd()
{
    PathFolder& current = path_.back();
    if (current.fd < 0 && !current.gone)
        reopenCurrent();
    return current.fd;
}

// Closes the oldest ancestors; the scan folder and the current folder stay open.
void FolderCursor::keepWithinBudget()
{
    for (std::size_t i = lowestMaybeOpen_; openCount_ > kMaxOpenFolders && i + 1 < path_.size(); ++i) {
        if (path_[i].fd >= 0) {
            close(path_[i].fd);
            path_[i].fd = -1;
            --openCount_;
        }
        lowestMaybeOpen_ = i + 1;
    }
}

void FolderCursor::adopt(std::size_t index, int fd)
{
    path_[index].fd = fd;
    ++openCount_;
    lowestMaybeOpen_ = std::min(lowestMaybeOpen_, std::max<std::size_t>(index, 1));
}

// Reopens the current folder from its nearest open ancestor, one name at a
// time; a folder found replaced along the way counts as gone.
void FolderCursor::reopenCurrent()
{
    const std::size_t target = path_.size() - 1;
    std::size_t open = target;
    while (path_[open].fd < 0)
        --open;
    int fd = path_[open].fd;
    for (std::size_t i = open + 1; i <= target && fd >= 0; ++i) {
        const int child = OpenFolder(fd, path_[i].name.c_str());
        if (fd != path_[open].fd)
            close(fd);
        fd = child;
        if (fd >= 0 && !IsFolder(fd, path_[i].id)) {
            close(fd);
            fd = -1;
        }
    }
    if (fd < 0) {
        path_[target].gone = true;
        return;
    }
    adopt(target, fd);
    keepWithinBudget();
}

}  // namespace jumelix
