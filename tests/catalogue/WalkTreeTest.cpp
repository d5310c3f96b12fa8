// The walk on real trees made in a temporary folder: hidden and special
// entries, links and loops, odd names, deep trees, unreadable folders and
// trees that change while they are walked.

#include "PosixFileEnumeration.h"
#include "Walk.h"
#include "Wildcard.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace jumelix {
namespace {

using Lines = std::vector<std::string>;

Lines Sorted(Lines lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

// One entry of a test tree, its path relative to the tree; its type is a file
// type of stat (S_IFREG, S_IFDIR, S_IFLNK, S_IFIFO, S_IFSOCK, S_IFCHR...).
struct Node {
    mode_t type;
    std::string path;
    std::uint64_t size = 0;   // of a file
    std::string target = {};  // of a link
    dev_t device = 0;         // of a device node
};

Node File(std::string path, std::uint64_t size) { return {S_IFREG, std::move(path), size}; }
Node Folder(std::string path) { return {S_IFDIR, std::move(path)}; }
Node Link(std::string path, std::string target) { return {S_IFLNK, std::move(path), 0, std::move(target)}; }

// Removes a tree by descriptor, so that deep and unreadable folders go too.
void RemoveTree(int parentFd, const char* name)
{
    fchmodat(parentFd, name, 0700, 0);
    const int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (DIR* folder = fd >= 0 ? fdopendir(fd) : nullptr) {
        while (const dirent* entry = readdir(folder)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0 &&
                unlinkat(fd, entry->d_name, 0) != 0)
                RemoveTree(fd, entry->d_name);
        }
        closedir(folder);
    }
    unlinkat(parentFd, name, AT_REMOVEDIR);
}

void Rename(const std::string& from, const std::string& to)
{
    EXPECT_EQ(rename(from.c_str(), to.c_str()), 0) << from << ": " << std::strerror(errno);
}

// Runs `body` in a forked child killed by SIGALRM after `seconds`, so that a
// hang fails the test, and brings back the lines it returns. A failed
// expectation in the child, or a child that cannot set itself up and exits
// with a code, fails the test.
Lines InChild(unsigned seconds, const std::function<Lines()>& body)
{
    int channel[2];
    EXPECT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        alarm(seconds);
        std::string text;
        for (const std::string& line : body())
            text += line + '\0';
        const bool sent = write(channel[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        _exit(sent && !testing::Test::HasFailure() ? 0 : 4);
    }
    close(channel[1]);
    std::string text;
    char buffer[65536];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0) << "child wait status (14: killed by its alarm; 256 n: exit code n)";
    Lines lines;
    for (std::size_t start = 0, end; (end = text.find('\0', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// A change made to the tree while it is walked: at the walk's n-th pump, or
// when it logs its n-th folder. It is given the folders logged so far.
struct Change {
    bool atPump = false;
    std::size_t number = 0;
    std::function<void(const Lines& log)> make;
};

class Recorder final : public WalkObserver {
public:
    explicit Recorder(Change change) : change_(std::move(change)) {}
    void FolderEntered(std::string_view folder) override
    {
        log.emplace_back(folder);
        Fire(false, log.size());
    }
    void PumpEvents() override { Fire(true, ++pumps_); }
    bool ChangePending() const { return static_cast<bool>(change_.make); }
    Lines log;

private:
    void Fire(bool atPump, std::size_t number)
    {
        if (change_.make && atPump == change_.atPump && number == change_.number)
            std::exchange(change_.make, nullptr)(log);
    }

    Change change_;
    std::size_t pumps_ = 0;
};

struct Walked {
    Lines entries;  // "Folder|Name Size"
    Lines log;
};

class WalkTreeTest : public testing::Test {
protected:
    WalkTreeTest()
    {
        char pattern[] = "/tmp/jumelix-walk-XXXXXX";
        EXPECT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        chmod(pattern, 0755);  // one test walks it as another user
    }
    ~WalkTreeTest() override { RemoveTree(AT_FDCWD, root_.c_str()); }

    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

    void Build(const std::vector<Node>& nodes) const
    {
        const int rootFd = open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (const Node& node : nodes)
            Make(rootFd, node);
        close(rootFd);
    }

    // The catalogue and the folder log, with the tree's own path shown as "~".
    Walked Walk(const std::string& folder, std::string_view filter = "*.*", bool recurse = true,
                Change change = {}) const
    {
        PosixFileEnumeration files;
        Catalogue catalogue;
        RunFlags flags;
        Recorder recorder(std::move(change));
        FolderWalk walk(files, catalogue, flags, recorder);
        walk.ScanFolder(folder, filter, 0, recurse);
        EXPECT_EQ(static_cast<std::size_t>(walk.FilesAdded()), catalogue.size());
        EXPECT_FALSE(recorder.ChangePending()) << "the tree did not change during the walk";
        Walked walked;
        for (std::size_t i = 0; i < catalogue.size(); ++i) {
            const CatalogueEntry e = catalogue[i];
            walked.entries.push_back(Short(e.Folder) + "|" + std::string(e.Name) + " " + e.SizeText());
        }
        for (const std::string& logged : recorder.log)
            walked.log.push_back(Short(logged));
        return walked;
    }

    std::string root_;

private:
    std::string Short(std::string_view text) const
    {
        return text.starts_with(root_) ? "~" + std::string(text.substr(root_.size())) : std::string(text);
    }

    // Reaches the node's folder one name at a time, so that any depth works.
    void Make(int rootFd, const Node& node) const
    {
        int folder = dup(rootFd);
        std::size_t start = 0;
        for (std::size_t slash; (slash = node.path.find('/', start)) != std::string::npos;
             start = slash + 1) {
            const int next = openat(folder, node.path.substr(start, slash - start).c_str(),
                                    O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            close(folder);
            folder = next;
        }
        const char* name = node.path.c_str() + start;
        int made = -1;
        switch (node.type) {
        case S_IFREG:
            if (const int fd = openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644); fd >= 0) {
                made = ftruncate(fd, static_cast<off_t>(node.size));  // sparse
                close(fd);
            }
            break;
        case S_IFDIR: made = mkdirat(folder, name, 0755); break;
        case S_IFLNK: made = symlinkat(node.target.c_str(), folder, name); break;
        default: made = mknodat(folder, name, node.type | 0644, node.device);
        }
        close(folder);
        EXPECT_EQ(made, 0) << node.path << ": " << std::strerror(errno);
    }
};

TEST_F(WalkTreeTest, OnlyVisibleRegularFilesAreListed)
{
    Build({File("a.txt", 3), File(".hidden.txt", 1), Folder(".hid"), File(".hid/in.txt", 1),
           File("big.bin", 5'000'000'000), File("empty", 0), {S_IFIFO, "pipe.txt"},
           {S_IFSOCK, "sock.txt"}, Folder("pipes"), {S_IFIFO, "pipes/inner.txt"},
           Link("filelink.txt", "big.bin"), Link("fifolink.txt", "pipe.txt"),
           Link("socklink.txt", "sock.txt"), Link("devlink.txt", "/dev/null"),
           Link("dangling.txt", "nowhere")});
    if (geteuid() == 0)  // CI runs as root
        Build({{S_IFCHR, "zero.txt", 0, {}, makedev(1, 5)}, {S_IFBLK, "loop.txt", 0, {}, makedev(7, 0)}});
    // Opening the FIFO would block.
    EXPECT_EQ(Sorted(InChild(30, [&] { return Walk(root_).entries; })),
              Sorted({"~/|a.txt 3", "~/|big.bin 5000000000", "~/|empty 0", "~/|filelink.txt 5000000000"}));
    // The scan folder itself is walked whatever its name.
    EXPECT_EQ(Walk(Path(".hid")).entries, Lines{"~/.hid/|in.txt 1"});
}

TEST_F(WalkTreeTest, EachFolderIsEnteredOnceWhateverTheLinks)
{
    Build({Folder("in"), File("in/f0.txt", 1), Link("in/self", "self"), Link("in/p", "q"), Link("in/q", "p"),
           Link("in/here", "."), Folder("in/a"), File("in/a/f1.txt", 2), Folder("in/a/b"),
           File("in/a/b/f2.txt", 3), Link("in/a/b/up", ".."), Link("in/a/b/top", Path("in")),
           Folder("in/c"), File("in/c/c1.txt", 4), Link("in/a/b/cc", "../../c"), Folder("out"),
           File("out/o1.txt", 5), Link("in/out", "../out")});
    // A missing loop guard would walk without end.
    Lines lines = InChild(30, [&] { return Walk(Path("in")).entries; });
    // c is walked by whichever of its two paths comes first.
    for (std::string& line : lines) {
        if (line.starts_with("~/in/a/b/cc/"))
            line.replace(0, 12, "~/in/c/");
    }
    EXPECT_EQ(Sorted(lines), Sorted({"~/in/|f0.txt 1", "~/in/a/|f1.txt 2", "~/in/a/b/|f2.txt 3",
                                     "~/in/c/|c1.txt 4", "~/in/out/|o1.txt 5"}));
}

TEST_F(WalkTreeTest, OddNamesAreKeptAsTheirExactBytes)
{
    // Each name as a file, and as a folder holding a file of that name. NFC
    // and NFD forms of "été" are two different files.
    const Lines names = {"tab\there", "new\nline", "back\\slash", "dq\"uote", "sq'uote", "-leading",
                         "colon:name", "bad\xff\xfe", "\xc3\xa9t\xc3\xa9", "e\xcc\x81te\xcc\x81",
                         std::string(255, 'n')};
    std::vector<Node> nodes{Folder("d")};
    Lines expected;
    for (std::size_t i = 0; i < names.size(); ++i) {
        nodes.insert(nodes.end(), {File(names[i], i), Folder("d/" + names[i]),
                                   File("d/" + names[i] + "/" + names[i], i)});
        expected.insert(expected.end(), {"~/|" + names[i] + " " + std::to_string(i),
                                         "~/d/" + names[i] + "/|" + names[i] + " " + std::to_string(i)});
    }
    Build(nodes);
    EXPECT_EQ(Sorted(Walk(root_).entries), Sorted(expected));
}

TEST_F(WalkTreeTest, ListsInEnumerationOrderWithoutSorting)
{
    std::vector<Node> nodes;
    for (char c = 'a'; c <= 'p'; ++c)
        nodes.insert(nodes.end(), {File(std::string("f") + c, 1), Folder(std::string("d") + c)});
    Build(nodes);
    Walked expected{{}, {"~"}};
    DIR* listing = opendir(root_.c_str());
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name[0] == 'f')
            expected.entries.push_back("~/|" + name + " 1");
        else if (name[0] == 'd')
            expected.log.push_back("~/" + name);
    }
    closedir(listing);
    const Walked walked = Walk(root_);
    EXPECT_EQ(walked.entries, expected.entries);
    EXPECT_EQ(walked.log, expected.log);
}

TEST_F(WalkTreeTest, FolderTextLosesOneTrailingSeparator)
{
    Build({File("f", 1), Folder("s"), File("s/g", 2)});
    const Walked one = Walk(root_ + "/");
    EXPECT_EQ(one.log, (Lines{"~", "~/s"}));
    EXPECT_EQ(one.entries, (Lines{"~/|f 1", "~/s/|g 2"}));
    const Walked two = Walk(root_ + "//");
    EXPECT_EQ(two.log, (Lines{"~/", "~//s"}));
    EXPECT_EQ(two.entries, (Lines{"~/|f 1", "~//s/|g 2"}));
    // An empty filter lists nothing but still walks every folder.
    const Walked unfiltered = Walk(root_, "");
    EXPECT_TRUE(unfiltered.entries.empty());
    EXPECT_EQ(unfiltered.log, one.log);

    const Walked system = Walk("/", "*.*", false);
    EXPECT_EQ(system.log, Lines{"/"});
    for (const std::string& entry : system.entries)
        EXPECT_TRUE(entry.starts_with("/|")) << entry;
    const Walked none = Walk("");
    EXPECT_TRUE(none.entries.empty() && none.log.empty());
}

TEST_F(WalkTreeTest, DeepTreeBeyondPathMaxUnderALowDescriptorLimit)
{
    // Each level holds a file and a leaf folder with another file, so the walk
    // comes back to ancestors it had closed.
    constexpr int kDepth = 300;
    const std::string step(30, 'd');
    std::vector<Node> nodes;
    Lines expected;
    std::string folder;
    for (int level = 0; level < kDepth; ++level, folder += step + "/") {
        if (level > 0)
            nodes.push_back(Folder(folder.substr(0, folder.size() - 1)));
        nodes.insert(nodes.end(), {File(folder + "f.txt", level), Folder(folder + "leaf"),
                                   File(folder + "leaf/g.txt", 1)});
        expected.insert(expected.end(), {"~/" + folder + "|f.txt " + std::to_string(level),
                                         "~/" + folder + "leaf/|g.txt 1"});
    }
    Build(nodes);
    ASSERT_GT(folder.size(), static_cast<std::size_t>(PATH_MAX));
    const auto walkWithFewDescriptors = [this](const std::string& scanFolder) {
        return Sorted(InChild(60, [&] {
            const rlimit limit{64, 64};
            if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
                _exit(3);
            return Walk(scanFolder).entries;
        }));
    };
    EXPECT_EQ(walkWithFewDescriptors(root_), Sorted(expected));
    // A scan folder whose own path is longer than PATH_MAX.
    std::string deep = root_;
    for (int level = 0; level < 200; ++level)
        deep += "/" + step;
    EXPECT_EQ(walkWithFewDescriptors(deep), Sorted(Lines(expected.begin() + 400, expected.end())));
}

TEST_F(WalkTreeTest, ClosedFoldersAreReopenedByNameAndCheckedForIdentity)
{
    // Down a chain, through a link into a second chain (whose ".." leads
    // elsewhere) and back up: the folder holding the link was closed on the
    // way and is reopened by name from the scan folder. "twin" is a look-alike
    // of main's chain from level 10 down.
    std::vector<Node> nodes{Folder("main"), Folder("elsewhere"), Folder("twin")};
    std::string chain;
    for (int level = 1; level <= 20; ++level, chain += "/c") {
        nodes.insert(nodes.end(), {Folder("main" + chain + "/c"), Folder("elsewhere" + chain + "/c")});
        if (level > 10)
            nodes.push_back(Folder("twin" + chain.substr(20) + "/c"));
    }
    nodes.insert(nodes.end(), {File("main" + chain + "/here.txt", 8),
                               File("twin" + chain.substr(20) + "/here.txt", 8),
                               Link("main" + chain + "/link", Path("elsewhere"))});
    Build(nodes);
    PosixFileEnumeration files;
    FolderListing listing;
    const auto downThroughTheLinkAndBack = [&] {
        ASSERT_TRUE(files.EnterRoot(Path("main")));
        for (int i = 0; i <= 40; ++i)
            ASSERT_TRUE(files.EnterChild(i == 20 ? "link" : "c"));
        for (int i = 0; i <= 20; ++i)
            files.Leave();
    };
    downThroughTheLinkAndBack();
    files.List(Wildcard("*.*"), listing);
    EXPECT_EQ(listing.Files, Lines{"here.txt"});
    EXPECT_EQ(files.FileSize("here.txt"), 8u);

    // Level 10 swapped for the look-alike meanwhile: the folder counts as gone.
    downThroughTheLinkAndBack();
    Rename(Path("main" + chain.substr(0, 20)), Path("moved"));
    Rename(Path("twin"), Path("main" + chain.substr(0, 20)));
    files.List(Wildcard("*.*"), listing);
    EXPECT_TRUE(listing.Files.empty());
    EXPECT_EQ(files.FileSize("here.txt"), std::nullopt);
}

TEST_F(WalkTreeTest, UnreadableFoldersGiveNothingAndTheWalkGoesOn)
{
    Build({File("secret.txt", 4), Folder("ok"), File("ok/o1.txt", 3), Folder("locked"),
           File("locked/l1.txt", 5), Folder("locked/deeper"), File("locked/deeper/d1.txt", 6),
           Folder("searchonly"), File("searchonly/s1.txt", 7), Folder("listonly"),
           File("listonly/n1.txt", 0)});
    chmod(Path("secret.txt").c_str(), 0);  // still listed, with its size
    chmod(Path("locked").c_str(), 0);
    chmod(Path("searchonly").c_str(), 0311);
    chmod(Path("listonly").c_str(), 0444);  // listed, but no size can be read
    // Root reads everything, so the walk runs as "nobody"; a child that cannot
    // make sure those folders are unreadable fails the test.
    const Lines lines = InChild(30, [&] {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                               setresuid(65534, 65534, 65534) != 0))
            _exit(3);
        if (access(Path("locked").c_str(), R_OK) == 0 || access(Path("searchonly").c_str(), R_OK) == 0 ||
            access(Path("listonly").c_str(), X_OK) == 0)
            _exit(3);
        EXPECT_EQ(PosixFileEnumeration().CheckFolder(Path("searchonly")), FolderCheck::AccessDenied);
        return Walk(root_).entries;
    });
    EXPECT_EQ(Sorted(lines), Sorted({"~/|secret.txt 4", "~/ok/|o1.txt 3"}));
}

TEST_F(WalkTreeTest, DevIsWalkedToTheEndAndListsNoSpecialFile)
{
    const Lines lines = Sorted(InChild(60, [&] { return Walk("/dev").entries; }));
    for (const std::string& line : lines) {
        const std::size_t bar = line.find('|');
        const std::string path = line.substr(0, bar) + line.substr(bar + 1, line.rfind(' ') - bar - 1);
        struct stat st {};
        // A file gone since then (from /dev/shm, say) was no special file.
        EXPECT_TRUE(stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) << line;
    }
    EXPECT_EQ(std::adjacent_find(lines.begin(), lines.end()), lines.end()) << "listed twice";
}

struct ChangeCase {
    const char* what;
    Change change;
    Lines expected;
};

void PrintTo(const ChangeCase& c, std::ostream* os)
{
    *os << c.what;
}

class WalkChangeTest : public WalkTreeTest, public testing::WithParamInterface<ChangeCase> {};

// Folder 2 is x, its sub-folders are 3 to 5. The first pump comes after x's
// listing is read, before its file's size is looked up.
TEST_P(WalkChangeTest, EndsListingEachFileOnce)
{
    Build({Folder("x"), File("x/x1.txt", 10), Folder("x/gone"), File("x/gone/g1.txt", 11),
           Folder("x/moved"), File("x/moved/m1.txt", 12), Folder("x/late"), File("x/late/l1.txt", 13)});
    EXPECT_EQ(Sorted(Walk(root_, "*.*", true, GetParam().change).entries), Sorted(GetParam().expected));
}

const Lines kWholeTree = {"~/x/|x1.txt 10", "~/x/gone/|g1.txt 11", "~/x/moved/|m1.txt 12",
                          "~/x/late/|l1.txt 13"};

INSTANTIATE_TEST_SUITE_P(
    Changes, WalkChangeTest,
    testing::Values(
        ChangeCase{"sub-folders and a file vanish before they are walked",
                   {true, 1,
                    [](const Lines& log) {
                        RemoveTree(AT_FDCWD, (log[1] + "/gone").c_str());
                        Rename(log[1] + "/moved", log[1] + "/moved2");
                        Rename(log[1] + "/late/l1.txt", log[1] + "/late/l2.txt");
                    }},
                   {"~/x/|x1.txt 10", "~/x/late/|l2.txt 13"}},
        ChangeCase{"the folder being listed is deleted",
                   {true, 1, [](const Lines& log) { RemoveTree(AT_FDCWD, log[1].c_str()); }},
                   {}},
        // Walked on by descriptor, under the name it was listed with.
        ChangeCase{"the folder being listed is renamed",
                   {true, 1, [](const Lines& log) { Rename(log[1], log[1] + "-renamed"); }},
                   kWholeTree},
        ChangeCase{"a walked folder moved ahead of the walk",
                   {false, 4, [](const Lines& log) { Rename(log[2], log[3] + "/again"); }},
                   kWholeTree}));

}  // namespace
}  // namespace jumelix
