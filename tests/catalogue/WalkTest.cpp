// The walk's order, pumps and stop points, on a scripted file system.

#include "FileEnumeration.h"
#include "Walk.h"
#include "Wildcard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace jumelix {
namespace {

using Lines = std::vector<std::string>;

// Folder: its files and sub-folders in enumeration order. The digit in a
// file's name is its size.
const std::map<std::string, std::pair<Lines, Lines>> kTree = {
    {"r", {{"f1.txt", "s9.doc", "f2.txt"}, {"A", "B"}}},
    {"r/A", {{"a3.txt"}, {"A1"}}},
    {"r/A/A1", {{"x4.txt"}, {}}},
    {"r/B", {{"b5.txt"}, {}}}};

class FakeEnumeration final : public FileEnumeration {
public:
    FolderCheck CheckFolder(std::string_view /*path*/) override { return FolderCheck::Walkable; }
    bool EnterRoot(std::string_view path) override
    {
        current_ = {std::string(path)};
        return kTree.contains(current_.back());
    }
    bool EnterChild(std::string_view name) override
    {
        std::string child = current_.back() + "/" + std::string(name);
        if (alreadyEntered.contains(child))
            return false;
        current_.push_back(std::move(child));
        return true;
    }
    void Leave() override { current_.pop_back(); }
    void List(const Wildcard& filter, FolderListing& listing) override
    {
        const auto& [files, folders] = kTree.at(current_.back());
        listing.Files.clear();
        std::copy_if(files.begin(), files.end(), std::back_inserter(listing.Files),
                     [&](const std::string& name) { return filter.Matches(name); });
        listing.Folders = folders;
    }
    std::optional<std::uint64_t> FileSize(std::string_view name) override { return name.at(1) - '0'; }
    std::set<std::string> alreadyEntered;

private:
    Lines current_;
};

// Writes down what the window would see, and plays the key handler: at the
// pumps numbered in `stopAtPump` it sets or clears the stop flag.
class TraceObserver final : public WalkObserver {
public:
    TraceObserver(RunFlags& flags, std::map<int, bool> stopAtPump)
        : flags_(flags), stopAtPump_(std::move(stopAtPump))
    {
    }
    void EntryAdded(std::int32_t filesAdded) override { Write("add " + std::to_string(filesAdded)); }
    void FolderEntered(std::string_view folder) override { Write("log " + std::string(folder)); }
    void PumpEvents() override
    {
        Write("pump");
        if (const auto action = stopAtPump_.find(++pumps_); action != stopAtPump_.end())
            flags_.WalkStop = action->second;
    }
    std::string trace;

private:
    void Write(const std::string& step) { trace += (trace.empty() ? "" : ", ") + step; }

    RunFlags& flags_;
    std::map<int, bool> stopAtPump_;
    int pumps_ = 0;
};

struct WalkCase {
    const char* what;
    std::string folder;
    bool recurse;
    std::set<std::string> alreadyEntered;
    std::map<int, bool> stopAtPump;
    std::string catalogue;
    std::string trace;
};

void PrintTo(const WalkCase& c, std::ostream* os)
{
    *os << c.what;
}

class WalkTest : public testing::TestWithParam<WalkCase> {};

TEST_P(WalkTest, ListsLogsAndPumpsInOrder)
{
    const WalkCase& c = GetParam();
    FakeEnumeration files;
    files.alreadyEntered = c.alreadyEntered;
    Catalogue catalogue;
    RunFlags flags;
    TraceObserver observer(flags, c.stopAtPump);
    FolderWalk walk(files, catalogue, flags, observer);
    walk.ScanFolder(c.folder, "*.txt", 0, c.recurse);

    std::string entries;
    for (std::size_t i = 0; i < catalogue.size(); ++i)
        entries += (i == 0 ? "" : ", ") + std::string(catalogue[i].Folder) + "|" +
                   std::string(catalogue[i].Name) + " " + catalogue[i].SizeText();
    EXPECT_EQ(entries, c.catalogue);
    EXPECT_EQ(observer.trace, c.trace);
    EXPECT_EQ(static_cast<std::size_t>(walk.FilesAdded()), catalogue.size());
}

INSTANTIATE_TEST_SUITE_P(
    Walks, WalkTest,
    testing::Values(
        // Depth first, files before sub-folders; a pump before each file and after each sub-folder.
        WalkCase{"whole tree", "r", true, {}, {},
                 "r/|f1.txt 1, r/|f2.txt 2, r/A/|a3.txt 3, r/A/A1/|x4.txt 4, r/B/|b5.txt 5",
                 "log r, pump, add 1, pump, add 2, log r/A, pump, add 3, log r/A/A1, pump, add 4, "
                 "pump, pump, log r/B, pump, add 5, pump"},
        WalkCase{"without sub-folders", "r", false, {}, {}, "r/|f1.txt 1, r/|f2.txt 2",
                 "log r, pump, add 1, pump, add 2"},
        // A folder the enumeration refuses (already entered) is neither logged nor pumped.
        WalkCase{"refused folder", "r", true, {"r/A"}, {}, "r/|f1.txt 1, r/|f2.txt 2, r/B/|b5.txt 5",
                 "log r, pump, add 1, pump, add 2, log r/B, pump, add 3, pump"},
        WalkCase{"scan folder not opened", "gone", true, {}, {}, "", "log gone"},
        // The scan folder's listing is cut short and no sub-folder is looked at.
        WalkCase{"stop in the scan folder", "r", true, {}, {{2, true}}, "r/|f1.txt 1",
                 "log r, pump, add 1, pump"},
        // A's files and sub-folders are passed over; B is still logged and pumped.
        WalkCase{"stop in a sub-folder", "r", true, {}, {{3, true}}, "r/|f1.txt 1, r/|f2.txt 2",
                 "log r, pump, add 1, pump, add 2, log r/A, pump, pump, log r/B, pump, pump"},
        // Another key clears the flag in the pump after A: B is walked as usual.
        WalkCase{"stop cleared after a sub-folder", "r", true, {}, {{3, true}, {4, false}},
                 "r/|f1.txt 1, r/|f2.txt 2, r/B/|b5.txt 5",
                 "log r, pump, add 1, pump, add 2, log r/A, pump, pump, log r/B, pump, add 3, pump"},
        WalkCase{"stop set after a sub-folder", "r", true, {}, {{5, true}},
                 "r/|f1.txt 1, r/|f2.txt 2, r/A/|a3.txt 3, r/A/A1/|x4.txt 4",
                 "log r, pump, add 1, pump, add 2, log r/A, pump, add 3, log r/A/A1, pump, add 4, "
                 "pump, pump, log r/B, pump, pump"}));

}  // namespace
}  // namespace jumelix
