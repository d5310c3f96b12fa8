#include "FileEnumeration.h"
#include "Walk.h"
#include "Wildcard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace jumelix {
namespace {

// An in-memory file system with a fixed enumeration order.
class FakeEnumeration final : public FileEnumeration {
public:
    struct Folder {
        std::vector<std::pair<std::string, std::uint64_t>> files;
        std::vector<std::string> folders;
    };
    std::map<std::string, Folder> tree;
    std::set<std::string> alreadyEntered;

    bool EnterRoot(std::string_view path) override
    {
        current_ = {std::string(path)};
        return tree.contains(current_.back());
    }
    bool EnterChild(std::string_view name) override
    {
        const std::string child = current_.back() + "/" + std::string(name);
        if (alreadyEntered.contains(child))
            return false;
        current_.push_back(child);
        return true;
    }
    void Leave() override { current_.pop_back(); }
    void List(const Wildcard& filter, FolderListing& listing) override
    {
        const Folder& folder = tree.at(current_.back());
        listing.Files.clear();
        for (const auto& [name, size] : folder.files) {
            if (filter.Matches(name))
                listing.Files.push_back(name);
        }
        listing.Folders = folder.folders;
    }
    std::uint64_t FileSize(std::string_view name) override
    {
        for (const auto& [fileName, size] : tree.at(current_.back()).files) {
            if (fileName == name)
                return size;
        }
        return 0;
    }

private:
    std::vector<std::string> current_;
};

// Records what the window would see, and plays the key handler: at the
// pumps numbered in `stopAtPump` it sets or clears the stop flag.
class TraceObserver final : public WalkObserver {
public:
    explicit TraceObserver(RunFlags& flags) : flags_(flags) {}
    void EntryAdded(std::int32_t filesAdded) override { trace.push_back("add " + std::to_string(filesAdded)); }
    void FolderEntered(std::string_view folder) override { trace.push_back("log " + std::string(folder)); }
    void PumpEvents() override
    {
        trace.push_back("pump");
        if (const auto action = stopAtPump.find(++pumps_); action != stopAtPump.end())
            flags_.WalkStop = action->second;
    }
    std::vector<std::string> trace;
    std::map<int, bool> stopAtPump;

private:
    RunFlags& flags_;
    int pumps_ = 0;
};

class WalkOrderTest : public testing::Test {
protected:
    WalkOrderTest()
    {
        files_.tree["r"] = {{{"f1.txt", 1}, {"skip.doc", 9}, {"f2.txt", 2}}, {"A", "B"}};
        files_.tree["r/A"] = {{{"a1.txt", 3}}, {"A1"}};
        files_.tree["r/A/A1"] = {{{"x.txt", 4}}, {}};
        files_.tree["r/B"] = {{{"b1.txt", 5}}, {}};
    }

    std::vector<std::string> Walk(bool recurse = true)
    {
        FolderWalk walk(files_, catalogue_, flags_, observer_);
        walk.ScanFolder("r", "*.txt", 0, recurse);
        EXPECT_EQ(static_cast<std::size_t>(walk.FilesAdded()), catalogue_.size());
        std::vector<std::string> entries;
        for (std::size_t i = 0; i < catalogue_.size(); ++i) {
            const CatalogueEntry e = catalogue_[i];
            entries.push_back(std::string(e.Folder) + std::string(e.Name) + " " + e.SizeText());
        }
        return entries;
    }

