// Seeded random catalogues: every row of both lists, in order, equals what
// the pairwise reference gives, through stops, sorts and edits.
#include "DuplicateSearch.h"
#include "ResultOrdering.h"
#include "SearchTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace jumelix::test {
namespace {

constexpr std::uint32_t kSeeds = 300;

// Few sizes, few folders and few names, so that every kind of pair is common;
// folders and names that differ only in case; some fixed shapes.
std::vector<Entry> RandomEntries(std::uint32_t seed)
{
    std::mt19937 random(seed);
    const auto pick = [&random](const std::vector<std::string>& pool, std::size_t count) {
        return pool[random() % std::min(count, pool.size())];
    };
    switch (seed) {
    case 0:
        return {};
    case 1:
        return {{"C:/X/", "a.txt", 10}};
    case 2:
        return std::vector<Entry>(6, {"C:/X/", "a.txt", 10});
    case 3:
        return {{"C:/X/", "a", 0}, {"C:/Y/", "a", 0}, {"C:/X/", "b", 0}, {"C:/Z/", "a", 0}};
    default:
        break;
    }
    const std::vector<std::string> folders{"C:/X/", "C:/Y/", "c:/x/", "C:/X/sub/"};
    const std::vector<std::string> names{"a.txt", "A.TXT", "b", "a.txt ", "B"};
    const std::vector<std::uint64_t> sizes{0, 10, 3'000'000'000ULL};
    const std::size_t folderCount = 1 + random() % folders.size();
    const std::size_t nameCount = 1 + random() % names.size();
    const std::size_t sizeCount = 1 + random() % sizes.size();
    std::vector<Entry> entries(random() % 40);
    for (Entry& e : entries)
        e = {pick(folders, folderCount), pick(names, nameCount), sizes[random() % sizeCount]};
    return entries;
}

// Records what the window would be told; runs a step at each pump.
class Recorder : public SearchObserver {
public:
    std::function<void(std::uint32_t outer)> onPump;
    std::function<void(std::uint32_t completed)> onCompleted;
    std::vector<std::int32_t> progress;
    std::vector<std::int32_t> completed;

    void PumpEvents() override
    {
        if (onPump)
            onPump(static_cast<std::uint32_t>(completed.size()));
    }
    void Progress(std::int32_t position) override { progress.push_back(position); }
    void OuterCompleted(std::int32_t count) override
    {
        completed.push_back(count);
        if (onCompleted)
            onCompleted(static_cast<std::uint32_t>(count));
    }
};

std::vector<std::int32_t> OneTo(std::size_t last)
{
    std::vector<std::int32_t> values(last);
    for (std::size_t k = 0; k < last; ++k)
        values[k] = static_cast<std::int32_t>(k + 1);
    return values;
}

TEST(SearchPropertyTest, CompletedSearchGivesThePairwiseRowsInOrder)
{
    for (std::uint32_t seed = 0; seed < kSeeds; ++seed) {
        SCOPED_TRACE(seed);
        const auto entries = RandomEntries(seed);
        const Reference reference(entries);
        Catalogue catalogue;
        Fill(catalogue, entries);
        RunFlags flags{.SearchRunning = true};
        Recorder recorder;
        ResultList upper;
        ResultList lower;

        EXPECT_EQ(RunDuplicateSearch(catalogue, flags, recorder, upper, lower),
                  SearchOutcome::Completed);
        EXPECT_FALSE(flags.SearchRunning);
        EXPECT_FALSE(flags.SearchStop);
        EXPECT_EQ(recorder.progress, OneTo(entries.size()));
        EXPECT_EQ(recorder.completed, OneTo(entries.size()));
        EXPECT_EQ(Rows(upper), Joined(reference.upperByOuter, 0, entries.size()));
        EXPECT_EQ(Rows(lower), Joined(reference.lowerByOuter, 0, entries.size()));
    }
}

TEST(SearchPropertyTest, InterruptedSearchKeepsTheRowsOfTheOuterEntriesBeforeTheStop)
{
    for (std::uint32_t seed = 1; seed < kSeeds; ++seed) {
        SCOPED_TRACE(seed);
        const auto entries = RandomEntries(seed);
        if (entries.empty())
            continue;
        const Reference reference(entries);
        Catalogue catalogue;
        Fill(catalogue, entries);
        const std::uint32_t stopAt = seed % entries.size();
        RunFlags flags{.SearchRunning = true};
        Recorder recorder;
        recorder.onPump = [&](std::uint32_t outer) { flags.SearchStop = outer == stopAt; };
        ResultList upper;
        ResultList lower;

        EXPECT_EQ(RunDuplicateSearch(catalogue, flags, recorder, upper, lower),
                  SearchOutcome::Interrupted);
        EXPECT_TRUE(flags.SearchRunning);
        EXPECT_TRUE(flags.SearchStop);
        EXPECT_EQ(recorder.progress, OneTo(stopAt + 1));
        EXPECT_EQ(recorder.completed, OneTo(stopAt));
        EXPECT_EQ(Rows(upper), Joined(reference.upperByOuter, 0, stopAt));
        EXPECT_EQ(Rows(lower), Joined(reference.lowerByOuter, 0, stopAt));
    }
}

// One list with the rows it should hold: rows in order until a sort, whose
// order the model then takes over once the rows are checked.
struct ModelledList {
    explicit ModelledList(const std::vector<std::vector<FlatRow>>& rowsByOuter)
        : byOuter(rowsByOuter)
    {
    }
    const std::vector<std::vector<FlatRow>>& byOuter;
    ResultList list;
    std::vector<FlatRow> model;
};

void ExpectSortedByClick(const ResultList& list, const ResultOrdering& ordering, int column)
{
    // The click flipped the column's flag after sorting, so rows in sorted
    // order now compare the other way round.
    for (std::uint64_t r = 0; r + 1 < list.RowCount(); ++r) {
        const ResultRow row1 = list.Row(r);
        const ResultRow row2 = list.Row(r + 1);
        ASSERT_GE(ordering.CompareRows(&row1, &row2, column - 1), 0) << "row " << r;
    }
}

// Does nothing, edits a row or clicks a column, then checks the list.
void RandomStep(ModelledList& m, ResultOrdering& ordering, std::mt19937& random, int& edits)
{
    ASSERT_EQ(Rows(m.list), m.model);
    const auto action = random() % 3;
    if (action == 1 && !m.model.empty()) {
        const std::uint64_t row = random() % m.model.size();
        const std::string folder = "E" + std::to_string(++edits) + "/";
        m.list.SetFolder(row, folder);
        m.model[row].folder = folder;
        ASSERT_EQ(Rows(m.list), m.model);
    } else if (action == 2) {
        const int column = static_cast<int>(random() % 3);
        ordering.ColumnClick(m.list, column);
        const auto rows = Rows(m.list);
        ASSERT_EQ(Sorted(rows), Sorted(m.model));
        ExpectSortedByClick(m.list, ordering, column);
        m.model = rows;
    }
}

TEST(SearchPropertyTest, SortsAndEditsDuringAndAfterTheSearchKeepEveryRow)
{
    for (std::uint32_t seed = 0; seed < kSeeds; ++seed) {
        SCOPED_TRACE(seed);
        const auto entries = RandomEntries(seed);
        const Reference reference(entries);
        Catalogue catalogue;
        Fill(catalogue, entries);
        ModelledList upper(reference.upperByOuter);
        ModelledList lower(reference.lowerByOuter);
        ResultOrdering ordering(CaseBlindCompare);
        std::mt19937 random(seed);
        int edits = 0;
        RunFlags flags{.SearchRunning = true};
        Recorder recorder;
        recorder.onPump = [&](std::uint32_t) {
            for (ModelledList* m : {&upper, &lower})
                RandomStep(*m, ordering, random, edits);
        };
        recorder.onCompleted = [&](std::uint32_t completed) {
            for (ModelledList* m : {&upper, &lower}) {
                const auto& added = m->byOuter[completed - 1];
                m->model.insert(m->model.end(), added.begin(), added.end());
            }
        };

        RunDuplicateSearch(catalogue, flags, recorder, upper.list, lower.list);
        for (int step = 0; step < 6; ++step) {
            for (ModelledList* m : {&upper, &lower})
                RandomStep(*m, ordering, random, edits);
        }
        EXPECT_EQ(Rows(upper.list), upper.model);
        EXPECT_EQ(Rows(lower.list), lower.model);
    }
}

// n equal files in n folders: row r lists partner r % (n-1) of outer entry
// r / (n-1), skipping the outer entry itself. More rows than 32 bits count.
TEST(SearchPropertyTest, RowsOfAListLongerThan32BitsAreWorkedOutExactly)
{
    constexpr std::uint32_t n = 66'000;
    Catalogue catalogue;
    std::vector<std::string> folders;
    for (std::uint32_t i = 0; i < n; ++i) {
        folders.push_back("/e/" + std::to_string(i) + "/");
        catalogue.Append(catalogue.AddFolder(folders.back()), "same.bin", 7);
    }
    RunFlags flags;
    SearchObserver quiet;
    ResultList upper;
    ResultList lower;
    RunDuplicateSearch(catalogue, flags, quiet, upper, lower);
    const std::uint64_t perOuter = n - 1;
    ASSERT_EQ(upper.RowCount(), std::uint64_t{n} * perOuter);
    EXPECT_EQ(lower.RowCount(), 0u);

    std::mt19937_64 random(7);
    std::vector<std::uint64_t> rows{0, upper.RowCount() - 1, (std::uint64_t{1} << 32) + 5};
    for (int k = 0; k < 200; ++k)
        rows.push_back(random() % upper.RowCount());
    for (const std::uint64_t r : rows) {
        const std::uint64_t outer = r / perOuter;
        const std::uint64_t rank = r % perOuter;
        EXPECT_EQ(upper.Row(r).Folder, folders[rank < outer ? rank : rank + 1]) << "row " << r;
    }

    ResultOrdering ordering([](std::string_view a, std::string_view b) { return a.compare(b); });
    ordering.ColumnClick(upper, 0);
    std::sort(folders.begin(), folders.end());
    ASSERT_EQ(upper.RowCount(), std::uint64_t{n} * perOuter);
    for (const std::uint64_t r : rows)
        EXPECT_EQ(upper.Row(r).Folder, folders[r / perOuter]) << "row " << r;
}

}  // namespace
}  // namespace jumelix::test
