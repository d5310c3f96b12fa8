#pragma once

#include "search/ResultList.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace jumelix {

enum class SortKind { Text = 0, Integer = 1 };

// The columns of a result list: the folder, the name and the size.
enum Column : int { FolderColumn, NameColumn, SizeColumn, ColumnCount };

// The column sort shared by both result lists: one comparison mode and one
// direction flag per column index, for the program's whole life.
class ResultOrdering {
public:
    explicit ResultOrdering(TextCompare compare);

    // A click on a column's header. Returns where the followed row went (see
    // ResultList::Sort).
    std::uint64_t ColumnClick(ResultList& list, Column column,
                              std::uint64_t followedRow = ResultList::kNoRow);

    // Whether the last click on that column put the larger values first: the
    // size column's first click does, a text column's first click does not.
    bool SortedDecreasing(Column column) const
    {
        return (column == SizeColumn) == descending_[column];
    }

    // Negative when row1 goes first; `parameter` is the column index minus 1.
    // Rows that are absent compare equal. Sizes compare as full 64-bit values.
    int CompareRows(const ResultRow* row1, const ResultRow* row2, int parameter) const;

private:
    int Compare(const RowView& row1, const RowView& row2, int parameter) const;
    int CompareTexts(const RowView& row1, const RowView& row2, int parameter) const;
    int CompareNumbers(const RowView& row1, const RowView& row2, int parameter) const;

    TextCompare compare_;
    SortKind kind_ = SortKind::Text;
    std::array<bool, ColumnCount> descending_{};
};

// A size text as a 64-bit unsigned number; nullopt when the text is not plain
// decimal digits that fit.
std::optional<std::uint64_t> ParseSize(std::string_view text);

}  // namespace jumelix
