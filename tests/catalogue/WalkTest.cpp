// The walk's order, pumps and stop points on a scripted file system; then the
// walk on real trees made in a temporary folder, the current folder while such
// a test runs: special entries, links and loops, unreadable folders, odd names,
// deep trees and trees that change while they are walked.
//
// This binary replaces the C library's getdents64 and fstatfs (at the end of
// the file) for all its tests: they pass every call through, and change what
// they give only while a test sets the stand-ins' switches below.

#include "catalogue/Walk.h"
#include "catalogue/Wildcard.h"
#include "files/PosixFileEnumeration.h"
#include "tests/TempFolderTest.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>

namespace jumelix {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using PumpActions = std::map<int, std::function<void(RunFlags&)>>;

// Some file systems give no entry types in their listings; so does every
// listing of this program while this is set.
bool entryTypesHidden = false;
// Set, every file system is a network one, whose listings stop short of the
// buffer before a folder ends (at 4 KiB); unset, a local one. Listing calls
// are counted.
std::optional<bool> listingsStopShort;
std::atomic<int> listingCalls{0};

Lines Sorted(Lines lines) { std::ranges::sort(lines); return lines; }

// What the window would see of a walk. At the pumps numbered in `actions` it
// does what the user or the system does meanwhile.
struct Trace final : WalkObserver {
    void EntryAdded(std::int32_t filesAdded) override { Write("add " + std::to_string(filesAdded)); }
    void FolderEntered(std::string_view folder) override { Write("log " + log.emplace_back(folder)); }
    void PumpEvents() override
    {
        Write("pump");
        if (auto action = actions.extract(++pumps))
            action.mapped()(flags);
    }
    void Write(const std::string& step) { text += (text.empty() ? "" : ", ") + step; }

    PumpActions actions;
    RunFlags flags;
    int pumps = 0;
    std::string text;
    Lines log;
    Lines entries;  // the catalogue, as "Folder|Name Size"
};

// Walks the real file system unless given another.
Trace Walk(const std::string& folder, std::string_view filter = "*.*", PumpActions actions = {},
           FileEnumeration* files = nullptr, bool recurse = true)
{
    PosixFileEnumeration realFiles;
    Catalogue catalogue;
    Trace trace;
    trace.actions = std::move(actions);
    FolderWalk walk(files ? *files : realFiles, catalogue, trace.flags, trace);
    walk.ScanFolder(folder, filter, 0, recurse);
    EXPECT_EQ(static_cast<std::size_t>(walk.FilesAdded()), catalogue.size());
    EXPECT_TRUE(trace.actions.empty()) << "the walk pumped fewer times than the test expects";
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const CatalogueEntry e = catalogue[i];
        trace.entries.push_back(std::string(e.Folder) + "|" + std::string(e.Name) + " " + e.SizeText());
    }
    return trace;
}

// Folder: its files and sub-folders in enumeration order. The digit in a
// file's name is its size.
const std::map<std::string, std::pair<Lines, Lines>> kTree = {
    {"r", {{"f1.txt", "s9.doc", "f2.txt"}, {"A", "B"}}},
    {"r/A", {{"a3.txt"}, {"A1"}}},
    {"r/A/A1", {{"x4.txt"}, {}}},
    {"r/B", {{"b5.txt"}, {}}}};

// Like the file system, it opens a folder whatever trailing separators it is given.
class ScriptedFiles final : public FileEnumeration {
public:
    FolderCheck CheckFolder(std::string_view /*path*/) override { return FolderCheck::Walkable; }
    bool EnterRoot(std::string_view path) override
    {
        path_ = {std::string(path.substr(0, path.find_last_not_of('/') + 1))};
        return kTree.contains(path_.back());
    }
    bool EnterChild(std::string_view name) override
    {
        std::string child = path_.back() + "/" + std::string(name);
        if (refused.contains(child))
            return false;
        path_.push_back(std::move(child));
        return true;
    }
    void Leave() override { path_.pop_back(); }
    void List(const Wildcard& filter, FolderListing& listing) override
    {
        listing = {kTree.at(path_.back()).first, kTree.at(path_.back()).second};
        std::erase_if(listing.Files, [&](const std::string& name) { return !filter.Matches(name); });
    }
    std::optional<std::uint64_t> FileSize(std::string_view name) override { return name.at(1) - '0'; }
    std::set<std::string> refused;  // as already entered

private:
    Lines path_;
};

