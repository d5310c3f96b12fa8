#pragma once

#include <cstdint>

namespace jumelix {

// How a list's vertical scroll bar stands for its first row in sight. A bar
// counts in int: while the rows fit comfortably, one position is one row;
// past that the bar keeps a fixed range laid evenly over the rows, its ends
// on the first and the last page. Keys and the wheel move the first row
// itself and only then the bar, so every row stays within reach.
class ScrollMapping {
public:
    // Positions of the bar once one position no longer is one row.
    static constexpr int kScaledRange = 1 << 30;

    ScrollMapping(std::uint64_t rows, std::uint64_t pageRows);

    // The first row in sight when the last row is at the bottom.
    std::uint64_t LastFirstRow() const { return lastFirstRow_; }
    int Maximum() const;
    int PageStep() const;
    std::uint64_t FirstRowAt(int position) const;
    // The last position whose first row is not past `firstRow`.
    int PositionOf(std::uint64_t firstRow) const;

private:
    bool OneRowAPosition() const { return lastFirstRow_ <= kScaledRange; }

    std::uint64_t lastFirstRow_;
    std::uint64_t pageRows_;
};

}  // namespace jumelix
