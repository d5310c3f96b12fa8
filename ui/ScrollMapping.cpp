#include "ui/ScrollMapping.h"

#include <algorithm>

namespace jumelix {

ScrollMapping::ScrollMapping(std::uint64_t rows, std::uint64_t pageRows)
    : lastFirstRow_(rows > pageRows ? rows - pageRows : 0), pageRows_(pageRows)
{
}

int ScrollMapping::Maximum() const
{
    return OneRowAPosition() ? static_cast<int>(lastFirstRow_) : kScaledRange;
}

// The thumb's length follows the page; a page too short for one position
// still takes one.
int ScrollMapping::PageStep() const
{
    if (OneRowAPosition())
        return static_cast<int>(std::min<std::uint64_t>(pageRows_, kScaledRange));
    return std::max(1, PositionOf(pageRows_));
}

// lastFirstRow * position / kScaledRange, rounded, without overflow: the
// range is a power of two, so the high part divides exactly.
std::uint64_t ScrollMapping::FirstRowAt(int position) const
{
    const auto at = static_cast<std::uint64_t>(std::clamp(position, 0, Maximum()));
    if (OneRowAPosition())
        return at;
    const std::uint64_t high = lastFirstRow_ / kScaledRange;
    const std::uint64_t low = lastFirstRow_ % kScaledRange;
    return high * at + (low * at + kScaledRange / 2) / kScaledRange;
}

// FirstRowAt never decreases with the position: a binary search inverts it.
int ScrollMapping::PositionOf(std::uint64_t firstRow) const
{
    if (OneRowAPosition())
        return static_cast<int>(std::min(firstRow, lastFirstRow_));
    int low = 0;
    int high = kScaledRange;
    while (low < high) {
        const int middle = low + (high - low + 1) / 2;
        if (FirstRowAt(middle) <= firstRow)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

}  // namespace jumelix
