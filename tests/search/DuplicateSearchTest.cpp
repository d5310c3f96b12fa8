#include "DuplicateSearch.h"
#include "SearchTestSupport.h"

#include <gtest/gtest.h>

namespace jumelix::test {
namespace {

// The catalogue comes first so that it outlives the lists that read it.
struct Lists {
    Catalogue catalogue;
    ResultList upper;
    ResultList lower;
};

SearchOutcome Search(const std::vector<Entry>& entries, Lists& lists, SearchObserver& observer)
{
    Fill(lists.catalogue, entries);
    RunFlags flags{.SearchRunning = true};
    return RunDuplicateSearch(lists.catalogue, flags, observer, lists.upper, lists.lower);
}

struct PairCase {
    const char* what;
    std::vector<Entry> entries;
    std::vector<FlatRow> upper;
    std::vector<FlatRow> lower;
};

TEST(DuplicateSearchTest, ListsEveryPartnerOfEveryEntryInOrder)
{
    const std::vector<PairCase> cases = {
        {"two folders",
         {{"C:/X/", "a.txt", 10}, {"C:/Y/", "b.doc", 10}},
         {{"C:/Y/", "b.doc", 10}, {"C:/X/", "a.txt", 10}},
         {}},
        {"one folder",
         {{"C:/X/", "a.txt", 10}, {"C:/X/", "b.txt", 10}},
         {},
         {{"C:/X/", "b.txt", 10}, {"C:/X/", "a.txt", 10}}},
        {"three folders",
         {{"C:/X/", "f", 5}, {"C:/Y/", "f", 5}, {"C:/Z/", "f", 5}},
         {{"C:/Y/", "f", 5}, {"C:/Z/", "f", 5}, {"C:/X/", "f", 5}, {"C:/Z/", "f", 5},
          {"C:/X/", "f", 5}, {"C:/Y/", "f", 5}},
         {}},
        {"same name, other sizes", {{"C:/X/", "a.txt", 1}, {"C:/Y/", "a.txt", 2}}, {}, {}},
    };
    for (const PairCase& c : cases) {
        SCOPED_TRACE(c.what);
        Lists lists;
        SearchObserver quiet;
        EXPECT_EQ(Search(c.entries, lists, quiet), SearchOutcome::Completed);
        EXPECT_EQ(Rows(lists.upper), c.upper);
        EXPECT_EQ(Rows(lists.lower), c.lower);
    }
}

// The window may clear a list while the search pumps events; it must not
// come back to life with rows of that search.
TEST(DuplicateSearchTest, ListClearedDuringTheSearchStaysEmpty)
{
    struct Clearing : SearchObserver {
        ResultList* list = nullptr;
        int pumps = 0;
        void PumpEvents() override
        {
            if (++pumps == 2)
                list->Clear();
        }
    };
    Lists lists;
    Clearing observer;
    observer.list = &lists.upper;
    Search({{"C:/X/", "a", 1}, {"C:/Y/", "a", 1}, {"C:/X/", "b", 1}}, lists, observer);
    EXPECT_EQ(lists.upper.RowCount(), 0u);
    EXPECT_EQ(lists.lower.RowCount(), 2u);
}

TEST(DuplicateSearchTest, RowsOutsideTheListAreEmptyAndCannotBeEdited)
{
    Lists lists;
    SearchObserver quiet;
    Search({{"C:/X/", "a", 1}, {"C:/Y/", "b", 1}}, lists, quiet);
    lists.upper.SetFolder(2, "E/");
    EXPECT_EQ(Rows(lists.upper), (std::vector<FlatRow>{{"C:/Y/", "b", 1}, {"C:/X/", "a", 1}}));
    EXPECT_EQ(Flat(lists.upper.Row(2)), FlatRow{});
    EXPECT_EQ(Flat(ResultList().Row(0)), FlatRow{});
}

}  // namespace
}  // namespace jumelix::test