TEST(ScriptedWalkTest, ListsLogsAndPumpsInOrder)
{
    const auto stop = [](bool on) { return [on](RunFlags& flags) { flags.WalkStop = on; }; };
    const struct {
        std::string folder;
        bool recurse;
        std::set<std::string> refused;
        PumpActions actions;
        Lines entries;
        std::string trace;
    } cases[] = {
        // Depth first, files before sub-folders; a pump before each file and after each sub-folder.
        {"r", true, {}, {},
         {"r/|f1.txt 1", "r/|f2.txt 2", "r/A/|a3.txt 3", "r/A/A1/|x4.txt 4", "r/B/|b5.txt 5"},
         "log r, pump, add 1, pump, add 2, log r/A, pump, add 3, log r/A/A1, pump, add 4, "
         "pump, pump, log r/B, pump, add 5, pump"},
        // One trailing separator goes.
        {"r//", false, {}, {}, {"r/|f1.txt 1", "r/|f2.txt 2"}, "log r/, pump, add 1, pump, add 2"},
        // No scan folder: nothing to walk.
        {"", true, {}, {}, {}, ""},
        // A folder the enumeration refuses (already entered) is neither logged nor pumped.
        {"r", true, {"r/A"}, {}, {"r/|f1.txt 1", "r/|f2.txt 2", "r/B/|b5.txt 5"},
         "log r, pump, add 1, pump, add 2, log r/B, pump, add 3, pump"},
        // A scan folder that cannot be opened.
        {"gone", true, {}, {}, {}, "log gone"},
        // A stop in the scan folder cuts its listing short and no sub-folder is looked at.
        {"r", true, {}, {{2, stop(true)}}, {"r/|f1.txt 1"}, "log r, pump, add 1, pump"},
        // A stop in A passes over A's files and sub-folders; B is still logged and pumped.
        {"r", true, {}, {{3, stop(true)}}, {"r/|f1.txt 1", "r/|f2.txt 2"},
         "log r, pump, add 1, pump, add 2, log r/A, pump, pump, log r/B, pump, pump"},
        // Another key clears the flag in the pump after A: B is walked as usual.
        {"r", true, {}, {{3, stop(true)}, {4, stop(false)}}, {"r/|f1.txt 1", "r/|f2.txt 2", "r/B/|b5.txt 5"},
         "log r, pump, add 1, pump, add 2, log r/A, pump, pump, log r/B, pump, add 3, pump"},
    };
    for (const auto& c : cases) {
        ScriptedFiles files;
        files.refused = c.refused;
        const Trace trace = Walk(c.folder, "*.txt", c.actions, &files, c.recurse);
        EXPECT_EQ(trace.entries, c.entries) << c.trace;
        EXPECT_EQ(trace.text, c.trace);
    }
}

// Makes each entry: "name/" a folder, "name>target" a link, "name=size" a sparse file.
void Build(const Lines& entries)
{
    for (const std::string& entry : entries) {
        const std::size_t mark = std::min(entry.find_first_of(">="), entry.size() - 1);
        const std::string path = entry.substr(0, mark), rest = entry.substr(mark + 1);
        const int made = entry[mark] == '/'   ? mkdir(path.c_str(), 0755)
                         : entry[mark] == '>' ? symlink(rest.c_str(), path.c_str())
                                              : mknod(path.c_str(), S_IFREG | 0644, 0) |
                                                    truncate(path.c_str(), std::stoll(rest));
        EXPECT_EQ(made, 0) << entry;
    }
}

using WalkTreeTest = TempFolderTest;

