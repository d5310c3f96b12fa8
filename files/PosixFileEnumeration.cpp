#include "files/PosixFileEnumeration.h"

#include "catalogue/Wildcard.h"
#include "files/FolderCursor.h"
#include "files/ReadFeed.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <unordered_set>

namespace jumelix {

struct PosixFileEnumeration::State {
    FolderCursor cursor;
    // After the cursor, so that the readers are joined before its folders close.
    ReadFeed feed;
    std::unordered_set<FolderIdentity, FolderIdentityHash> entered;
    ListingBuffer buffer;
    std::string nameBuffer;

    bool EnterRead(PathFolder& child, FolderRead& read);
    bool EnterOpened(PathFolder& child, int parentFd, std::optional<FolderRead>& read);
};

PosixFileEnumeration::PosixFileEnumeration() : state_(std::make_unique<State>()) {}

PosixFileEnumeration::~PosixFileEnumeration() = default;

FolderCheck PosixFileEnumeration::CheckFolder(std::string_view path)
{
    const std::string text(path);
    const int fd = OpenFolderPath(AT_FDCWD, text);
    if (fd >= 0) {
        close(fd);
        return FolderCheck::Walkable;
    }
    switch (errno) {
    case ENOENT:
        return FolderCheck::Missing;
    case ENOTDIR: {
        // Either the entry itself or one on its path is not a folder.
        struct stat st {};
        return stat(text.c_str(), &st) == 0 ? FolderCheck::NotAFolder : FolderCheck::Missing;
    }
    case EACCES:
    case EPERM:
        return FolderCheck::AccessDenied;
    case ELOOP:
        return FolderCheck::LinkLoop;
    default:
        return FolderCheck::Unopenable;
    }
}

bool PosixFileEnumeration::EnterRoot(std::string_view path)
{
    State& s = *state_;
    s.feed.Restart();
    s.cursor.Clear();
    s.entered.clear();
    const std::string text(path);
    const int fd = OpenFolderPath(AT_FDCWD, text);
    struct stat st {};
    if (fd < 0)
        return false;
    if (fstat(fd, &st) != 0) {
        close(fd);
        return false;
    }
    s.entered.insert(IdentityOf(st));
    PathFolder root;
    root.name = text;
    root.id = IdentityOf(st);
    root.fd = fd;
    s.cursor.Push(std::move(root));
    return true;
}

// The walk enters a sub-folder in one of three ways: as a reader found it,
// when that read needs no descriptor; as gone, when its parent is; or opened
// from its parent.
bool PosixFileEnumeration::EnterChild(std::string_view name)
{
    State& s = *state_;
    PathFolder child;
    child.name = name;
    PathFolder& parent = s.cursor.Current();
    const std::vector<FolderIdentity>& listed = parent.folderIds;
    const std::size_t index = parent.nextFolder;
    std::optional<FolderRead> read = s.feed.Take(parent, name, child.place, child.path);
    const bool stopping = s.feed.Stopping();
    // A read without sub-folders, of the very folder that the parent's listing
    // named, is taken as it stands: the walk enters nothing from it.
    if (read && read->opened && read->listing.Folders.empty() && read->path == child.path &&
        index < listed.size() && read->id == listed[index] && !stopping)
        return s.EnterRead(child, *read);
    const int parentFd = stopping ? -1 : s.cursor.CurrentFd();
    if (parentFd < 0) {
        child.gone = true;
        s.cursor.Push(std::move(child));
        return true;
    }
    return s.EnterOpened(child, parentFd, read);
}

bool PosixFileEnumeration::State::EnterRead(PathFolder& child, FolderRead& read)
{
    if (!entered.insert(read.id).second)
        return false;
    child.id = read.id;
    child.read = std::move(read);
    cursor.Push(std::move(child));
    return true;
}

bool PosixFileEnumeration::State::EnterOpened(PathFolder& child, int parentFd,
                                              std::optional<FolderRead>& read)
{
    struct stat st {};
    child.fd = OpenFolder(parentFd, child.name.c_str());
    const bool known = child.fd >= 0 ? fstat(child.fd, &st) == 0
                                     : fstatat(parentFd, child.name.c_str(), &st, 0) == 0 &&
                                           S_ISDIR(st.st_mode);
    // A read of another folder, from a tree changed meanwhile, is left aside.
    if (read && read->opened && known && IdentityOf(st) == read->id && read->path == child.path)
        child.read = std::move(read);
    child.gone = !child.read && child.fd < 0;
    if (known && !entered.insert(IdentityOf(st)).second) {
        if (child.fd >= 0)
            close(child.fd);
        return false;
    }
    child.id = IdentityOf(st);
    cursor.Push(std::move(child));
    return true;
}

void PosixFileEnumeration::Leave()
{
    State& s = *state_;
    if (!s.cursor.Empty())
        s.cursor.Pop(!s.feed.Stopping());
}

void PosixFileEnumeration::List(const Wildcard& filter, FolderListing& listing)
{
    listing.Files.clear();
    listing.Folders.clear();
    State& s = *state_;
    if (s.cursor.Empty() || s.feed.Stopping())
        return;
    PathFolder& current = s.cursor.Current();
    if (current.read) {
        if (current.read->error)
            std::rethrow_exception(current.read->error);
        listing = current.read->listing;
        current.folderIds = std::move(current.read->folderIds);
        current.subFoldersQueued = current.read->subFoldersQueued;
    } else {
        current.folderIds.clear();
        const int fd = s.cursor.CurrentFd();
        if (fd >= 0 && lseek(fd, 0, SEEK_SET) == 0)
            s.buffer.List(fd, current.id, filter, listing, current.folderIds);
    }
    // Read ahead of the walk whatever it enters next.
    s.feed.Queue(s.cursor.Root().fd, filter, current, listing.Folders);
}

std::optional<std::uint64_t> PosixFileEnumeration::FileSize(std::string_view name)
{
    State& s = *state_;
    if (s.cursor.Empty())
        return std::nullopt;
    PathFolder& current = s.cursor.Current();
    if (current.read) {
        const FolderRead& read = *current.read;
        const std::size_t i = current.nextFile;
        if (i < read.sizes.size() && read.listing.Files[i] == name) {
            ++current.nextFile;
            if (read.sizes[i] == FolderRead::kNoSize)
                return std::nullopt;
            return read.sizes[i];
        }
    }
    s.nameBuffer.assign(name);
    return FileSizeAt(s.cursor.CurrentFd(), s.nameBuffer.c_str());
}

void PosixFileEnumeration::BeginWalk(WalkObserver& observer, const RunFlags& flags)
{
    state_->feed.Begin(observer, flags);
}

void PosixFileEnumeration::EndWalk()
{
    state_->feed.End();
}

unsigned PosixFileEnumeration::Readers() const
{
    return state_->feed.Readers();
}

void PosixFileEnumeration::SetReadHook(ReadHook hook)
{
    state_->feed.SetHook(std::move(hook));
}

}  // namespace jumelix
