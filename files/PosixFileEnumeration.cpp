#include "files/PosixFileEnumeration.h"

#include "catalogue/RunFlags.h"
#include "catalogue/Walk.h"
#include "catalogue/Wildcard.h"
#include "files/ReadAhead.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>
#include <unordered_set>

namespace jumelix {
namespace {

// Folders kept open at once, whatever the depth: deeper walks close the
// descriptors of older ancestors and reopen them when the walk comes back.
constexpr int kMaxOpenFolders = 16;

bool IsFolder(int fd, const FolderIdentity& expected)
{
    struct stat st {};
    return fstat(fd, &st) == 0 && IdentityOf(st) == expected;
}

int OpenDescriptors()
{
    DIR* folder = opendir("/proc/self/fd");
    if (folder == nullptr)
        return kMaxOpenFolders;
    int count = -1;  // the listing's own
    while (readdir(folder) != nullptr)
        ++count;
    closedir(folder);
    return count - 2;  // "." and ".."
}

// Readers follow the cores, and more of them the disk when it keeps them
// waiting. Each holds at most two descriptors, out of those the program and
// the cursor leave free: with few, fewer readers, or none.
unsigned MaxReaders()
{
    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    const rlim_t used = static_cast<rlim_t>(OpenDescriptors()) + kMaxOpenFolders + 8;
    const rlim_t spare = limit.rlim_cur > used ? (limit.rlim_cur - used) / 2 : 0;
    return static_cast<unsigned>(std::min<rlim_t>({16, 4 * rlim_t{cores}, spare}));
}

}  // namespace

struct PosixFileEnumeration::State {
    // One folder of the path from the scan folder down to the current one.
    // fd < 0 means closed to save descriptors, or gone when `gone` is set.
    struct PathFolder {
        std::string name;
        FolderIdentity id;
        int fd = -1;
        bool gone = false;
        // Its place in the walk's order and its path under the scan folder,
        // by which the readers know it.
        ReadAhead::Place place;
        std::string path;
        std::optional<FolderRead> read;  // what a reader found in this very folder
        std::vector<FolderIdentity> folderIds;  // of its listed sub-folders
        std::size_t nextFile = 0;        // in the read's files
        std::uint32_t nextFolder = 0;    // the index of the next sub-folder entered
        bool subFoldersQueued = false;
    };

    std::vector<PathFolder> pathFolders;
    std::unordered_set<FolderIdentity, FolderIdentityHash> entered;
    int openCount = 0;
    std::size_t lowestMaybeOpen = 1;  // pathFolders [1, lowestMaybeOpen) are all closed
    ListingBuffer buffer;
    std::string nameBuffer;
    // Set between BeginWalk and EndWalk.
    WalkObserver* observer = nullptr;
    const RunFlags* flags = nullptr;
    std::unique_ptr<ReadAhead> readAhead;
    unsigned readersUsed = 0;
    ReadHook hook;

    ~State() { Reset(); }

    // Once the walk is to stop, nothing more is read.
    bool Stopping()
    {
        const bool stopping = flags != nullptr && flags->WalkStop;
        if (stopping && readAhead)
            readAhead->Stop();
        return stopping;
    }

    void EndReading()
    {
        if (readAhead)
            readersUsed = readAhead->Readers();
        readAhead.reset();  // joins the readers
    }

    // What the readers found in sub-folder `name`, which the walk enters next.
    std::optional<FolderRead> TakeRead(std::string_view name, ReadAhead::Place& place,
                                       std::string& path)
    {
        PathFolder& parent = pathFolders.back();
        place = parent.place;
        place.push_back(parent.nextFolder++);
        path = parent.path.empty() ? std::string(name) : parent.path + '/' + std::string(name);
        if (!readAhead || !parent.subFoldersQueued)
            return std::nullopt;
        return readAhead->Take(place, [this] {
            observer->PumpEvents();
            return !flags->WalkStop;
        });
    }