TEST_F(WalkTreeTest, ListsWhatItMayReadAndEntersEachFolderOnce)
{
    Build({"in/", "in/a=3", "in/.h=1", "in/.hid/", "in/.hid/h=1", "in/big=5000000000", "in/filelink>big",
           "in/fifolink>pipe", "in/devlink>/dev/null", "in/dangling>nowhere", "in/p>q", "in/q>p", "in/c/",
           "in/c/c1=4", "in/c/up>..", "in/again>c", "out/", "out/o1=5", "in/out>../out", "in/secret=6",
           "in/locked/", "in/locked/l=7", "in/searchonly/", "in/searchonly/s=8", "in/listonly/",
           "in/listonly/n=0", "in/out2>../out"});
    EXPECT_EQ(mkfifo("in/pipe", 0644) | mknod("in/sock", S_IFSOCK | 0644, 0), 0);
    chmod("in/secret", 0);  // still listed, with its size
    chmod("in/locked", 0);
    chmod("in/searchonly", 0311);
    chmod("in/listonly", 0444);  // its files are listed, but no size can be read
    // Root reads everything, so the walk runs as "nobody". Opening the FIFO, or
    // following the loop, would never end.
    InChild(30, [] {
        ASSERT_TRUE(BecomeNobody());
        const Trace trace = Walk("in");
        Lines named;  // c and out are walked by whichever of their two paths comes first
        for (const std::string& entry : trace.entries)
            named.push_back(entry.substr(entry.find('|') + 1));
        EXPECT_EQ(Sorted(named),
                  Sorted({"a 3", "big 5000000000", "filelink 5000000000", "c1 4", "o1 5", "secret 6"}));
        // The empty filter lists nothing but still walks every folder.
        EXPECT_EQ(Walk("in", "").log, trace.log);
        // The scan folder is walked whatever its name.
        EXPECT_EQ(Walk("in/.hid").entries, Lines{"in/.hid/|h 1"});
        EXPECT_EQ(PosixFileEnumeration().CheckFolder("in/searchonly"), FolderCheck::AccessDenied);
        EXPECT_EQ(PosixFileEnumeration().CheckFolder("in/p"), FolderCheck::LinkLoop);
        entryTypesHidden = true;  // each entry's type is then looked up
        EXPECT_EQ(Walk("in").entries, trace.entries);
    });
}

TEST_F(WalkTreeTest, KeepsExactNamesInEnumerationOrder)
{
    // Any byte but "/" and NUL; the NFC and NFD forms of "été" are two names.
    for (const std::string& name : {std::string("new\nline\\tab\t"), std::string("bad\xff\xfe"),
                                    std::string("\xc3\xa9t\xc3\xa9"), std::string("e\xcc\x81te\xcc\x81"),
                                    std::string(NAME_MAX - 1, 'n')})
        Build({name + "=" + std::to_string(name.size()), name + "d/"});
    for (int i = 1000; i < 2100; ++i)  // more long names than one read of the folder holds
        Build({std::string(NAME_MAX - 4, 'n') + std::to_string(i) + "=" + std::to_string(NAME_MAX)});
    Lines entries, log = {"."};  // in the order the system enumerates them
    for (const fs::directory_entry& entry : fs::directory_iterator(".")) {
        const std::string name = entry.path().filename();
        if (entry.is_directory())
            log.push_back("./" + name);
        else
            entries.push_back("./|" + name + " " + std::to_string(name.size()));
    }
    const Trace trace = Walk(".");
    EXPECT_EQ(trace.entries, entries);
    EXPECT_EQ(trace.log, log);
}

TEST_F(WalkTreeTest, WalksBeyondPathMaxUnderALowDescriptorLimit)
{
    // Each level holds a file and a leaf folder with another file, so the walk
    // comes back to ancestors it had closed.
    const std::string step(30, 'd');
    Lines expected;
    std::string folder = root_ + "/";
    for (int level = 0; level < 300; ++level, folder += step + "/") {
        Build({"f=" + std::to_string(level), "leaf/", "leaf/g=1", step + "/"});
        fs::current_path(step);
        expected.insert(expected.end(), {folder + "|f " + std::to_string(level), folder + "leaf/|g 1"});
    }
    fs::current_path(root_);
    const std::string deep = folder.substr(0, root_.size() + 1 + 200 * (step.size() + 1));  // > PATH_MAX
    InChild(60, [&] {
        const rlimit limit{64, 64};
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
        EXPECT_EQ(Sorted(Walk(deep).entries), Sorted(Lines(expected.begin() + 400, expected.end())));
        // The first folder renamed in the walk: closed ancestors are found again through "..".
        const Trace trace = Walk(root_, "*.*", {{60, [&step](RunFlags&) { fs::rename(step, "moved"); }}});
        EXPECT_EQ(Sorted(trace.entries), Sorted(expected));
    });
}

