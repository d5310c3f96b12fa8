// The walk on real trees built to trip it up: link loops, odd names, special
// files, trees that change while they are walked, unreadable folders and /dev.
// Walks that could block run in a child process with an alarm, so a hang
// fails the test instead of stalling the suite.

#include "Catalogue.h"
#include "FileEnumeration.h"
#include "PosixFileEnumeration.h"
#include "RunFlags.h"
#include "Walk.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace jumelix {
namespace {

struct Entry {
    std::string folder;
    std::string name;
    std::uint64_t size = 0;
    bool operator==(const Entry&) const = default;
};

// Shows the raw bytes of a name readably when an expectation fails.
void PrintBytes(std::ostream& out, const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    for (const unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out << static_cast<char>(c);
        } else {
            out << "\\x" << digits[c >> 4] << digits[c & 15];
        }
    }
}

void PrintTo(const Entry& entry, std::ostream* out)
{
    *out << '{';
    PrintBytes(*out, entry.folder);
    *out << " | ";
    PrintBytes(*out, entry.name);
    *out << " | " << entry.size << '}';
}

std::vector<Entry> EntriesOf(const Catalogue& catalogue)
{
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const CatalogueEntry entry = catalogue[i];
        entries.push_back({std::string(entry.Folder), std::string(entry.Name), entry.Size});
    }
    return entries;
}

std::vector<Entry> RunWalk(const std::string& folder, const std::string& filter,
                           FileEnumeration& files, WalkObserver& observer)
{
    Catalogue catalogue;
    RunFlags flags;
    flags.WalkRunning = true;
    FolderWalk walk(files, catalogue, flags, observer);
    walk.ScanFolder(folder, filter, 0, true);
    EXPECT_EQ(static_cast<std::size_t>(walk.FilesAdded()), catalogue.size());
    return EntriesOf(catalogue);
}

std::vector<Entry> RunWalk(const std::string& folder, const std::string& filter = "*.*")
{
    PosixFileEnumeration files;
    WalkObserver observer;
    return RunWalk(folder, filter, files, observer);
}

// Removes an entry and, for a folder, everything in it, working by descriptor
// so that paths beyond PATH_MAX and unreadable folders go too.
void RemoveAt(int parent, const char* name)
{
    struct stat status {};
    if (fstatat(parent, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return;
    }
    if (!S_ISDIR(status.st_mode)) {
        unlinkat(parent, name, 0);
        return;
    }
    fchmodat(parent, name, 0700, 0);
    const int folder = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder >= 0) {
        DIR* listing = fdopendir(folder);
        std::vector<std::string> names;
        while (const dirent* item = readdir(listing)) {
            if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0) {
                names.emplace_back(item->d_name);
            }
        }
        for (const std::string& child : names) {
            RemoveAt(dirfd(listing), child.c_str());
        }
        closedir(listing);
    }
    unlinkat(parent, name, AT_REMOVEDIR);
}

// A folder under /tmp made for one test, readable by everyone, and removed
// with all it holds afterwards.
class TempTree {
public:
    TempTree()
    {
        char pattern[] = "/tmp/jumelix-hostile-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
            return;
        }
        path_ = pattern;
        chmod(pattern, 0755);
    }
    ~TempTree()
    {
        if (!path_.empty()) {
            RemoveAt(AT_FDCWD, path_.c_str());
        }
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

    void Folder(const std::string& relative, mode_t mode = 0755) const
    {
        ASSERT_EQ(mkdir((*this / relative).c_str(), mode), 0) << relative << ": " << std::strerror(errno);
        chmod((*this / relative).c_str(), mode);
    }
    void File(const std::string& relative, std::size_t size, mode_t mode = 0644) const
    {
        WriteFile(AT_FDCWD, *this / relative, size);
        chmod((*this / relative).c_str(), mode);
    }
    void Link(const std::string& relative, const std::string& target) const
    {
        ASSERT_EQ(symlink(target.c_str(), (*this / relative).c_str()), 0) << std::strerror(errno);
    }

    static void WriteFile(int folder, const std::string& name, std::size_t size)
    {
        const int file = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(file, 0) << name << ": " << std::strerror(errno);
        const std::string bytes(size, 'x');
        EXPECT_EQ(write(file, bytes.data(), bytes.size()), static_cast<ssize_t>(size));
        close(file);
    }

private:
    std::string path_;
};

