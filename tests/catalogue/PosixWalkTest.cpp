#include "PosixFileEnumeration.h"
#include "Walk.h"
#include "Wildcard.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace jumelix {
namespace {

void MakeFileAt(int folderFd, const std::string& name, off_t size)
{
    const int fd = openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << name;
    EXPECT_EQ(ftruncate(fd, size), 0);
    close(fd);
}

void MakeFile(const std::string& path, off_t size)
{
    MakeFileAt(AT_FDCWD, path, size);
}

void MakeFolder(const std::string& path)
{
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0) << path;
}

// Removes a tree by descriptor, so that paths longer than PATH_MAX go too.
void RemoveTreeAt(int parentFd, const char* name)
{
    fchmodat(parentFd, name, 0700, 0);
    const int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (DIR* folder = fd >= 0 ? fdopendir(fd) : nullptr) {
        while (const dirent* entry = readdir(folder)) {
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                continue;
            if (entry->d_type == DT_DIR)
                RemoveTreeAt(fd, entry->d_name);
            else
                unlinkat(fd, entry->d_name, 0);
        }
        closedir(folder);
    }
    unlinkat(parentFd, name, AT_REMOVEDIR);
}

struct WalkResult {
    std::vector<std::string> entries;  // Folder<TAB>Name<TAB>SizeText
    std::vector<std::string> log;
    std::int32_t filesAdded = 0;
};

class Recorder final : public WalkObserver {
public:
    void FolderEntered(std::string_view folder) override { log.emplace_back(folder); }
    void PumpEvents() override
    {
        if (onPump)
            onPump();
    }
    std::vector<std::string> log;
    std::function<void()> onPump;
};

WalkResult RunWalk(const std::string& folder, std::string_view filter = "*.*", bool recurse = true,
                   std::function<void()> onPump = {})
{
    PosixFileEnumeration files;
    Catalogue catalogue;
    RunFlags flags;
    Recorder recorder;
    recorder.onPump = std::move(onPump);
    FolderWalk walk(files, catalogue, flags, recorder);
    walk.ScanFolder(folder, filter, 0, recurse);
    WalkResult result{{}, std::move(recorder.log), walk.FilesAdded()};
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const CatalogueEntry e = catalogue[i];
        result.entries.push_back(std::string(e.Folder) + '\t' + std::string(e.Name) + '\t' +
                                 e.SizeText());
    }
    return result;
}