TEST_F(WalkTreeTest, ReopensClosedFoldersByNameAndChecksTheirIdentity)
{
    // Down main's chain, through a link into a deep chain (whose ".." leads
    // elsewhere) and back: main's folders were closed on the way and are
    // reopened by name from the scan folder. "twin" is a look-alike of main/c.
    Build({"main/", "main/c/", "main/c/c/", "main/c/c/here=8", "main/c/c/link>" + root_ + "/far", "twin/",
           "twin/c/", "twin/c/here=8"});
    for (std::string chain = "far/"; chain.size() <= 4 + 20 * 2; chain += "c/")
        Build({chain});
    PosixFileEnumeration files;
    FolderListing listing;
    for (const bool swapped : {false, true}) {
        ASSERT_TRUE(files.EnterRoot("main"));
        for (int level = 1; level <= 23; ++level)
            ASSERT_TRUE(files.EnterChild(level == 3 ? "link" : "c")) << level;
        for (int level = 1; level <= 21; ++level)
            files.Leave();
        if (swapped) {  // main/c swapped for the look-alike meanwhile: the folder counts as gone
            fs::rename("main/c", "moved");
            fs::rename("twin", "main/c");
        }
        files.List(Wildcard("*.*"), listing);
        EXPECT_EQ(listing.Files, swapped ? Lines{} : Lines{"here"});
    }
}

TEST_F(WalkTreeTest, FileTurnedIntoAFolderAfterTheListingIsLeftOut)
{
    Build({"x/", "x/f=1"});
    const auto replace = [](RunFlags&) { fs::remove("x/f"); fs::create_directory("x/f"); };
    EXPECT_EQ(Walk("x", "*.*", {{1, replace}}).entries, Lines{});
}

TEST_F(WalkTreeTest, ReadsAheadOfTheWalkWhileTheTreeChanges)
{
    const auto swapAandC = [] { fs::rename("r/A", "r/A2"); fs::rename("r/C", "r/A"); };
    const struct {
        std::string folder;
        ReadStage stage;
        std::function<void()> change;
        Lines entries;
    } cases[] = {
        // Read, then swapped before the walk enters it: the walk lists what it finds.
        {"A", ReadStage::Listed, swapAandC, {"r/A/|c 4", "r/B/|b 3"}},
        // Swapped before it is read: the reader reads what the walk will find.
        {"A", ReadStage::Opening, swapAandC, {"r/A/|c 4", "r/B/|b 3"}},
        {"A", ReadStage::Listed, [] { fs::remove("r/A/a"); fs::create_directory("r/A/a"); },
         {"r/A/sub/|s 2", "r/B/|b 3", "r/C/|c 4"}},
        {"B", ReadStage::Listed, [] { chmod("r/B", 0); }, {"r/A/sub/|s 2", "r/A/|a 1", "r/C/|c 4"}},
        // A reader's error reaches the walk as its own would.
        {"A", ReadStage::Listed, [] { throw std::runtime_error("lecture impossible"); }, {"lecture impossible"}},
    };
    for (const auto& c : cases) {
        Build({"r/", "r/A/", "r/A/a=1", "r/A/sub/", "r/A/sub/s=2", "r/B/", "r/B/b=3", "r/C/", "r/C/c=4"});
        // As "nobody", for whom a folder without permissions is unreadable.
        EXPECT_EQ(std::system("[ $(id -u) != 0 ] || chown -R 65534:65534 r"), 0);
        InChild(30, [&c] {
            ASSERT_TRUE(BecomeNobody());
            PosixFileEnumeration files;
            files.SetReadHook([&c](std::string_view folder, ReadStage stage) {
                if (folder == c.folder && stage == c.stage)
                    c.change();
            });
            Lines entries;
            try {
                entries = Sorted(Walk("r", "*.*", {}, &files).entries);
            } catch (const std::runtime_error& error) {
                entries = {error.what()};
            }
            EXPECT_EQ(entries, c.entries);
        });
        EXPECT_EQ(std::system("chmod -R u+rwx r && rm -rf r"), 0);
    }
}

// Folders five deep, four sub-folders and a file in each.
Lines BuildWideTree()
{
    Lines entries;
    std::function<void(const std::string&, int)> add = [&](const std::string& folder, int depth) {
        Build({folder + "/", folder + "/f=1"});
        entries.push_back(folder + "/|f 1");
        for (int i = 0; depth < 5 && i < 4; ++i)
            add(folder + "/" + std::to_string(i), depth + 1);
    };
    add("w", 0);
    return entries;
}

