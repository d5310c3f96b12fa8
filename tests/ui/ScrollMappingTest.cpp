// The scroll bar of a list longer than 2^31 rows: its ends and its middle.
#include "ui/ScrollMapping.h"

#include <gtest/gtest.h>

using jumelix::ScrollMapping;

TEST(ScrollMappingTest, BarPositionsReachEveryPartOfAListLongerThan31Bits)
{
    constexpr std::uint64_t kRows = 46342ULL * 46341;  // 2,147,534,622
    constexpr std::uint64_t kPage = 10;
    const ScrollMapping mapping(kRows, kPage);
    struct Case { int position; std::uint64_t firstRow; };
    for (const Case& c : {Case{0, 0}, Case{ScrollMapping::kScaledRange / 2, (kRows - kPage) / 2},
                          Case{ScrollMapping::kScaledRange, kRows - kPage}}) {
        EXPECT_EQ(mapping.FirstRowAt(c.position), c.firstRow) << c.position;
        EXPECT_EQ(mapping.PositionOf(c.firstRow), c.position) << c.firstRow;
    }
    // A row between two positions stands at the lower one.
    EXPECT_EQ(mapping.PositionOf(kRows - kPage - 1), ScrollMapping::kScaledRange - 1);
}
