#include "DuplicateSearch.h"
#include "ResultOrdering.h"
#include "SearchTestSupport.h"

#include <gtest/gtest.h>

#include <optional>

namespace jumelix::test {
namespace {

// Searched lists over a catalogue that outlives them.
struct Lists {
    Catalogue catalogue;
    ResultList upper;
    ResultList lower;

    explicit Lists(const std::vector<Entry>& entries)
    {
        Fill(catalogue, entries);
        RunFlags flags;
        SearchObserver quiet;
        RunDuplicateSearch(catalogue, flags, quiet, upper, lower);
    }
};

// Each size twice, in two folders, so that each stands twice in the upper list.
std::vector<Entry> InTwoFolders(const std::vector<std::uint64_t>& sizes)
{
    std::vector<Entry> entries;
    for (const std::uint64_t size : sizes) {
        entries.push_back({"C:/X/", "f" + std::to_string(size), size});
        entries.push_back({"C:/Y/", "f" + std::to_string(size), size});
    }
    return entries;
}

std::vector<std::uint64_t> Sizes(const ResultList& list)
{
    std::vector<std::uint64_t> sizes;
    for (const FlatRow& row : Rows(list))
        sizes.push_back(row.size);
    return sizes;
}

TEST(ResultOrderingTest, SizeColumnPutsTheLargestFirstThenTheSmallest)
{
    struct Case {
        std::vector<std::uint64_t> sizes;
        std::vector<std::uint64_t> firstClick;
    };
    const std::vector<Case> cases = {
        {{900, 10, 5000}, {5000, 5000, 900, 900, 10, 10}},
        {{300'000'000, 3'000'000'000ULL, 2'147'483'647, 2'147'483'648ULL, 18'446'744'073'709'551'615ULL},
         {18'446'744'073'709'551'615ULL, 18'446'744'073'709'551'615ULL, 3'000'000'000ULL,
          3'000'000'000ULL, 2'147'483'648ULL, 2'147'483'648ULL, 2'147'483'647, 2'147'483'647,
          300'000'000, 300'000'000}},
    };
    for (const Case& c : cases) {
        Lists lists(InTwoFolders(c.sizes));
        ResultOrdering ordering(CaseBlindCompare);
        ordering.ColumnClick(lists.upper, 2);
        EXPECT_EQ(ordering.Kind(), SortKind::Integer);
        EXPECT_TRUE(ordering.Descending(2));
        EXPECT_EQ(Sizes(lists.upper), c.firstClick);
        ordering.ColumnClick(lists.upper, 2);
        EXPECT_FALSE(ordering.Descending(2));
        EXPECT_EQ(Sizes(lists.upper), std::vector(c.firstClick.rbegin(), c.firstClick.rend()));
    }
}

TEST(ResultOrderingTest, SortingAnEmptyListStillFlipsTheColumnFlag)
{
    Lists searchedEmpty({{"C:/X/", "only", 3}});
    ResultList neverSearched;
    ResultOrdering ordering(CaseBlindCompare);
    ordering.ColumnClick(searchedEmpty.upper, 0);
    EXPECT_TRUE(ordering.Descending(0));
    ordering.ColumnClick(neverSearched, 0);
    EXPECT_FALSE(ordering.Descending(0));
    EXPECT_EQ(searchedEmpty.upper.RowCount(), 0u);
    EXPECT_EQ(neverSearched.RowCount(), 0u);
}

// Both lists share the flag of each column index.
TEST(ResultOrderingTest, NameColumnOfTheOtherListContinuesTheAlternation)
{
    Lists lists({{"C:/X/", "b", 1}, {"C:/Y/", "c", 1}, {"C:/X/", "a", 1}, {"C:/X/", "c", 1}});
    ResultOrdering ordering(CaseBlindCompare);
    ordering.ColumnClick(lists.upper, 1);
    ordering.ColumnClick(lists.lower, 1);
    EXPECT_EQ(ordering.Kind(), SortKind::Text);
    std::vector<std::string> names;
    for (const FlatRow& row : Rows(lists.lower))
        names.push_back(row.name);
    EXPECT_EQ(names, (std::vector<std::string>{"c", "c", "b", "b", "a", "a"}));
}

TEST(ResultOrderingTest, CompareRowsFollowsTheModeTheColumnAndItsFlag)
{
    struct Case {
        const char* what;
        int clickedColumn;  // sets the mode; -1 for none
        ResultRow row1;
        ResultRow row2;
        int parameter;
        int expected;
    };
    const std::vector<Case> cases = {
        {"folders as text", -1, {"a/", "z", 1}, {"B/", "a", 1}, -1, -1},
        {"names as text", -1, {"a/", "z", 1}, {"B/", "a", 1}, 0, 1},
        {"sizes as text are digit texts", -1, {"a/", "z", 10}, {"a/", "z", 9}, 1, -1},
        {"sizes as numbers, flag flipped", 2, {"a/", "z", 10}, {"a/", "z", 9}, 1, 1},
        {"folders as numbers", 2, {"12", "z", 1}, {"9", "z", 1}, -1, -1},
        {"a text that is no number counts as 0", 2, {"x/", "z", 1}, {"5", "z", 1}, -1, 1},
        {"two texts that are no numbers tie", 2, {"x/", "z", 1}, {"y/", "z", 1}, -1, 0},
        {"text after a number click, flag clear", 2, {"x/", "b", 1}, {"y/", "a", 1}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResultOrdering ordering(CaseBlindCompare);
        ResultList empty;
        if (c.clickedColumn >= 0)
            ordering.ColumnClick(empty, c.clickedColumn);
        EXPECT_EQ(ordering.CompareRows(&c.row1, &c.row2, c.parameter), c.expected);
        EXPECT_EQ(ordering.CompareRows(&c.row2, &c.row1, c.parameter), -c.expected);
        EXPECT_EQ(ordering.CompareRows(nullptr, &c.row2, c.parameter), 0);
        EXPECT_EQ(ordering.CompareRows(&c.row1, nullptr, c.parameter), 0);
    }
}

TEST(ResultOrderingTest, ParseSizeTakesPlainDecimalDigitsThatFit)
{
    const std::vector<std::pair<std::string_view, std::optional<std::uint64_t>>> cases = {
        {"0", 0},
        {"5000", 5000},
        {"3000000000", 3'000'000'000ULL},
        {"18446744073709551615", 18'446'744'073'709'551'615ULL},
        {"18446744073709551616", std::nullopt},
        {"", std::nullopt},
        {"12a", std::nullopt},
        {"-1", std::nullopt},
        {"+1", std::nullopt},
        {" 1", std::nullopt},
        {"0x10", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParseSize(text), expected) << text;
}

}  // namespace
}  // namespace jumelix::test