// Stopped midway, the walk keeps what it added before the stop, in order, and
// leaves no reader behind; under few descriptors it reads ahead less and gives
// the same catalogue.
TEST_F(WalkTreeTest, StopsCleanlyAndGivesTheSameCatalogueUnderALowDescriptorLimit)
{
    const Lines entries = BuildWideTree();
    const Lines whole = Walk("w").entries;
    EXPECT_EQ(Sorted(whole), Sorted(entries));
    const int idle = Threads(1);  // a sanitizer may keep a thread of its own
    PosixFileEnumeration files;  // alive after the walk, so that only the walk's end joins its readers
    const Trace trace = Walk("w", "*.*", {{200, [](RunFlags& flags) { flags.WalkStop = true; }}}, &files);
    ASSERT_LT(trace.entries.size(), whole.size());
    EXPECT_EQ(trace.entries, Lines(whole.begin(), whole.begin() + static_cast<long>(trace.entries.size())));
    EXPECT_EQ(Threads(idle), idle);
    InChild(60, [&whole] {
        const rlimit limit{64, 64};
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
        EXPECT_EQ(Walk("w").entries, whole);
    });
}

// Readers that wait on the disk are joined by more, and what they read ahead
// of a walk that waits is capped at 256 folders.
TEST_F(WalkTreeTest, ReadsAheadWithinItsCapAndAddsReadersWhileTheDiskWaits)
{
    BuildWideTree();
    std::atomic<int> opened{0};
    int openedWhileWaiting = 0;
    PosixFileEnumeration files;
    files.SetReadHook([&opened](std::string_view, ReadStage stage) {
        if (stage == ReadStage::Opening) {
            ++opened;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    Walk("w", "*.*", {{5, [&](RunFlags&) {
                           std::this_thread::sleep_for(std::chrono::milliseconds(500));
                           openedWhileWaiting = opened;
                       }}},
         &files);
    EXPECT_GT(openedWhileWaiting, 200);
    EXPECT_LE(openedWhileWaiting, 256 + 16 + 5);  // the cap, the readers' reads and what the walk took
    EXPECT_GT(files.Readers(), std::thread::hardware_concurrency());
}

// A listing that stops short of the buffer ends the folder only on a file
// system that always fills it: one call there, all the calls it takes elsewhere.
TEST_F(WalkTreeTest, ListsToTheEndOfAFolderWhereListingsStopShort)
{
    Build({"big/"});
    for (int i = 0; i < 300; ++i)
        Build({"big/file" + std::to_string(i) + "=1"});
    for (const bool stopShort : {false, true}) {
        listingsStopShort = stopShort;
        listingCalls = 0;
        PosixFileEnumeration files;
        FolderListing listing;
        ASSERT_TRUE(files.EnterRoot("big"));
        files.List(Wildcard("*.*"), listing);
        EXPECT_EQ(listing.Files.size(), 300U) << stopShort;
        EXPECT_TRUE(stopShort ? listingCalls > 2 : listingCalls == 1) << listingCalls;
    }
    listingsStopShort.reset();
}

}  // namespace
}  // namespace jumelix

// Stands in for the C library's, so that a test can take the entry types out
// of the listings.
extern "C" ssize_t getdents64(int fd, void* buffer, size_t length) noexcept
{
    ++jumelix::listingCalls;
    if (jumelix::listingsStopShort.value_or(false))
        length = std::min<size_t>(length, 4096);
    const auto filled = static_cast<ssize_t>(syscall(SYS_getdents64, fd, buffer, length));
    auto* bytes = static_cast<char*>(buffer);
    for (ssize_t offset = 0; jumelix::entryTypesHidden && offset < filled;
         offset += reinterpret_cast<dirent64*>(bytes + offset)->d_reclen)
        reinterpret_cast<dirent64*>(bytes + offset)->d_type = DT_UNKNOWN;
    return filled;
}

extern "C" int fstatfs(int fd, struct statfs* buffer) noexcept
{
    const int result = static_cast<int>(syscall(SYS_fstatfs, fd, buffer));
    if (result == 0 && jumelix::listingsStopShort)
        buffer->f_type = *jumelix::listingsStopShort ? NFS_SUPER_MAGIC : EXT4_SUPER_MAGIC;
    return result;
}