// Names of a folder in the order the file system enumerates them.
std::vector<std::string> EnumerationOrder(const std::string& path)
{
    std::vector<std::string> names;
    DIR* listing = opendir(path.c_str());
    if (listing == nullptr) {
        ADD_FAILURE() << "opendir " << path;
        return names;
    }
    while (const dirent* item = readdir(listing)) {
        names.emplace_back(item->d_name);
    }
    closedir(listing);
    return names;
}

// The expected entries of one folder: those of `sizes`, in enumeration order.
void AppendInOrder(std::vector<Entry>& entries, const std::string& folder,
                   const std::map<std::string, std::uint64_t>& sizes)
{
    for (const std::string& name : EnumerationOrder(folder)) {
        if (const auto found = sizes.find(name); found != sizes.end()) {
            entries.push_back({folder + "/", name, found->second});
        }
    }
}

// Passes every call on to the real enumeration and records each folder
// listed, by device and inode, to show that no folder is walked twice.
class RecordingEnumeration final : public FileEnumeration {
public:
    bool EnterRoot(std::string_view path) override
    {
        const bool entered = real_.EnterRoot(path);
        if (entered) {
            paths_ = {std::string(path)};
        }
        return entered;
    }
    bool EnterChild(std::string_view name) override
    {
        const bool entered = real_.EnterChild(name);
        if (entered) {
            paths_.push_back(paths_.back() + "/" + std::string(name));
        }
        return entered;
    }
    void Leave() override
    {
        real_.Leave();
        if (!paths_.empty()) {
            paths_.pop_back();
        }
    }
    void List(const Wildcard& filter, FolderListing& listing) override
    {
        real_.List(filter, listing);
        struct stat status {};
        EXPECT_EQ(stat(paths_.back().c_str(), &status), 0) << paths_.back();
        listed_.emplace_back(status.st_dev, status.st_ino);
    }
    std::uint64_t FileSize(std::string_view name) override { return real_.FileSize(name); }

    const std::vector<std::pair<dev_t, ino_t>>& Listed() const { return listed_; }

private:
    PosixFileEnumeration real_;
    std::vector<std::string> paths_;
    std::vector<std::pair<dev_t, ino_t>> listed_;
};

TEST(HostileTreeTest, LinkLoopsEndWithEachFolderWalkedOnce)
{
    TempTree tree;
    tree.File("f0.txt", 1);
    tree.Link("self", "self");
    tree.Link("p", "q");
    tree.Link("q", "p");
    tree.Link("top", tree.Path());
    tree.Link("here", ".");
    tree.Folder("a");
    tree.File("a/f1.txt", 2);
    tree.Folder("a/b");
    tree.File("a/b/f2.txt", 3);
    tree.Link("a/b/up", "..");
    tree.Link("a/b/root", "../..");
    tree.Link("a/b/top", tree.Path());

    RecordingEnumeration files;
    WalkObserver observer;
    const std::vector<Entry> expected = {{tree.Path() + "/", "f0.txt", 1},
                                         {tree / "a/", "f1.txt", 2},
                                         {tree / "a/b/", "f2.txt", 3}};
    EXPECT_EQ(RunWalk(tree.Path(), "*.*", files, observer), expected);

    ASSERT_EQ(files.Listed().size(), 3u);
    const std::set<std::pair<dev_t, ino_t>> distinct(files.Listed().begin(), files.Listed().end());
    EXPECT_EQ(distinct.size(), 3u);
}

