#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace jumelix {

class SizeGroups;
enum class ListSide : std::uint8_t;

// One row of a result list: a copy of a catalogue entry. Its Folder can be
// edited in place, so it is held as text of its own.
struct ResultRow {
    std::string Folder;
    std::string_view Name;
    std::uint64_t Size = 0;
};

// A row's texts without copies, for comparisons while sorting.
struct RowView {
    std::string_view Folder;
    std::string_view Name;
    std::uint64_t Size = 0;
};

// The locale-aware text comparison, handed in by the window:
// negative, zero or positive like strcmp.
using TextCompare = std::function<int(std::string_view, std::string_view)>;

// A result list ("Noms identiques" or "Tailles identiques"). Its rows are not
// stored one by one: they are worked out on demand from the catalogue's size
// groups, so a list of a billion rows costs memory with the catalogue only.
// Row numbers are 64-bit: a list can hold more rows than a 32-bit count.
//
// A list reads the catalogue whenever a row is asked for, and rows hand out
// names that point into the catalogue: clear the lists before the catalogue is
// cleared or refilled.
class ResultList {
public:
    ResultList();
    ~ResultList();
    ResultList(const ResultList&) = delete;
    ResultList& operator=(const ResultList&) = delete;

    std::uint64_t RowCount() const;
    // An empty row when `row` is not below RowCount().
    ResultRow Row(std::uint64_t row) const;
    // Replaces the Folder text of that one row of this list; ignored when
    // `row` is not below RowCount().
    void SetFolder(std::uint64_t row, std::string folder);
    void Clear();

    // Stands for no row where a row number is expected.
    static constexpr std::uint64_t kNoRow = UINT64_MAX;

    // Negative when the first row goes first, like the column comparison.
    using RowCompare = std::function<int(const RowView&, const RowView&)>;
    // Reorders the rows so far; rows appended later come after them. Rows
    // that compare equal come in catalogue order of their entries, edited
    // rows before the unedited copies of the same entry. Returns where
    // `followedRow` went; a followed row not below RowCount() comes back as
    // it was.
    std::uint64_t Sort(const RowCompare& compare, std::uint64_t followedRow = kNoRow);

    // Used by the search: makes this an empty list of that side of `groups`.
    void Start(std::shared_ptr<const SizeGroups> groups, ListSide side);
    // Used by the search: the list now holds the rows of its first
    // `completed` outer entries. Ignored once the list was cleared or started
    // by another search meanwhile.
    void ShowOuterEntries(const SizeGroups& groups, std::uint32_t completed);

private:
    static constexpr std::uint32_t kUnedited = UINT32_MAX;
    // Copies of one entry in the sorted part; an edited row is an item of
    // its own with one copy.
    struct Item {
        std::uint32_t entry;
        std::uint32_t edit;
        std::uint64_t copies;
    };
    struct Place {
        std::uint32_t entry;
        std::uint32_t edit;
    };
    // A row as a sort keeps it: its place, and for an unedited row how many
    // unedited copies of its entry come before it in the list.
    struct Identity {
        Place place;
        std::uint64_t ordinal;
    };

    std::uint64_t SortedRowCount() const;
    // The sorted part's item that holds `row`.
    std::size_t ItemAt(std::uint64_t row) const;
    Place Locate(std::uint64_t row) const;
    RowView View(std::uint32_t entry, std::uint32_t edit) const;
    void SplitForEdit(std::size_t item, std::uint64_t offset, std::string folder);
    void CountItemEnds(std::size_t fromItem);
    // Copies of the place's item kind in the sorted part before `item`.
    std::uint64_t CopiesBefore(Place place, std::size_t item) const;
    Identity IdentityOf(std::uint64_t row) const;
    std::uint64_t RowOf(Identity identity) const;
    std::vector<Item> DistinctItems() const;

    std::shared_ptr<const SizeGroups> groups_;
    ListSide side_{};
    // Outer entries whose rows are in the list, and those in its sorted part.
    std::uint32_t outers_ = 0;
    std::uint32_t sortedOuters_ = 0;
    // The sorted part: items in order, and the rows up to the end of each.
    std::vector<Item> items_;
    std::vector<std::uint64_t> itemEnds_;
    std::vector<std::string> edits_;
    // Edits of rows after the sorted part, by row number.
    std::map<std::uint64_t, std::uint32_t> tailEdits_;
};

}  // namespace jumelix
