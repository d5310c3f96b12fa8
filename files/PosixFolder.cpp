#include "files/PosixFolder.h"

#include "catalogue/FileEnumeration.h"
#include "catalogue/Wildcard.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

namespace jumelix {
namespace {

constexpr std::size_t kListingBufferBytes = std::size_t{256} * 1024;
// A name of 255 bytes, its header and its padding.
constexpr std::size_t kLargestEntryBytes = offsetof(dirent64, d_name) + 256 + 8;

void AddEntry(int fd, const dirent64& entry, dev_t dev, const Wildcard& filter,
              FolderListing& listing, std::vector<FolderIdentity>& folderIds)
{
    const char* name = entry.d_name;
    if (name[0] == '.')
        return;  // hidden, and the "." and ".." entries
    unsigned char type = entry.d_type;
    FolderIdentity id{dev, entry.d_ino};
    if (type == DT_LNK || type == DT_UNKNOWN) {
        struct stat st {};
        if (fstatat(fd, name, &st, 0) != 0)
            return;  // a dangling link is nothing
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        id = IdentityOf(st);
    }
    if (type == DT_DIR) {
        listing.Folders.emplace_back(name);
        folderIds.push_back(id);
    } else if (type == DT_REG && filter.Matches(name)) {
        listing.Files.emplace_back(name);
    }
    // FIFOs, sockets and devices are not user files.
}

}  // namespace

int OpenFolder(int parentFd, const char* name)
{
    // O_DIRECTORY refuses anything else before opening it: an entry that
    // turned into a FIFO cannot hang the walk.
    return openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int OpenFolderPath(int baseFd, const std::string& path)
{
    int fd = OpenFolder(baseFd, path.c_str());
    if (fd >= 0 || errno != ENAMETOOLONG)
        return fd;
    fd = path.starts_with('/') ? OpenFolder(AT_FDCWD, "/") : OpenFolder(baseFd, ".");
    for (std::size_t start = 0; fd >= 0 && start < path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start) {
            const int next = OpenFolder(fd, path.substr(start, end - start).c_str());
            close(fd);
            fd = next;
        }
        start = end + 1;
    }
    return fd;
}

ListingBuffer::ListingBuffer() : words_(kListingBufferBytes / sizeof(std::uint64_t)) {}

void ListingBuffer::List(int fd, const FolderIdentity& folder, const Wildcard& filter,
                         FolderListing& listing, std::vector<FolderIdentity>& folderIds)
{
    auto* bytes = reinterpret_cast<char*>(words_.data());
    const std::size_t capacity = words_.size() * sizeof words_[0];
    for (;;) {
        const ssize_t filled = getdents64(fd, bytes, capacity);
        if (filled <= 0)
            return;
        for (ssize_t offset = 0; offset < filled;) {
            const auto* entry = reinterpret_cast<const dirent64*>(bytes + offset);
            offset += entry->d_reclen;
            AddEntry(fd, *entry, folder.dev, filter, listing, folderIds);
        }
        // Where room for another entry was left, the folder has ended: one
        // call saved per folder.
        if (static_cast<std::size_t>(filled) + kLargestEntryBytes <= capacity &&
            fillsBuffer(fd, folder.dev))
            return;
    }
}

bool ListingBuffer::fillsBuffer(int fd, dev_t dev)
{
    if (knownDev_ != dev) {
        // Local file systems fill the buffer; network and FUSE ones may stop
        // short of it before the end.
        struct statfs fs {};
        const auto type = fstatfs(fd, &fs) == 0 ? static_cast<unsigned long>(fs.f_type) : 0UL;
        fills_ = type == EXT4_SUPER_MAGIC || type == XFS_SUPER_MAGIC ||
                 type == BTRFS_SUPER_MAGIC || type == TMPFS_MAGIC;
        knownDev_ = dev;
    }
    return fills_;
}

std::optional<std::uint64_t> FileSizeAt(int fd, const char* name)
{
    struct stat st {};
    if (fd < 0 || fstatat(fd, name, &st, 0) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace jumelix