std::vector<std::string> Sorted(std::vector<std::string> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Runs `walk` in a child process (to lower limits or drop privileges there)
// and brings its result back through a pipe, one line per entry or log line.
WalkResult RunInChild(const std::function<WalkResult()>& walk)
{
    int pipeFds[2];
    EXPECT_EQ(pipe(pipeFds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        const WalkResult result = walk();
        std::string text = std::to_string(result.filesAdded) + '\n';
        for (const std::string& entry : result.entries)
            text += "E" + entry + '\n';
        for (const std::string& folder : result.log)
            text += "L" + folder + '\n';
        const bool written = write(pipeFds[1], text.data(), text.size()) ==
                             static_cast<ssize_t>(text.size());
        _exit(written ? 0 : 1);
    }
    close(pipeFds[1]);
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    WalkResult result;
    std::istringstream lines(text);
    std::string line;
    if (std::getline(lines, line))
        result.filesAdded = std::stoi(line);
    while (std::getline(lines, line))
        (line[0] == 'E' ? result.entries : result.log).push_back(line.substr(1));
    return result;
}

class PosixWalkTest : public testing::Test {
protected:
    PosixWalkTest()
    {
        char pattern[] = "/tmp/jumelix-walk-XXXXXX";
        root_ = mkdtemp(pattern);
    }
    ~PosixWalkTest() override { RemoveTreeAt(AT_FDCWD, root_.c_str()); }

    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

    std::string root_;
};

TEST_F(PosixWalkTest, HiddenSpecialReadOnlyAndLinkedEntries)
{
    MakeFile(Path("a.txt"), 3);
    MakeFile(Path(".hidden.txt"), 1);
    MakeFolder(Path(".hid"));
    MakeFile(Path(".hid/in.txt"), 1);
    ASSERT_EQ(mkfifo(Path("pipe.txt").c_str(), 0644), 0);  // opening it would block
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, Path("sock.txt").c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    MakeFile(Path("ro.txt"), 5);
    chmod(Path("ro.txt").c_str(), 0444);
    MakeFolder(Path("sub"));
    MakeFile(Path("sub/b.txt"), 7);
    ASSERT_EQ(symlink("..", Path("sub/up").c_str()), 0);        // a loop back to the scan folder
    ASSERT_EQ(symlink("sub", Path("alias").c_str()), 0);        // the same folder by a second path
    ASSERT_EQ(symlink("missing", Path("dangling.txt").c_str()), 0);
    ASSERT_EQ(symlink("sub/b.txt", Path("link.txt").c_str()), 0);

    const WalkResult result = RunWalk(root_);
    close(sock);

    ASSERT_EQ(result.log.size(), 2u);
    EXPECT_EQ(result.log[0], root_);
    const std::string walkedSub = result.log[1];
    EXPECT_TRUE(walkedSub == Path("sub") || walkedSub == Path("alias")) << walkedSub;
    EXPECT_EQ(Sorted(result.entries),
              Sorted({root_ + "/\ta.txt\t3", root_ + "/\tro.txt\t5", root_ + "/\tlink.txt\t7",
                      walkedSub + "/\tb.txt\t7"}));
    EXPECT_EQ(result.filesAdded, 4);
    // A hidden scan folder is walked all the same.
    EXPECT_EQ(RunWalk(Path(".hid")).entries, std::vector<std::string>{Path(".hid") + "/\tin.txt\t1"});
}

// The order the file system enumerates, read independently with readdir.
void ExpectedWalk(const std::string& folder, WalkResult& expected)
{
    expected.log.push_back(folder);
    std::vector<std::string> folders;
    DIR* listing = opendir(folder.c_str());
    while (const dirent* entry = readdir(listing)) {
        if (entry->d_name[0] == '.')
            continue;
        struct stat st {};
        stat((folder + "/" + entry->d_name).c_str(), &st);
        if (S_ISDIR(st.st_mode))
            folders.emplace_back(entry->d_name);
        else
            expected.entries.push_back(folder + "/\t" + entry->d_name + '\t' +
                                       std::to_string(st.st_size));
    }
    closedir(listing);
    for (const std::string& name : folders)
        ExpectedWalk(folder + "/" + name, expected);
}

TEST_F(PosixWalkTest, CatalogueOrderIsDepthFirstInEnumerationOrder)
{
    for (const char* folder : {"b", "a", "a/x", "a/y", "a/x/z", "c"})
        MakeFolder(Path(folder));
    int size = 0;
    for (const char* folder : {"", "b/", "a/", "a/x/", "a/y/", "a/x/z/", "c/"})
        for (const char* name : {"1", "k", "22", "m.n", "zz"})
            MakeFile(Path(std::string(folder) + name), ++size);

    WalkResult expected;
    ExpectedWalk(root_, expected);
    const WalkResult result = RunWalk(root_);
    EXPECT_EQ(result.entries, expected.entries);
    EXPECT_EQ(result.log, expected.log);
    EXPECT_EQ(result.filesAdded, 35);

    // An empty filter lists nothing but still walks and logs every folder.
    const WalkResult unfiltered = RunWalk(root_, "");
    EXPECT_TRUE(unfiltered.entries.empty());
    EXPECT_EQ(unfiltered.log, expected.log);

    const WalkResult flat = RunWalk(root_, "*.*", false);
    EXPECT_EQ(flat.entries, std::vector(expected.entries.begin(), expected.entries.begin() + 5));
    EXPECT_EQ(flat.log, std::vector<std::string>{root_});
}

TEST_F(PosixWalkTest, TrailingSeparatorsRootAndEmptyFolderText)
{
    MakeFile(Path("f"), 1);
    MakeFolder(Path("s"));
    MakeFile(Path("s/g"), 2);

    const WalkResult one = RunWalk(root_ + "/");
    EXPECT_EQ(one.log, (std::vector<std::string>{root_, Path("s")}));
    EXPECT_EQ(one.entries, (std::vector<std::string>{root_ + "/\tf\t1", root_ + "/s/\tg\t2"}));

    // Only one separator is removed before the folder is logged and walked on.
    const WalkResult two = RunWalk(root_ + "//");
    EXPECT_EQ(two.log, (std::vector<std::string>{root_ + "/", root_ + "//s"}));
    EXPECT_EQ(two.entries, (std::vector<std::string>{root_ + "/\tf\t1", root_ + "//s/\tg\t2"}));

    const WalkResult system = RunWalk("/", "*.*", false);
    EXPECT_EQ(system.log, std::vector<std::string>{"/"});
    for (const std::string& entry : system.entries)
        EXPECT_EQ(entry.substr(0, 2), "/\t");

    const WalkResult none = RunWalk("");
    EXPECT_TRUE(none.entries.empty());
    EXPECT_TRUE(none.log.empty());
}

TEST_F(PosixWalkTest, SizesAreSixtyFourBitAndZeroForAFileGoneBeforeItsSize)
{
    MakeFile(Path("big.bin"), 5'000'000'000);
    MakeFile(Path("empty"), 0);
    EXPECT_EQ(Sorted(RunWalk(root_).entries),
              Sorted({root_ + "/\tbig.bin\t5000000000", root_ + "/\tempty\t0"}));

    // The first pump comes after the listing and before the first size lookup.
    const WalkResult gone = RunWalk(root_, "*.*", true, [this] {
        unlink(Path("big.bin").c_str());
        unlink(Path("empty").c_str());
    });
    EXPECT_EQ(Sorted(gone.entries), Sorted({root_ + "/\tbig.bin\t0", root_ + "/\tempty\t0"}));
}

TEST_F(PosixWalkTest, NamesThatAreNotUtf8AreKeptAsBytes)
{
    MakeFile(Path("caf\xe9.txt"), 4);
    MakeFolder(Path("\xff\xfe"));
    MakeFile(Path("\xff\xfe/x\x80y.txt"), 6);
    EXPECT_EQ(RunWalk(root_, "caf?.TXT").entries,
              std::vector<std::string>{root_ + "/\tcaf\xe9.txt\t4"});
    EXPECT_EQ(Sorted(RunWalk(root_).entries),
              Sorted({root_ + "/\tcaf\xe9.txt\t4", root_ + "/\xff\xfe/\tx\x80y.txt\t6"}));
}

TEST_F(PosixWalkTest, AnUnreadableFolderIsLoggedWithNoEntriesAndTheWalkGoesOn)
{
    MakeFolder(Path("locked"));
    MakeFile(Path("locked/secret.txt"), 1);
    MakeFolder(Path("open"));
    MakeFile(Path("open/y.txt"), 2);
    chmod(root_.c_str(), 0755);
    chmod(Path("locked").c_str(), 0);

    // Root ignores permissions, so the walk runs as an ordinary user.
    const WalkResult result = RunInChild([this] {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        if (access(Path("locked").c_str(), R_OK) == 0)
            _exit(3);
        return RunWalk(root_);
    });
    EXPECT_EQ(result.entries, std::vector<std::string>{Path("open") + "/\ty.txt\t2"});
    EXPECT_EQ(Sorted(result.log), Sorted({root_, Path("locked"), Path("open")}));
}

TEST_F(PosixWalkTest, DeepTreeBeyondPathMaxUnderALowDescriptorLimit)
{
    // 300 folders deep, each holding a file and a leaf folder with another file,
    // so the walk comes back to closed ancestors and enters them again.
    constexpr int kDepth = 300;
    const std::string longName(30, 'd');
    int fd = open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < kDepth; ++level) {
        MakeFileAt(fd, "f.txt", level);
        ASSERT_EQ(mkdirat(fd, "leaf", 0755), 0);
        const int leaf = openat(fd, "leaf", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        MakeFileAt(leaf, "g.txt", 1);
        close(leaf);
        if (level + 1 < kDepth) {
            ASSERT_EQ(mkdirat(fd, longName.c_str(), 0755), 0);
            const int next = openat(fd, longName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            close(fd);
            fd = next;
        }
    }
    close(fd);

    const WalkResult result = RunInChild([this] {
        const rlimit limit{64, 64};
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
            _exit(2);
        return RunWalk(root_);
    });
    EXPECT_EQ(result.filesAdded, 2 * kDepth);
    EXPECT_EQ(result.log.size(), 2u * kDepth);
    std::string folder = root_ + "/";
    int found = 0;
    for (int level = 0; level < kDepth; ++level, folder += longName + "/") {
        const std::string own = folder + "\tf.txt\t" + std::to_string(level);
        const std::string leaf = folder + "leaf/\tg.txt\t1";
        found += std::count(result.entries.begin(), result.entries.end(), own) +
                 std::count(result.entries.begin(), result.entries.end(), leaf);
    }
    EXPECT_EQ(found, 2 * kDepth);
    EXPECT_GT(folder.size(), static_cast<std::size_t>(PATH_MAX));

    // A scan folder whose own path is longer than PATH_MAX.
    std::string deepFolder = root_;
    for (int level = 0; level < 200; ++level)
        deepFolder += "/" + longName;
    const WalkResult fromDeep = RunWalk(deepFolder);
    EXPECT_EQ(fromDeep.filesAdded, 2 * (kDepth - 200));
    EXPECT_EQ(fromDeep.log.front(), deepFolder);
}

std::string ChainPath(std::string top, int depth)
{
    for (int i = 0; i < depth; ++i)
        top += "/c";
    return top;
}

// A chain of `depth` new folders "c" below `top`; returns the deepest one's path.
std::string MakeChain(std::string top, int depth)
{
    for (int i = 0; i < depth; ++i) {
        top += "/c";
        MakeFolder(top);
    }
    return top;
}

class ReopenTest : public PosixWalkTest {
protected:
    // Walks down a chain, through a link into a second chain elsewhere (whose
    // ".." is not the link's folder) and back up, so the folder holding the
    // link has to be reopened by name from the scan folder.
    ReopenTest()
    {
        MakeFolder(Path("main"));
        MakeFolder(Path("elsewhere"));
        const std::string bottom = MakeChain(Path("main"), 20);
        MakeFile(bottom + "/here.txt", 8);
        MakeFolder(bottom + "/z");
        MakeChain(Path("elsewhere"), 20);
        EXPECT_EQ(symlink(Path("elsewhere").c_str(), (bottom + "/link").c_str()), 0);
    }

    void WalkDownAndBack()
    {
        ASSERT_TRUE(files_.EnterRoot(Path("main")));
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(files_.EnterChild("c"));
        ASSERT_TRUE(files_.EnterChild("link"));
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(files_.EnterChild("c"));
        for (int i = 0; i < 21; ++i)
            files_.Leave();
    }

    FolderListing List()
    {
        FolderListing listing;
        files_.List(Wildcard("*.*"), listing);
        std::sort(listing.Folders.begin(), listing.Folders.end());
        return listing;
    }

    PosixFileEnumeration files_;
};

TEST_F(ReopenTest, AClosedFolderIsReopenedByName)
{
    WalkDownAndBack();
    const FolderListing listing = List();
    EXPECT_EQ(listing.Files, std::vector<std::string>{"here.txt"});
    EXPECT_EQ(listing.Folders, (std::vector<std::string>{"link", "z"}));
    EXPECT_EQ(files_.FileSize("here.txt"), 8u);
    EXPECT_FALSE(files_.EnterChild("link"));  // entered once already
    EXPECT_TRUE(files_.EnterChild("z"));
}

TEST_F(ReopenTest, AFolderReplacedMeanwhileCountsAsGone)
{
    WalkDownAndBack();
    // Swap a folder on the way down for a look-alike holding the same names.
    ASSERT_EQ(rename(ChainPath(Path("main"), 10).c_str(), Path("moved").c_str()), 0);
    MakeFile(MakeChain(ChainPath(Path("main"), 9), 11) + "/here.txt", 8);
    const FolderListing listing = List();
    EXPECT_TRUE(listing.Files.empty());
    EXPECT_TRUE(listing.Folders.empty());
    EXPECT_EQ(files_.FileSize("here.txt"), 0u);
}

}  // namespace
}  // namespace jumelix
