// The duplicate search, its result lists and their ordering: seeded random
// catalogues checked row by row against a pairwise reference through stops,
// sorts and edits, then exact cases.
#include "search/ContentSearch.h"
#include "search/DuplicateSearch.h"
#include "search/ResultOrdering.h"
#include "tests/TempFolderTest.h"

#include <gtest/gtest.h>

#include <strings.h>

#include <algorithm>
#include <array>
#include <compare>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <ranges>
#include <string>
#include <utility>
#include <vector>

namespace jumelix {
namespace {

// A catalogue entry or a list row as plain values, comparable and printable;
// a row also carries its origin, as catalogue numbers.
struct Flat {
    std::string folder;
    std::string name;
    std::uint64_t size = 0;
    RowOrigin origin{};
    std::strong_ordering operator<=>(const Flat&) const = default;
};

void PrintTo(const Flat& row, std::ostream* out)
{
    *out << row.folder << '|' << row.name << '|' << row.size << '|' << row.origin.Entry << '<'
         << row.origin.Outer;
}

// Also checks that a row past the end reads as an empty row with no origin,
// and that each row is found again from its origin.
std::vector<Flat> Rows(const ResultList& list)
{
    std::vector<Flat> rows;
    for (std::uint64_t r = 0; r <= list.RowCount(); ++r) {
        const ResultRow row = list.Row(r);
        rows.push_back({row.Folder, std::string(row.Name), row.Size, list.OriginOf(r).value_or(RowOrigin{})});
        if (r < list.RowCount()) {
            EXPECT_EQ(list.RowOf(rows.back().origin), r);
        }
    }
    EXPECT_EQ(rows.back(), Flat{});
    EXPECT_FALSE(list.OriginOf(list.RowCount()));
    rows.pop_back();
    return rows;
}

// A catalogue and its two lists; the catalogue is declared first so that it
// outlives the lists that read it.
struct Searched {
    Catalogue catalogue;
    ResultList upper;
    ResultList lower;
    RunFlags flags{.SearchRunning = true};