TEST(HostileTreeTest, OddNamesAreListedAsTheirExactBytes)
{
    TempTree tree;
    const std::map<std::string, std::uint64_t> files = {
        {"tab\there.txt", 1},
        {"new\nline.txt", 2},
        {"back\\slash.txt", 3},
        {"dq\"uote.txt", 4},
        {"sq'uote.txt", 5},
        {"-leading.txt", 6},
        {"-", 7},
        {"colon:name.txt", 8},
        {"*?[lit].txt", 9},
        {std::string(251, 'n') + ".txt", 10},
        {"bad\xff\xfe.txt", 11},
        {"\x80lone.txt", 12},
        {"\xc3\xa9t\xc3\xa9.txt", 13},    // NFC: two precomposed é
        {"e\xcc\x81te\xcc\x81.txt", 14},  // NFD: e + combining acute, twice
        {" trailing space ", 15},
    };
    for (const auto& [name, size] : files) {
        tree.File(name, size);
    }
    const std::string oddFolder = "sub\n\t\"'\\-\xff";
    const std::string longFolder(255, 'd');
    const std::string longFile(255, 'f');
    tree.Folder(oddFolder);
    tree.File(oddFolder + "/inner.txt", 16);
    tree.Folder(longFolder);
    tree.File(longFolder + "/" + longFile, 17);

    std::vector<Entry> expected;
    AppendInOrder(expected, tree.Path(), files);
    for (const std::string& name : EnumerationOrder(tree.Path())) {
        if (name == oddFolder) {
            expected.push_back({tree / oddFolder + "/", "inner.txt", 16});
        } else if (name == longFolder) {
            expected.push_back({tree / longFolder + "/", longFile, 17});
        }
    }
    ASSERT_EQ(expected.size(), files.size() + 2);
    EXPECT_EQ(RunWalk(tree.Path()), expected);

    // The two forms of the accented name are different code points: a filter
    // in capitals picks out one form, and "?" stands for the combining accent.
    const std::string root = tree.Path() + "/";
    EXPECT_EQ(RunWalk(tree.Path(), "\xc3\x89T\xc3\x89.TXT"),
              (std::vector<Entry>{{root, "\xc3\xa9t\xc3\xa9.txt", 13}}));
    EXPECT_EQ(RunWalk(tree.Path(), "E?TE?.TXT"),
              (std::vector<Entry>{{root, "e\xcc\x81te\xcc\x81.txt", 14}}));
}

// A walk run in a child process: what it listed, with the file type of each
// entry as stat and lstat saw it just after the walk.
struct ChildWalk {
    std::string failure;  // empty when the child finished its walk
    std::vector<Entry> entries;
    std::vector<std::pair<mode_t, mode_t>> types;
};