    FakeEnumeration files_;
    Catalogue catalogue_;
    RunFlags flags_;
    TraceObserver observer_{flags_};
};

TEST_F(WalkOrderTest, DepthFirstPreOrderWithOnePumpPerFileAndPerSubFolder)
{
    EXPECT_EQ(Walk(), (std::vector<std::string>{"r/f1.txt 1", "r/f2.txt 2", "r/A/a1.txt 3",
                                                "r/A/A1/x.txt 4", "r/B/b1.txt 5"}));
    EXPECT_EQ(observer_.trace,
              (std::vector<std::string>{"log r", "pump", "add 1", "pump", "add 2",  //
                                        "log r/A", "pump", "add 3",                  //
                                        "log r/A/A1", "pump", "add 4", "pump",       //
                                        "pump",                                      // after A
                                        "log r/B", "pump", "add 5", "pump"}));
}

TEST_F(WalkOrderTest, WithoutSubFoldersOnlyTheScanFolderIsListedAndLogged)
{
    EXPECT_EQ(Walk(false), (std::vector<std::string>{"r/f1.txt 1", "r/f2.txt 2"}));
    EXPECT_EQ(observer_.trace,
              (std::vector<std::string>{"log r", "pump", "add 1", "pump", "add 2"}));
}

TEST_F(WalkOrderTest, AFolderAlreadyEnteredIsNeitherLoggedNorPumped)
{
    files_.alreadyEntered = {"r/A"};
    EXPECT_EQ(Walk(), (std::vector<std::string>{"r/f1.txt 1", "r/f2.txt 2", "r/B/b1.txt 5"}));
    EXPECT_EQ(observer_.trace,
              (std::vector<std::string>{"log r", "pump", "add 1", "pump", "add 2", "log r/B",
                                        "pump", "add 3", "pump"}));
}

TEST_F(WalkOrderTest, AScanFolderThatCannotBeOpenedIsLoggedAndGivesNothing)
{
    files_.tree.erase("r");
    EXPECT_TRUE(Walk().empty());
    EXPECT_EQ(observer_.trace, (std::vector<std::string>{"log r"}));
}

struct StopCase {
    const char* what;
    std::map<int, bool> stopAtPump;
    std::vector<std::string> entries;
    std::vector<std::string> trace;
};

void PrintTo(const StopCase& c, std::ostream* os)
{
    *os << c.what;
}

class WalkStopCases : public WalkOrderTest, public testing::WithParamInterface<StopCase> {};

TEST_P(WalkStopCases, AddsNothingWhileTheStopIsSet)
{
    observer_.stopAtPump = GetParam().stopAtPump;
    EXPECT_EQ(Walk(), GetParam().entries);
    EXPECT_EQ(observer_.trace, GetParam().trace);
}

INSTANTIATE_TEST_SUITE_P(
    StopPoints, WalkStopCases,
    testing::Values(
        // The scan folder's listing is cut short and no sub-folder is looked at.
        StopCase{"in the scan folder", {{2, true}}, {"r/f1.txt 1"},
                 {"log r", "pump", "add 1", "pump"}},
        // A's listing and sub-folders are passed over; B is still logged and
        // pumped once at its first file.
        StopCase{"in a sub-folder",
                 {{3, true}},
                 {"r/f1.txt 1", "r/f2.txt 2"},
                 {"log r", "pump", "add 1", "pump", "add 2", "log r/A", "pump", "pump", "log r/B",
                  "pump", "pump"}},
        // Another key clears the flag in the pump after A: B is walked as usual.
        StopCase{"cleared after a sub-folder",
                 {{3, true}, {4, false}},
                 {"r/f1.txt 1", "r/f2.txt 2", "r/B/b1.txt 5"},
                 {"log r", "pump", "add 1", "pump", "add 2", "log r/A", "pump", "pump", "log r/B",
                  "pump", "add 3", "pump"}},
        // Set in the pump after A1: A has nothing left, B adds nothing.
        StopCase{"after a sub-folder",
                 {{5, true}},
                 {"r/f1.txt 1", "r/f2.txt 2", "r/A/a1.txt 3", "r/A/A1/x.txt 4"},
                 {"log r", "pump", "add 1", "pump", "add 2", "log r/A", "pump", "add 3",
                  "log r/A/A1", "pump", "add 4", "pump", "pump", "log r/B", "pump", "pump"}}),
    [](const testing::TestParamInfo<StopCase>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST_F(WalkOrderTest, StopInALargeFolderKeepsTheCountEqualToTheCatalogue)
{
    auto& root = files_.tree["r"];
    for (int i = 0; i < 1000; ++i)
        root.files.emplace_back("n" + std::to_string(i) + ".txt", i);
    observer_.stopAtPump = {{400, true}};
    EXPECT_EQ(Walk().size(), 399u);
    EXPECT_EQ(observer_.trace.back(), "pump");
    EXPECT_EQ(std::count(observer_.trace.begin(), observer_.trace.end(), "log r"), 1);
    EXPECT_EQ(observer_.trace.size(), 1 + 399 * 2 + 1);
}

}  // namespace
}  // namespace jumelix