    explicit Searched(const std::vector<Flat>& entries)
    {
        for (const Flat& e : entries)
            catalogue.Append(catalogue.AddFolder(e.folder), e.name, e.size);
    }
    SearchOutcome Run(SearchObserver* observer = nullptr)
    {
        SearchObserver quiet;
        return RunDuplicateSearch(catalogue, flags, observer ? *observer : quiet, upper, lower);
    }
};

// Records what the window would be told, and runs steps of the test's own.
struct Recorder : SearchObserver {
    std::function<void()> onPump = [] {};
    std::function<void()> onCompleted = [] {};
    std::vector<std::int32_t> progress;
    std::vector<std::int32_t> completed;
    void PumpEvents() override { onPump(); }
    void Progress(std::int32_t position) override { progress.push_back(position); }
    void OuterCompleted(std::int32_t count) override
    {
        completed.push_back(count);
        onCompleted();
    }
};

// Stands in for the locale's comparison: names that differ only in letter case tie.
int CaseBlindCompare(std::string_view a, std::string_view b)
{
    return ::strcasecmp(std::string(a).c_str(), std::string(b).c_str());
}

constexpr std::uint32_t kSeeds = 300;

// Few sizes, folders and names, so that every kind of pair is common, and
// folders and names that differ only in case; some seeds give no entry, one
// entry, or entries all equal.
std::vector<Flat> RandomEntries(std::uint32_t seed)
{
    std::mt19937 random(seed);
    const std::vector<std::string> folders{"C:/X/", "C:/Y/", "c:/x/", "C:/X/sub/"};
    const std::vector<std::string> names{"a.txt", "A.TXT", "b", "a.txt ", "B"};
    const std::vector<std::uint64_t> sizes{0, 10, 3'000'000'000ULL};
    const std::size_t folderCount = 1 + random() % folders.size();
    const std::size_t nameCount = 1 + random() % names.size();
    const std::size_t sizeCount = 1 + random() % sizes.size();
    std::vector<Flat> entries(random() % 40);
    for (Flat& e : entries)
        e = {folders[random() % folderCount], names[random() % nameCount], sizes[random() % sizeCount]};
    return entries;
}

// The search as plainly as it can be written: the upper and lower rows that
// the outer entries first..last-1 give, every pair in order.
std::array<std::vector<Flat>, 2> Pairwise(const std::vector<Flat>& entries, std::size_t first,
                                          std::size_t last)
{
    std::array<std::vector<Flat>, 2> rows;
    for (std::size_t k = first; k < last; ++k) {
        const Flat& i = entries[k];
        for (std::size_t m = 0; m < entries.size(); ++m) {
            Flat j = entries[m];
            j.origin = {static_cast<std::uint32_t>(m), static_cast<std::uint32_t>(k)};
            if (j.size == i.size && j.folder != i.folder)
                rows[0].push_back(j);
            else if (j.size == i.size && j.folder == i.folder && j.name != i.name)
                rows[1].push_back(j);
        }
    }
    return rows;
}

// Each row's mirror lists its double for its entry, once the search has
// appended it; the unedited copies of an entry keep their doubles' order.
void CheckMirrors(const ResultList& list, const std::vector<Flat>& rows, std::uint32_t completed)
{
    std::map<std::uint32_t, std::uint32_t> lastDouble;
    for (std::uint64_t r = 0; r < rows.size(); ++r) {
        const RowOrigin origin = rows[r].origin;
        const std::uint64_t mirror = list.MirrorOf(r);
        if (origin.Entry < completed)
            ASSERT_EQ(mirror < rows.size() ? rows[mirror].origin : RowOrigin{}, (RowOrigin{origin.Outer, origin.Entry}));
        else
            ASSERT_EQ(mirror, ResultList::kNoRow);
        if (rows[r].folder.starts_with('E'))
            continue;  // an edited row
        const auto last = lastDouble.find(origin.Entry);
        ASSERT_TRUE(last == lastDouble.end() || last->second < origin.Outer) << "row " << r;
        lastDouble[origin.Entry] = origin.Outer;
    }
}

// At every pump each list takes a random step: nothing, an edit of a row (or
// of one past the end, which is ignored) or a column click that follows a row.
// It must hold its model before and after: the pairwise rows of the outer
// entries completed, each with its origin, with the edits made, in the order
// of the last sort once that order is checked.
void RandomStep(ResultList& list, std::vector<Flat>& model, ResultOrdering& ordering, std::mt19937& random,
                std::uint32_t completed)
{
    ASSERT_EQ(Rows(list), model);
    CheckMirrors(list, model, completed);
    const auto action = random() % 3;
    if (action == 1) {
        const std::uint64_t row = random() % (model.size() + 1);
        const std::string folder = "E" + std::to_string(random()) + "/";
        list.SetFolder(row, folder);
        if (row < model.size())
            model[row].folder = folder;
        ASSERT_EQ(Rows(list), model);
    } else if (action == 2) {
        const auto column = static_cast<Column>(random() % ColumnCount);
        const std::uint64_t followed = random() % (model.size() + 1);
        const std::uint64_t moved = ordering.ColumnClick(list, column, followed);
        auto before = std::exchange(model, Rows(list));
        // The followed row is still the same file; one past the end stays put.
        if (followed < before.size())
            ASSERT_EQ(model.at(moved), before[followed]);
        else
            ASSERT_EQ(moved, followed);
        auto after = model;
        std::ranges::sort(before);
        std::ranges::sort(after);
        ASSERT_EQ(after, before);
        // The click flipped the column's flag after sorting, so rows in
        // sorted order now compare the other way round.
        for (std::uint64_t r = 0; r + 1 < model.size(); ++r) {
            const ResultRow row1 = list.Row(r);
            const ResultRow row2 = list.Row(r + 1);
            ASSERT_GE(ordering.CompareRows(&row1, &row2, column - 1), 0) << "row " << r;
        }
    }
}

TEST(SearchPropertyTest, ListsHoldThePairwiseRowsThroughStopsSortsAndEdits)
{
    for (std::uint32_t seed = 0; seed < kSeeds; ++seed) {
        const auto entries = RandomEntries(seed);
        const std::size_t n = entries.size();
        const std::size_t stopAt = seed % 2 == 0 ? n : seed % (n + 1);
        SCOPED_TRACE(testing::Message() << "seed " << seed << " stop at " << stopAt);
        Searched s(entries);
        const std::array<ResultList*, 2> lists{&s.upper, &s.lower};
        std::array<std::vector<Flat>, 2> models;
        ResultOrdering ordering(CaseBlindCompare);
        std::mt19937 random(seed);
        Recorder recorder;
        const auto stepBoth = [&] {
            for (int side = 0; side < 2; ++side)
                RandomStep(*lists[side], models[side], ordering, random,
                           static_cast<std::uint32_t>(recorder.completed.size()));
        };
        recorder.onPump = [&] {
            stepBoth();
            s.flags.SearchStop = recorder.completed.size() == stopAt;
        };
        recorder.onCompleted = [&] {
            const auto added = Pairwise(entries, recorder.completed.size() - 1, recorder.completed.size());
            for (int side = 0; side < 2; ++side)
                models[side].insert(models[side].end(), added[side].begin(), added[side].end());
        };
        const bool stops = stopAt < n;
        EXPECT_EQ(s.Run(&recorder), stops ? SearchOutcome::Interrupted : SearchOutcome::Completed);
        EXPECT_EQ(s.flags.SearchRunning, stops);
        EXPECT_EQ(s.flags.SearchStop, stops);
        const auto oneTo = [](std::size_t k) { return std::views::iota(1, static_cast<int>(k) + 1); };
        EXPECT_TRUE(std::ranges::equal(recorder.progress, oneTo(stops ? stopAt + 1 : n)));
        EXPECT_TRUE(std::ranges::equal(recorder.completed, oneTo(stopAt)));
        for (int step = 0; step < 6; ++step)
            stepBoth();
    }
}

// Exact cases, where random catalogues cannot pin the result down.

// Clicks on result lists, then one column of one list as runs of equal
// values: a sort keeps all the rows (the property test checks that), so the
// runs pin their order.
TEST(SearchCaseTest, ColumnClicksSortByTrueValueAlternateAndKeepTiesInCatalogueOrder)
{
    enum { Upper, Lower, Unsearched };
    struct Case {
        const char* what;
        std::vector<Flat> entries;
        std::vector<std::pair<int, int>> clicks;  // list, column
        int list, column;                         // to read
        std::vector<std::string> runs;
    };
    // Each size in two folders: as digit texts 900 would lead; as 32-bit or
    // signed numbers the sizes of 2 GiB and more would go below the others.
    std::vector<Flat> sized;
    for (const std::uint64_t size : {900ULL, 4'294'967'296ULL, 10ULL, 18'446'744'073'709'551'615ULL,
                                     2'147'483'647ULL, 5000ULL})
        sized.insert(sized.end(), {{"C:/X/", "f", size}, {"C:/Y/", "f", size}});
    const std::vector<std::string> largestFirst{"18446744073709551615", "4294967296", "2147483647", "5000", "900", "10"};
    // 20 equal files in 20 folders, whose partners come in search order from /d1/.
    std::vector<Flat> equal;
    std::vector<std::string> folders;
    for (int d = 0; d < 20; ++d) {
        folders.push_back("/d" + std::to_string(d) + "/");
        equal.push_back({folders.back(), "same", 7});
    }
    const std::vector<Flat> names{{"C:/X/", "b", 1}, {"C:/Y/", "c", 1}, {"C:/X/", "a", 1}, {"C:/X/", "c", 1}};
    const std::vector<Case> cases = {
        {"sizes, largest first", sized, {{Upper, 2}}, Upper, 2, largestFirst},
        {"sizes, then smallest first", sized, {{Upper, 2}, {Upper, 2}}, Upper, 2,
         {largestFirst.rbegin(), largestFirst.rend()}},
        {"ties in catalogue order", equal, {{Upper, 2}}, Upper, 0, folders},
        {"a click on an empty list flips its column too", names, {{Unsearched, 1}, {Upper, 1}}, Upper, 1,
         {"c", "b", "a"}},
        {"the other list goes on alternating", names, {{Upper, 1}, {Lower, 1}}, Lower, 1, {"c", "b", "a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Searched s(c.entries);
        s.Run();
        ResultList unsearched;
        const std::array<ResultList*, 3> lists{&s.upper, &s.lower, &unsearched};
        ResultOrdering ordering(CaseBlindCompare);
        for (const auto& [list, column] : c.clicks)
            ordering.ColumnClick(*lists[list], static_cast<Column>(column));
        std::vector<std::string> runs;
        for (const Flat& row : Rows(*lists[c.list])) {
            runs.push_back(c.column == 0 ? row.folder : c.column == 1 ? row.name : DecimalText(row.size));
            if (runs.size() > 1 && runs.back() == runs[runs.size() - 2])
                runs.pop_back();
        }
        EXPECT_EQ(runs, c.runs);
    }
}

// n equal files in n folders: row r lists partner r % (n-1) of outer entry
// r / (n-1), skipping the outer entry itself; once sorted by folder, row r
// lists the (r / (n-1))-th folder.
TEST(SearchCaseTest, RowsOfAListLongerThan32BitsAreWorkedOutExactly)
{
    constexpr std::uint64_t n = 66'000;
    std::vector<Flat> entries;
    for (std::uint64_t i = 0; i < n; ++i)
        entries.push_back({"/e/" + std::to_string(i) + "/", "same.bin", 7});
    Searched s(entries);
    s.Run();
    ASSERT_EQ(s.upper.RowCount(), n * (n - 1));
    std::mt19937_64 random(7);
    std::vector<std::uint64_t> rows{0, s.upper.RowCount() - 1, (std::uint64_t{1} << 32) + 5};
    for (int k = 0; k < 200; ++k)
        rows.push_back(random() % s.upper.RowCount());
    for (const std::uint64_t r : rows) {
        const std::uint64_t outer = r / (n - 1), rank = r % (n - 1);
        EXPECT_EQ(s.upper.Row(r).Folder, entries[rank < outer ? rank : rank + 1].folder) << "row " << r;
    }
    ResultOrdering ordering([](std::string_view a, std::string_view b) { return a.compare(b); });
    ordering.ColumnClick(s.upper, FolderColumn);
    std::ranges::sort(entries);
    for (const std::uint64_t r : rows)
        EXPECT_EQ(s.upper.Row(r).Folder, entries[r / (n - 1)].folder) << "row " << r;
}

using ContentSearchTest = TempFolderTest;

// By contents, on a real tree: copies in two folders and under another name in one; a file of
// their size one byte apart, a hard link to one of them, empty files and a file whose size
// changed since the walk, none of them listed nor anyone's double. The rows come by outer
// entry, then by the listed one, in catalogue order; the summary tells what was left out.
// A stop in the first event pass lists no row whose pair was not compared.
TEST_F(ContentSearchTest, ListsOnlyFilesWhoseBytesAreTheSame)
{
    namespace fs = std::filesystem;
    const std::string bytes(20'000, 'j');
    for (const char* path : {"X/a", "X/b", "Y/a", "Z/c", "U/u", "E/e1", "E/e2"}) {
        fs::create_directories(fs::path(path).parent_path());
        const std::string made = path[0] == 'E' ? "" : path[0] == 'Z' ? bytes.substr(1) + 'k' : bytes;
        std::ofstream(path, std::ios::binary) << made << (path[0] == 'U' ? "!" : "");
    }
    fs::create_hard_link("X/a", "X/h");
    const std::string x = root_ + "/X/", y = root_ + "/Y/";
    Searched s({{x, "a", 20000}, {root_ + "/Z/", "c", 20000}, {x, "b", 20000}, {x, "h", 20000}, {y, "a", 20000},
                {root_ + "/E/", "e1", 0}, {root_ + "/E/", "e2", 0}, {root_ + "/U/", "u", 20000}});
    ContentSummary summary;
    SearchObserver quiet;
    EXPECT_EQ(RunContentSearch(s.catalogue, s.flags, quiet, s.upper, s.lower, summary), SearchOutcome::Completed);
    EXPECT_EQ(Rows(s.upper), (std::vector<Flat>{{y, "a", 20000, {4, 0}}, {y, "a", 20000, {4, 2}},
                                                {x, "a", 20000, {0, 4}}, {x, "b", 20000, {2, 4}}}));
    EXPECT_EQ(Rows(s.lower), (std::vector<Flat>{{x, "b", 20000, {2, 0}}, {x, "a", 20000, {0, 2}}}));
    EXPECT_TRUE(s.upper.ByContents());
    EXPECT_FALSE(s.flags.SearchRunning || s.flags.SearchStop);
    const auto figures = {summary.Candidates, summary.DuplicateFiles, summary.DuplicateBytes, summary.Empty,
                          summary.Unreadable, summary.Links};
    EXPECT_EQ(std::vector<std::uint64_t>(figures), (std::vector<std::uint64_t>{6, 3, 40000, 2, 1, 1}));

    s.flags.SearchRunning = true;
    Recorder stopper;
    stopper.onPump = [&s] { s.flags.SearchStop = true; };
    const ContentOptions byteByByte{.FirstBlockBytes = 1, .BufferBytes = 3};  // slow enough to be stopped
    EXPECT_EQ(RunContentSearch(s.catalogue, s.flags, stopper, s.upper, s.lower, summary, byteByByte),
              SearchOutcome::Interrupted);
    EXPECT_TRUE(s.flags.SearchRunning && s.flags.SearchStop);
    for (const ResultList* list : {&s.upper, &s.lower}) {
        for (const Flat& row : Rows(*list))
            EXPECT_TRUE(row.origin.Entry != 1 && row.origin.Entry != 3 && row.origin.Outer != 1 && row.origin.Outer != 3);
    }
}

}  // namespace
}  // namespace jumelix