    void Reset()
    {
        EndReading();
        for (PathFolder& folder : pathFolders) {
            if (folder.fd >= 0)
                close(folder.fd);
        }
        pathFolders.clear();
        entered.clear();
        openCount = 0;
        lowestMaybeOpen = 1;
    }

    void Push(PathFolder folder)
    {
        if (folder.fd >= 0)
            ++openCount;
        pathFolders.push_back(std::move(folder));
        KeepWithinBudget();
    }

    // Closes the oldest ancestors; the scan folder and the current folder stay open.
    void KeepWithinBudget()
    {
        for (std::size_t i = lowestMaybeOpen; openCount > kMaxOpenFolders && i + 1 < pathFolders.size();
             ++i) {
            if (pathFolders[i].fd >= 0) {
                close(pathFolders[i].fd);
                pathFolders[i].fd = -1;
                --openCount;
            }
            lowestMaybeOpen = i + 1;
        }
    }

    void Adopt(std::size_t index, int fd)
    {
        pathFolders[index].fd = fd;
        ++openCount;
        lowestMaybeOpen = std::min(lowestMaybeOpen, std::max<std::size_t>(index, 1));
    }

    // The current folder's descriptor, reopened if it was closed; -1 when gone.
    int CurrentFd()
    {
        PathFolder& current = pathFolders.back();
        if (current.fd < 0 && !current.gone)
            ReopenCurrent();
        return current.fd;
    }

