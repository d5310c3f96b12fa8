#pragma once

// Reading one folder by descriptor: what the walk's cursor and its readers share.

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace jumelix {

class Wildcard;
struct FolderListing;

struct FolderIdentity {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const FolderIdentity&) const = default;
};

struct FolderIdentityHash {
    std::size_t operator()(const FolderIdentity& id) const
    {
        return std::hash<ino_t>()(id.ino) ^ (std::hash<dev_t>()(id.dev) << 1);
    }
};

inline FolderIdentity IdentityOf(const struct stat& st)
{
    return {st.st_dev, st.st_ino};
}

// Opens sub-folder `name` of `parentFd` (or AT_FDCWD), refusing anything else.
int OpenFolder(int parentFd, const char* name);
// Opens a folder path of any length under `baseFd`: one name at a time when the
// whole path is too long for the kernel.
int OpenFolderPath(int baseFd, const std::string& path);

// Room for the entries of one getdents64 call.
class ListingBuffer {
public:
    ListingBuffer();
    // Appends the listing of open folder `folder`, read from its start, and
    // the identity of each sub-folder listed as the listing sees it: that of
    // its entry for a real folder (which a mount hides), that of its target
    // for a link.
    void List(int fd, const FolderIdentity& folder, const Wildcard& filter,
              FolderListing& listing, std::vector<FolderIdentity>& folderIds);

private:
    bool fillsBuffer(int fd, dev_t dev);

    std::vector<std::uint64_t> words_;
    // Whether the file system of device `knownDev_` fills each call's buffer
    // to the end of the folder.
    std::optional<dev_t> knownDev_;
    bool fills_ = false;
};

// Size of file `name` in folder `fd`; nothing when it cannot be read or the
// entry is not a regular file.
std::optional<std::uint64_t> FileSizeAt(int fd, const char* name);

}  // namespace jumelix
