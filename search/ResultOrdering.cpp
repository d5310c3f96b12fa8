#include "search/ResultOrdering.h"

#include <charconv>
#include <utility>

namespace jumelix {

namespace {

std::string_view TextOf(const RowView& row, int parameter)
{
    return parameter < 0 ? row.Folder : row.Name;
}

}  // namespace

std::optional<std::uint64_t> ParseSize(std::string_view text)
{
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

ResultOrdering::ResultOrdering(TextCompare compare) : compare_(std::move(compare)) {}

std::uint64_t ResultOrdering::ColumnClick(ResultList& list, Column column, std::uint64_t followedRow)
{
    kind_ = column == SizeColumn ? SortKind::Integer : SortKind::Text;
    const int parameter = column - 1;
    const std::uint64_t followed = list.Sort(
        [this, parameter](const RowView& row1, const RowView& row2) {
            return Compare(row1, row2, parameter);
        },
        followedRow);
    descending_[column] = !descending_[column];
    return followed;
}

int ResultOrdering::CompareRows(const ResultRow* row1, const ResultRow* row2, int parameter) const
{
    if (row1 == nullptr || row2 == nullptr)
        return 0;
    return Compare({row1->Folder, row1->Name, row1->Size}, {row2->Folder, row2->Name, row2->Size},
                   parameter);
}

int ResultOrdering::Compare(const RowView& row1, const RowView& row2, int parameter) const
{
    const int order = kind_ == SortKind::Text ? CompareTexts(row1, row2, parameter)
                                              : CompareNumbers(row1, row2, parameter);
    return descending_[parameter + 1] ? -order : order;
}

int ResultOrdering::CompareTexts(const RowView& row1, const RowView& row2, int parameter) const
{
    if (parameter < 1)
        return compare_(TextOf(row1, parameter), TextOf(row2, parameter));
    char digits1[20];
    char digits2[20];
    const char* end1 = std::to_chars(digits1, digits1 + sizeof digits1, row1.Size).ptr;
    const char* end2 = std::to_chars(digits2, digits2 + sizeof digits2, row2.Size).ptr;
    return compare_({digits1, end1}, {digits2, end2});
}

// Larger numbers go first. A text that is not a number counts as 0 against a
// number, and two such texts tie.
int ResultOrdering::CompareNumbers(const RowView& row1, const RowView& row2, int parameter) const
{
    std::optional<std::uint64_t> number1 = row1.Size;
    std::optional<std::uint64_t> number2 = row2.Size;
    if (parameter < 1) {
        number1 = ParseSize(TextOf(row1, parameter));
        number2 = ParseSize(TextOf(row2, parameter));
        if (!number1 && !number2)
            return 0;
    }
    const std::uint64_t x1 = number1.value_or(0);
    const std::uint64_t x2 = number2.value_or(0);
    return x1 < x2 ? 1 : x1 == x2 ? 0 : -1;
}

}  // namespace jumelix