void WriteAll(int out, const void* data, std::size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(out, bytes, size);
        if (written <= 0) {
            _exit(5);
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

void SendText(int out, const std::string& text)
{
    const std::uint64_t size = text.size();
    WriteAll(out, &size, sizeof size);
    WriteAll(out, text.data(), text.size());
}

class Reader {
public:
    explicit Reader(std::string bytes) : bytes_(std::move(bytes)) {}
    bool AtEnd() const { return at_ == bytes_.size(); }
    template <typename T>
    bool Read(T& value)
    {
        if (bytes_.size() - at_ < sizeof value) {
            return false;
        }
        std::memcpy(&value, bytes_.data() + at_, sizeof value);
        at_ += sizeof value;
        return true;
    }
    bool ReadText(std::string& text)
    {
        std::uint64_t size = 0;
        if (!Read(size) || bytes_.size() - at_ < size) {
            return false;
        }
        text.assign(bytes_, at_, size);
        at_ += size;
        return true;
    }

private:
    std::string bytes_;
    std::size_t at_ = 0;
};

using WalkFunction = std::function<std::vector<Entry>()>;

[[noreturn]] void WalkAndSend(const WalkFunction& walk, int out)
{
    for (const Entry& entry : walk()) {
        const std::string path = entry.folder + entry.name;
        struct stat followed {};
        struct stat own {};
        const mode_t types[2] = {stat(path.c_str(), &followed) == 0 ? followed.st_mode : 0,
                                 lstat(path.c_str(), &own) == 0 ? own.st_mode : 0};
        SendText(out, entry.folder);
        SendText(out, entry.name);
        WriteAll(out, &entry.size, sizeof entry.size);
        WriteAll(out, types, sizeof types);
    }
    // An expectation that failed in the child is reported by its exit code.
    _exit(::testing::Test::HasFailure() ? 4 : 0);
}

constexpr int kCannotPrepare = 3;

// Walks in a forked child that is killed by SIGALRM after `seconds`.
// `prepare` runs in the child first; it returns false when it cannot do its job.
ChildWalk WalkInChild(unsigned seconds, const WalkFunction& walk,
                      const std::function<bool()>& prepare = {})
{
    ChildWalk result;
    int channel[2];
    if (pipe(channel) != 0) {
        result.failure = "pipe failed";
        return result;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        alarm(seconds);
        if (prepare && !prepare()) {
            _exit(kCannotPrepare);
        }
        WalkAndSend(walk, channel[1]);
    }
    close(channel[1]);
    std::string bytes;
    char buffer[65536];
    ssize_t got = 0;
    while ((got = read(channel[0], buffer, sizeof buffer)) > 0) {
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) {
        result.failure = WTERMSIG(status) == SIGALRM
                             ? "the walk did not end within " + std::to_string(seconds) + " s"
                             : "the walk died of signal " + std::to_string(WTERMSIG(status));
        return result;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        result.failure = WEXITSTATUS(status) == kCannotPrepare
                             ? "the child could not set itself up"
                             : "the child failed with exit code " + std::to_string(WEXITSTATUS(status));
        return result;
    }
    Reader reader(std::move(bytes));
    while (!reader.AtEnd()) {
        Entry entry;
        mode_t types[2] = {};
        if (!reader.ReadText(entry.folder) || !reader.ReadText(entry.name) ||
            !reader.Read(entry.size) || !reader.Read(types)) {
            result.failure = "garbled report from the child";
            return result;
        }
        result.entries.push_back(std::move(entry));
        result.types.emplace_back(types[0], types[1]);
    }
    return result;
}

TEST(HostileTreeTest, SpecialFilesAreNeitherListedNorOpened)
{
    TempTree tree;
    tree.File("empty.txt", 0);
    {
        const int big = open((tree / "big.txt").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(big, 0);
        ASSERT_EQ(ftruncate(big, 5'000'000'000LL), 0) << std::strerror(errno);
        close(big);
    }
    ASSERT_EQ(mkfifo((tree / "pipe.txt").c_str(), 0644), 0);
    {
        const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(listener, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string socketPath = tree / "sock.txt";
        ASSERT_LT(socketPath.size(), sizeof address.sun_path);
        std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
        ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0)
            << std::strerror(errno);
        close(listener);
    }
    // Device nodes need root (CI runs as root); an ordinary user tests the rest.
    if (geteuid() == 0) {
        ASSERT_EQ(mknod((tree / "zero.txt").c_str(), S_IFCHR | 0644, makedev(1, 5)), 0);
        ASSERT_EQ(mknod((tree / "loop.txt").c_str(), S_IFBLK | 0644, makedev(7, 0)), 0);
    } else {
        std::cout << "Not root: no device nodes in this tree.\n";
    }
    tree.Link("fifolink.txt", "pipe.txt");
    tree.Link("socklink.txt", "sock.txt");
    tree.Link("devlink.txt", "/dev/null");
    tree.Link("filelink.txt", "big.txt");
    tree.Link("dangling.txt", "nowhere.txt");
    tree.Folder("pipes.txt");
    ASSERT_EQ(mkfifo((tree / "pipes.txt/inner.txt").c_str(), 0644), 0);

    const ChildWalk walk = WalkInChild(30, [&] { return RunWalk(tree.Path(), "*.txt"); });
    ASSERT_EQ(walk.failure, "");
    std::vector<Entry> expected;
    AppendInOrder(expected, tree.Path(),
                  {{"empty.txt", 0}, {"big.txt", 5'000'000'000ULL}, {"filelink.txt", 5'000'000'000ULL}});
    EXPECT_EQ(walk.entries, expected);
}

TEST(HostileTreeTest, UnreadableFoldersGiveNothingAndTheWalkGoesOn)
{
    TempTree tree;
    tree.File("secret.txt", 4, 0);  // no permission at all: still listed with its size
    tree.Folder("ok");
    tree.File("ok/o1.txt", 3);
    tree.Folder("locked");
    tree.File("locked/l1.txt", 5);
    tree.Folder("locked/deeper");
    tree.File("locked/deeper/d1.txt", 6);
    tree.Folder("searchonly");
    tree.File("searchonly/s1.txt", 7);
    tree.Folder("after");
    tree.File("after/a1.txt", 8);
    chmod((tree / "locked").c_str(), 0);
    chmod((tree / "searchonly").c_str(), 0311);

    // Root reads everything, so the walk runs as "nobody", for whom those
    // folders really are unreadable; the child checks that before walking.
    const std::string locked = tree / "locked";
    const std::string searchOnly = tree / "searchonly";
    const auto asNobody = [&] {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
             setresuid(65534, 65534, 65534) != 0)) {
            return false;
        }
        return access(locked.c_str(), R_OK) != 0 && access(searchOnly.c_str(), R_OK) != 0 &&
               access(tree.Path().c_str(), R_OK | X_OK) == 0;
    };
    const ChildWalk walk = WalkInChild(30, [&] { return RunWalk(tree.Path()); }, asNobody);
    ASSERT_EQ(walk.failure, "");

    std::vector<Entry> expected = {{tree.Path() + "/", "secret.txt", 4}};
    for (const std::string& name : EnumerationOrder(tree.Path())) {
        if (name == "ok") {
            expected.push_back({tree / "ok/", "o1.txt", 3});
        } else if (name == "after") {
            expected.push_back({tree / "after/", "a1.txt", 8});
        }
    }
    EXPECT_EQ(walk.entries, expected);
}

TEST(HostileTreeTest, DevIsWalkedPromptlyAndOnlyRegularFilesAreListed)
{
    const ChildWalk walk = WalkInChild(60, [] { return RunWalk("/dev"); });
    ASSERT_EQ(walk.failure, "");
    std::set<std::string> paths;
    for (std::size_t i = 0; i < walk.entries.size(); ++i) {
        const Entry& entry = walk.entries[i];
        const auto [followed, own] = walk.types[i];
        EXPECT_TRUE(S_ISREG(followed)) << entry.folder << entry.name << " mode " << followed;
        EXPECT_TRUE(S_ISREG(own) || S_ISLNK(own)) << entry.folder << entry.name << " mode " << own;
        EXPECT_TRUE(paths.insert(entry.folder + entry.name).second) << entry.folder << entry.name;
    }
}

// Changes the tree while it is walked: an action runs when the n-th folder is
// logged, or at the first pump after that (before the first file's size is
// looked up).
class MutatingObserver final : public WalkObserver {
public:
    enum class When { Entered, FirstPump };

    void At(int folderNumber, When when, std::function<void()> action)
    {
        actions_[{folderNumber, when}] = std::move(action);
    }
    void FolderEntered(std::string_view) override
    {
        ++folders_;
        pumped_ = false;
        Run(When::Entered);
    }
    void PumpEvents() override
    {
        if (!pumped_) {
            pumped_ = true;
            Run(When::FirstPump);
        }
    }
    bool AllRan() const { return actions_.empty(); }

private:
    void Run(When when)
    {
        const auto found = actions_.find({folders_, when});
        if (found != actions_.end()) {
            found->second();
            actions_.erase(found);
        }
    }

    std::map<std::pair<int, When>, std::function<void()>> actions_;
    int folders_ = 0;
    bool pumped_ = false;
};

void Remove(const std::string& path)
{
    RemoveAt(AT_FDCWD, path.c_str());
}

void Rename(const std::string& from, const std::string& to)
{
    ASSERT_EQ(rename(from.c_str(), to.c_str()), 0) << from << ": " << std::strerror(errno);
}

std::vector<Entry> RunMutatingWalk(const TempTree& tree, MutatingObserver& observer)
{
    PosixFileEnumeration files;
    std::vector<Entry> entries = RunWalk(tree.Path(), "*.*", files, observer);
    EXPECT_TRUE(observer.AllRan());
    return entries;
}

TEST(HostileTreeTest, FoldersThatVanishOrChangeBeforeTheyAreWalked)
{
    TempTree tree;
    tree.Folder("x");
    tree.File("x/x1.txt", 10);
    tree.Folder("x/gone");
    tree.File("x/gone/g1.txt", 11);
    tree.Folder("x/moved");
    tree.File("x/moved/m1.txt", 12);
    tree.Folder("x/late");
    tree.File("x/late/l1.txt", 13);

    MutatingObserver observer;
    observer.At(2, MutatingObserver::When::FirstPump, [&] {
        Remove(tree / "x/gone");
        Rename(tree / "x/moved", tree / "x/moved2");
        Rename(tree / "x/late/l1.txt", tree / "x/late/l2.txt");
    });
    const std::vector<Entry> expected = {{tree / "x/", "x1.txt", 10}, {tree / "x/late/", "l2.txt", 13}};

    EXPECT_EQ(RunMutatingWalk(tree, observer), expected);
}

TEST(HostileTreeTest, FolderDeletedWhileListedGivesZeroSizesAndNoSubFolders)
{
    TempTree tree;
    tree.Folder("q");
    tree.File("q/q1.txt", 1);
    tree.File("q/q2.txt", 2);
    tree.Folder("q/s");
    tree.File("q/s/s1.txt", 3);

    MutatingObserver observer;
    observer.At(2, MutatingObserver::When::FirstPump, [&] { Remove(tree / "q"); });
    std::vector<Entry> expected;
    AppendInOrder(expected, tree / "q", {{"q1.txt", 0}, {"q2.txt", 0}});
    // The listing is read before the first pump, so it must be taken now.
    EXPECT_EQ(expected.size(), 2u);

    EXPECT_EQ(RunMutatingWalk(tree, observer), expected);
}

TEST(HostileTreeTest, FolderRenamedWhileInsideIsStillWalkedByDescriptor)
{
    TempTree tree;
    tree.Folder("m");
    tree.File("m/m1.txt", 5);
    tree.Folder("m/sub");
    tree.File("m/sub/s1.txt", 7);

    MutatingObserver observer;
    observer.At(2, MutatingObserver::When::FirstPump,
                [&] { Rename(tree / "m", tree / "m-renamed"); });
    const std::vector<Entry> expected = {{tree / "m/", "m1.txt", 5}, {tree / "m/sub/", "s1.txt", 7}};

    EXPECT_EQ(RunMutatingWalk(tree, observer), expected);
}

TEST(HostileTreeTest, WalkedFolderMovedAheadOfTheWalkIsNotWalkedAgain)
{
    TempTree tree;
    tree.Folder("s1");
    tree.File("s1/one.txt", 1);
    tree.Folder("s2");
    tree.File("s2/two.txt", 2);
    std::vector<std::string> order;
    for (const std::string& name : EnumerationOrder(tree.Path())) {
        if (name == "s1" || name == "s2") {
            order.push_back(name);
        }
    }
    ASSERT_EQ(order.size(), 2u);
    const std::string first = order[0];
    const std::string second = order[1];

    MutatingObserver observer;
    observer.At(3, MutatingObserver::When::Entered,
                [&] { Rename(tree / first, tree / second + "/again"); });
    const std::vector<Entry> expected = {
        {tree / first + "/", first == "s1" ? "one.txt" : "two.txt", first == "s1" ? 1U : 2U},
        {tree / second + "/", second == "s1" ? "one.txt" : "two.txt", second == "s1" ? 1U : 2U}};

    EXPECT_EQ(RunMutatingWalk(tree, observer), expected);
}

// Changes the tree once, when the walk logs a given folder.
class ActOnEntry final : public WalkObserver {
public:
    ActOnEntry(std::string trigger, std::function<void()> action)
        : trigger_(std::move(trigger)), action_(std::move(action))
    {
    }
    void FolderEntered(std::string_view folder) override
    {
        if (folder == trigger_ && action_) {
            std::exchange(action_, {})();
        }
    }

private:
    std::string trigger_;
    std::function<void()> action_;
};

TEST(HostileTreeTest, AncestorMovedAwayWhileTheWalkIsDeepUnderALowDescriptorLimit)
{
    // 80 levels, each holding f.txt and a folder "s" with s.txt. When the walk
    // reaches the bottom, level 3 moves away and a look-alike with other sizes
    // takes its place. On the way back up the walk has to reopen ancestors it
    // closed; it must list nothing twice and nothing from the look-alike.
    TempTree tree;
    constexpr int kDepth = 80;
    std::map<std::pair<std::string, std::string>, std::uint64_t> existing;
    std::vector<std::string> levels;  // relative path of each level, with a trailing "/"
    std::string relative;
    for (int level = 0; level <= kDepth; ++level) {
        levels.push_back(relative);
        char name[8];
        std::snprintf(name, sizeof name, "L%02d", level + 1);
        relative += std::string(name) + "/";
    }
    // Level `from` and everything below it; sizes start at `base`.
    const auto build = [&](int from, std::uint64_t base) {
        for (int level = from; level <= kDepth; ++level) {
            if (level > 0) {
                tree.Folder(levels[level]);
            }
            tree.File(levels[level] + "f.txt", base + level);
            tree.Folder(levels[level] + "s");
            tree.File(levels[level] + "s/s.txt", base + 1000 + level);
        }
    };
    build(0, 0);
    for (int level = 0; level <= kDepth; ++level) {
        existing[{tree / levels[level], "f.txt"}] = static_cast<std::uint64_t>(level);
        existing[{tree / levels[level] + "s/", "s.txt"}] = static_cast<std::uint64_t>(1000 + level);
    }
    const std::string bottom = tree / levels.back().substr(0, levels.back().size() - 1);

    const ChildWalk walk = WalkInChild(60, [&] {
        const rlimit limit{64, 64};
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            _exit(kCannotPrepare);
        }
        PosixFileEnumeration files;
        ActOnEntry observer(bottom, [&] {
            Rename(tree / levels[3], tree / "moved");
            build(3, 5000);
        });
        return RunWalk(tree.Path(), "*.*", files, observer);
    });
    ASSERT_EQ(walk.failure, "");
    ASSERT_EQ(access((tree / "moved").c_str(), F_OK), 0) << "the tree did not change during the walk";

    std::set<std::pair<std::string, std::string>> listed;
    for (const Entry& entry : walk.entries) {
        EXPECT_TRUE(listed.insert({entry.folder, entry.name}).second) << "listed twice: " << entry.folder;
        const auto found = existing.find({entry.folder, entry.name});
        ASSERT_NE(found, existing.end()) << "never there: " << entry.folder << entry.name;
        EXPECT_EQ(entry.size, found->second) << entry.folder << entry.name;
    }
    for (int level = 0; level <= kDepth; ++level) {
        EXPECT_TRUE(listed.contains({tree / levels[level], "f.txt"})) << "level " << level;
    }
    for (int level = 0; level < 3; ++level) {
        EXPECT_TRUE(listed.contains({tree / levels[level] + "s/", "s.txt"})) << "level " << level;
    }
}

}  // namespace
}  // namespace jumelix