    // Reopens the current folder from its nearest open ancestor, one name at a
    // time; a folder found replaced along the way counts as gone.
    void ReopenCurrent()
    {
        const std::size_t target = pathFolders.size() - 1;
        std::size_t open = target;
        while (pathFolders[open].fd < 0)
            --open;
        int fd = pathFolders[open].fd;
        for (std::size_t i = open + 1; i <= target && fd >= 0; ++i) {
            const int child = OpenFolder(fd, pathFolders[i].name.c_str());
            if (fd != pathFolders[open].fd)
                close(fd);
            fd = child;
            if (fd >= 0 && !IsFolder(fd, pathFolders[i].id)) {
                close(fd);
                fd = -1;
            }
        }
        if (fd < 0) {
            pathFolders[target].gone = true;
            return;
        }
        Adopt(target, fd);
        KeepWithinBudget();
    }
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
    s.Reset();
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
    State::PathFolder root;
    root.name = text;
    root.id = IdentityOf(st);
    root.fd = fd;
    s.Push(std::move(root));
    return true;
}

bool PosixFileEnumeration::EnterChild(std::string_view name)
{
    State& s = *state_;
    State::PathFolder child;
    child.name = name;
    const std::vector<FolderIdentity>& listed = s.pathFolders.back().folderIds;
    const std::size_t index = s.pathFolders.back().nextFolder;
    std::optional<FolderRead> read = s.TakeRead(name, child.place, child.path);
    const bool stopping = s.Stopping();
    // A read without sub-folders, of the very folder that the parent's listing
    // named, is taken as it stands: the walk needs no descriptor of a folder
    // it enters nothing from.
    if (read && read->opened && read->listing.Folders.empty() && read->path == child.path &&
        index < listed.size() && read->id == listed[index] && !stopping) {
        if (!s.entered.insert(read->id).second)
            return false;
        child.id = read->id;
        child.read = std::move(read);
        s.Push(std::move(child));
        return true;
    }
    const int parentFd = stopping ? -1 : s.CurrentFd();
    if (parentFd < 0) {
        child.gone = true;
        s.Push(std::move(child));
        return true;
    }
    struct stat st {};
    child.fd = OpenFolder(parentFd, child.name.c_str());
    const bool known = child.fd >= 0 ? fstat(child.fd, &st) == 0
                                     : fstatat(parentFd, child.name.c_str(), &st, 0) == 0 &&
                                           S_ISDIR(st.st_mode);
    // A read of another folder, from a tree changed meanwhile, is left aside.
    if (read && read->opened && known && IdentityOf(st) == read->id && read->path == child.path)
        child.read = std::move(read);
    child.gone = !child.read && child.fd < 0;
    if (known && !s.entered.insert(IdentityOf(st)).second) {
        if (child.fd >= 0)
            close(child.fd);
        return false;
    }
    child.id = IdentityOf(st);
    s.Push(std::move(child));
    return true;
}

void PosixFileEnumeration::Leave()
{
    State& s = *state_;
    if (s.pathFolders.empty())
        return;
    State::PathFolder left = std::move(s.pathFolders.back());
    s.pathFolders.pop_back();
    if (!s.pathFolders.empty()) {
        State::PathFolder& parent = s.pathFolders.back();
        // Going up through ".." saves reopening a closed parent from further up.
        if (parent.fd < 0 && !parent.gone && left.fd >= 0 && !s.Stopping()) {
            const int fd = OpenFolder(left.fd, "..");
            if (fd >= 0 && IsFolder(fd, parent.id))
                s.Adopt(s.pathFolders.size() - 1, fd);
            else if (fd >= 0)
                close(fd);
        }
    }
    if (left.fd >= 0) {
        close(left.fd);
        --s.openCount;
    }
    s.lowestMaybeOpen = std::min(s.lowestMaybeOpen, std::max<std::size_t>(s.pathFolders.size(), 1));
}

void PosixFileEnumeration::List(const Wildcard& filter, FolderListing& listing)
{
    listing.Files.clear();
    listing.Folders.clear();
    State& s = *state_;
    if (s.pathFolders.empty() || s.Stopping())
        return;
    State::PathFolder& current = s.pathFolders.back();
    if (current.read) {
        if (current.read->error)
            std::rethrow_exception(current.read->error);
        listing = current.read->listing;
        current.folderIds = std::move(current.read->folderIds);
        current.subFoldersQueued = current.read->subFoldersQueued;
    } else {
        current.folderIds.clear();
        const int fd = s.CurrentFd();
        if (fd >= 0 && lseek(fd, 0, SEEK_SET) == 0)
            s.buffer.List(fd, current.id, filter, listing, current.folderIds);
    }
    // Read ahead of the walk whatever it enters next, once a walk lists a
    // folder whose sub-folders no reader has queued.
    if (s.flags == nullptr || current.subFoldersQueued || listing.Folders.empty())
        return;
    if (!s.readAhead) {
        const unsigned most = MaxReaders();
        if (most == 0)
            return;
        s.readAhead = std::make_unique<ReadAhead>(
            s.pathFolders.front().fd, filter,
            std::min(most, std::max(1U, std::thread::hardware_concurrency())), most, s.hook);
    }
    s.readAhead->Queue(current.place, current.path, current.id, listing.Folders);
    current.subFoldersQueued = true;
}

std::optional<std::uint64_t> PosixFileEnumeration::FileSize(std::string_view name)
{
    State& s = *state_;
    if (s.pathFolders.empty())
        return std::nullopt;
    State::PathFolder& current = s.pathFolders.back();
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
    return FileSizeAt(s.CurrentFd(), s.nameBuffer.c_str());
}

void PosixFileEnumeration::BeginWalk(WalkObserver& observer, const RunFlags& flags)
{
    state_->observer = &observer;
    state_->flags = &flags;
    state_->readersUsed = 0;
}

void PosixFileEnumeration::EndWalk()
{
    state_->EndReading();
    state_->observer = nullptr;
    state_->flags = nullptr;
}

unsigned PosixFileEnumeration::Readers() const
{
    return state_->readersUsed;
}

void PosixFileEnumeration::SetReadHook(ReadHook hook)
{
    state_->hook = std::move(hook);
}

}  // namespace jumelix
