#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jumelix {

class Catalogue;
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

// Where a row comes from: the search compared the outer entry Outer with the
// catalogue and appended a copy of Entry; Outer is the row's double. Each pair
// stands once in a list.
struct RowOrigin {
    std::uint32_t Entry = 0;
    std::uint32_t Outer = 0;
    bool operator==(const RowOrigin&) const = default;
    bool operator<(const RowOrigin& other) const
    {
        return Entry != other.Entry ? Entry < other.Entry : Outer < other.Outer;
    }
};

// The locale-aware text comparison, handed in by the window:
// negative, zero or positive like strcmp.
using TextCompare = std::function<int(std::string_view, std::string_view)>;

// A result list ("Noms identiques" or "Tailles identiques"). Its rows are not
// stored one by one: they are worked out on demand from the catalogue's size
// groups, so a list of a billion rows costs memory with the catalogue and the
// edits only, and any row, its double and its mirror are found in O(log n).
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
    // `row` is not below RowCount(). The row keeps its origin.
    void SetFolder(std::uint64_t row, std::string folder);
    void Clear();

    // Stands for no row where a row number is expected.
    static constexpr std::uint64_t kNoRow = UINT64_MAX;

    // The catalogue the rows copy; none before a search.
    const Catalogue* SourceCatalogue() const;
    // Whether a row's double holds its bytes, not only its size.
    bool ByContents() const;
    // Nothing when `row` is not below RowCount().
    std::optional<RowOrigin> OriginOf(std::uint64_t row) const;
    // The row of that origin as the list now stands; kNoRow while the search
    // has not appended it, or the list never will.
    std::uint64_t RowOf(RowOrigin origin) const;
    // The row that lists this row's double for this row's entry, or kNoRow.
    std::uint64_t MirrorOf(std::uint64_t row) const;

    // Negative when the first row goes first, like the column comparison.
    using RowCompare = std::function<int(const RowView&, const RowView&)>;
    // Reorders the rows so far; rows appended later come after them. Rows
    // that compare equal come in catalogue order of their entries, edited
    // rows before the unedited copies of the same entry, and the unedited
    // copies of an entry keep their order. Returns where `followedRow` went;
    // a followed row not below RowCount() comes back as it was.
    std::uint64_t Sort(const RowCompare& compare, std::uint64_t followedRow = kNoRow);

    // Used by the search: makes this an empty list of that side of `groups`.
    void Start(std::shared_ptr<const SizeGroups> groups, ListSide side);
    // Used by the search: the list now holds the rows of its first
    // `completed` outer entries. Ignored once the list was cleared or started
    // by another search meanwhile.
    void ShowOuterEntries(const SizeGroups& groups, std::uint32_t completed);

private:
    static constexpr std::uint32_t kUnedited = UINT32_MAX;
    // Rows of the sorted part: the unedited copies of one entry, or one
    // edited row. After a sort each entry has at most one unedited item.
    struct Item {
        std::uint32_t entry;
        std::uint32_t edit;
        std::uint64_t copies;
    };
    struct Edit {
        std::string folder;
        RowOrigin origin;
        std::uint64_t row;
    };
    struct RecentEdit {
        std::uint64_t row;
        std::uint32_t edit;
    };
    struct EditKey {
        RowOrigin origin;
        std::uint32_t edit;
    };

    std::uint64_t SortedRowCount() const;
    // The sorted part's item that holds `row`, and the row it starts at.
    std::size_t ItemAt(std::uint64_t row) const;
    std::uint64_t ItemStart(std::size_t item) const;
    // The edit made on `row` since the last sort, or kUnedited.
    std::uint32_t RecentEditAt(std::uint64_t row) const;
    // The edit shown on `row`, whenever it was made, or kUnedited.
    std::uint32_t EditAt(std::uint64_t row) const;
    // Edits made since the last sort on rows first..last-1.
    std::pair<std::size_t, std::size_t> RecentEditsAmong(std::uint64_t first,
                                                         std::uint64_t last) const;
    // The edits of `entry`'s rows, as places in editKeys_.
    std::pair<std::size_t, std::size_t> EditKeysOf(std::uint32_t entry) const;
    // The k-th double, in catalogue order, whose copy of `entry` is not edited.
    std::uint32_t UneditedDouble(std::uint32_t entry, std::uint64_t k) const;
    RowView View(std::uint32_t entry, std::uint32_t edit) const;
    std::uint32_t EntryCount() const;

    std::shared_ptr<const SizeGroups> groups_;
    ListSide side_{};
    // Outer entries whose rows are in the list, and those in its sorted part.
    // Rows after the sorted part are in search order.
    std::uint32_t outers_ = 0;
    std::uint32_t sortedOuters_ = 0;
    // The sorted part: items in order, the rows up to the end of each, and
    // each entry's unedited item.
    std::vector<Item> items_;
    std::vector<std::uint64_t> itemEnds_;
    std::vector<std::uint32_t> itemOfEntry_;
    // Every edit, and its row as the list now stands.
    std::vector<Edit> edits_;
    // Edits since the last sort, by row: rows keep their numbers until then.
    std::vector<RecentEdit> recentEdits_;
    // Every edit by origin, so that unedited copies find their doubles.
    std::vector<EditKey> editKeys_;
};

}  // namespace jumelix
