#include "PosixFileEnumeration.h"

#include "Wildcard.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <unordered_set>

namespace jumelix {
namespace {

// Folders kept open at once, whatever the depth: deeper walks close the
// descriptors of older ancestors and reopen them when the walk comes back.
constexpr int kMaxOpenFolders = 16;
constexpr std::size_t kListingBufferBytes = std::size_t{256} * 1024;

int OpenFolder(int parentFd, const char* name)
{
    // O_DIRECTORY refuses anything else before opening it: an entry that
    // turned into a FIFO cannot hang the walk.
    return openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Opens a scan folder path of any length: one name at a time when the whole
// path is too long for the kernel.
int OpenFolderPath(const std::string& path)
{
    int fd = OpenFolder(AT_FDCWD, path.c_str());
    if (fd >= 0 || errno != ENAMETOOLONG)
        return fd;
    fd = OpenFolder(AT_FDCWD, path.starts_with('/') ? "/" : ".");
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

FolderIdentity IdentityOf(const struct stat& st)
{
    return {st.st_dev, st.st_ino};
}

bool IsFolder(int fd, const FolderIdentity& expected)
{
    struct stat st {};
    return fstat(fd, &st) == 0 && IdentityOf(st) == expected;
}

}  // namespace

struct PosixFileEnumeration::State {
    // One folder of the path from the scan folder down to the current one.
    // fd < 0 means closed to save descriptors, or gone when `gone` is set.
    struct Level {
        std::string name;
        FolderIdentity id;
        int fd = -1;
        bool gone = false;
    };

    std::vector<Level> levels;
    std::unordered_set<FolderIdentity, FolderIdentityHash> entered;
    int openCount = 0;
    std::size_t lowestMaybeOpen = 1;  // levels [1, lowestMaybeOpen) are all closed
    std::vector<std::uint64_t> buffer = std::vector<std::uint64_t>(kListingBufferBytes / 8);
    std::string nameBuffer;

    ~State() { Reset(); }

    void Reset()
    {
        for (Level& level : levels) {
            if (level.fd >= 0)
                close(level.fd);
        }
        levels.clear();
        entered.clear();
        openCount = 0;
        lowestMaybeOpen = 1;
    }

    void Push(Level level)
    {
        if (level.fd >= 0)
            ++openCount;
        levels.push_back(std::move(level));
        KeepWithinBudget();
    }

    // Closes the oldest ancestors; the scan folder and the current folder stay open.
    void KeepWithinBudget()
    {
        for (std::size_t i = lowestMaybeOpen; openCount > kMaxOpenFolders && i + 1 < levels.size();
             ++i) {
            if (levels[i].fd >= 0) {
                close(levels[i].fd);
                levels[i].fd = -1;
                --openCount;
            }
            lowestMaybeOpen = i + 1;
        }
    }

    void Adopt(std::size_t index, int fd)
    {
        levels[index].fd = fd;
        ++openCount;
        lowestMaybeOpen = std::min(lowestMaybeOpen, std::max<std::size_t>(index, 1));
    }

    // The current folder's descriptor, reopened if it was closed; -1 when gone.
    int CurrentFd()
    {
        Level& current = levels.back();
        if (current.fd < 0 && !current.gone)
            ReopenCurrent();
        return current.fd;
    }

    // Reopens the current folder from its nearest open ancestor, one name at a
    // time; a folder found replaced along the way counts as gone.
    void ReopenCurrent()
    {
        const std::size_t target = levels.size() - 1;
        std::size_t open = target;
        while (levels[open].fd < 0)
            --open;
        int fd = levels[open].fd;
        for (std::size_t i = open + 1; i <= target && fd >= 0; ++i) {
            const int child = OpenFolder(fd, levels[i].name.c_str());
            if (fd != levels[open].fd)
                close(fd);
            fd = child;
            if (fd >= 0 && !IsFolder(fd, levels[i].id)) {
                close(fd);
                fd = -1;
            }
        }
        if (fd < 0) {
            levels[target].gone = true;
            return;
        }
        Adopt(target, fd);
        KeepWithinBudget();
    }

    void ListEntries(int fd, const Wildcard& filter, FolderListing& listing)
    {
        auto* bytes = reinterpret_cast<char*>(buffer.data());
        const std::size_t capacity = buffer.size() * sizeof buffer[0];
        for (;;) {
            const ssize_t filled = getdents64(fd, bytes, capacity);
            if (filled <= 0)
                return;
            for (ssize_t offset = 0; offset < filled;) {
                const auto* entry = reinterpret_cast<const dirent64*>(bytes + offset);
                offset += entry->d_reclen;
                AddEntry(fd, entry->d_name, entry->d_type, filter, listing);
            }
        }
    }

    static void AddEntry(int fd, const char* name, unsigned char type, const Wildcard& filter,
                         FolderListing& listing)
    {
        if (name[0] == '.')
            return;  // hidden, and the "." and ".." entries
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat st {};
            if (fstatat(fd, name, &st, 0) != 0)
                return;  // a dangling link is nothing
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR)
            listing.Folders.emplace_back(name);
        else if (type == DT_REG && filter.Matches(name))
            listing.Files.emplace_back(name);
        // FIFOs, sockets and devices are not user files.
    }
};

PosixFileEnumeration::PosixFileEnumeration() : state_(std::make_unique<State>()) {}

PosixFileEnumeration::~PosixFileEnumeration() = default;

FolderCheck PosixFileEnumeration::CheckFolder(std::string_view path)
{
    const std::string text(path);
    const int fd = OpenFolderPath(text);
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
    const int fd = OpenFolderPath(text);
    struct stat st {};
    if (fd < 0)
        return false;
    if (fstat(fd, &st) != 0) {
        close(fd);
        return false;
    }
    s.entered.insert(IdentityOf(st));
    s.Push({text, IdentityOf(st), fd, false});
    return true;
}

bool PosixFileEnumeration::EnterChild(std::string_view name)
{
    State& s = *state_;
    std::string childName(name);
    const int parentFd = s.CurrentFd();
    if (parentFd < 0) {
        s.Push({std::move(childName), {}, -1, true});
        return true;
    }
    const int fd = OpenFolder(parentFd, childName.c_str());
    struct stat st {};
    const bool known = fd >= 0 ? fstat(fd, &st) == 0
                               : fstatat(parentFd, childName.c_str(), &st, 0) == 0 &&
                                     S_ISDIR(st.st_mode);
    if (known && !s.entered.insert(IdentityOf(st)).second) {
        if (fd >= 0)
            close(fd);
        return false;
    }
    s.Push({std::move(childName), IdentityOf(st), fd, fd < 0});
    return true;
}

void PosixFileEnumeration::Leave()
{
    State& s = *state_;
    if (s.levels.empty())
        return;
    State::Level left = std::move(s.levels.back());
    s.levels.pop_back();
    if (!s.levels.empty()) {
        State::Level& parent = s.levels.back();
        // Going up through ".." saves reopening a closed parent from further up.
        if (parent.fd < 0 && !parent.gone && left.fd >= 0) {
            const int fd = OpenFolder(left.fd, "..");
            if (fd >= 0 && IsFolder(fd, parent.id))
                s.Adopt(s.levels.size() - 1, fd);
            else if (fd >= 0)
                close(fd);
        }
    }
    if (left.fd >= 0) {
        close(left.fd);
        --s.openCount;
    }
    s.lowestMaybeOpen = std::min(s.lowestMaybeOpen, std::max<std::size_t>(s.levels.size(), 1));
}

void PosixFileEnumeration::List(const Wildcard& filter, FolderListing& listing)
{
    listing.Files.clear();
    listing.Folders.clear();
    State& s = *state_;
    if (s.levels.empty())
        return;
    const int fd = s.CurrentFd();
    if (fd >= 0 && lseek(fd, 0, SEEK_SET) == 0)
        s.ListEntries(fd, filter, listing);
}

std::optional<std::uint64_t> PosixFileEnumeration::FileSize(std::string_view name)
{
    State& s = *state_;
    if (s.levels.empty())
        return std::nullopt;
    const int fd = s.CurrentFd();
    s.nameBuffer.assign(name);
    struct stat st {};
    if (fd < 0 || fstatat(fd, s.nameBuffer.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace jumelix
