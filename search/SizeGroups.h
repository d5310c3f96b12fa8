// The catalogue grouped for the duplicate search (no Qt).
#pragma once

#include "catalogue/Catalogue.h"

#include <array>
#include <cstdint>
#include <vector>

namespace jumelix {

// Which result list: "Noms identiques" (same size, other folder) or
// "Tailles identiques" (same size and folder, other name).
enum class ListSide : std::uint8_t { Upper, Lower };

// The catalogue's entries grouped by size (or by set of copies), each group
// split by folder and each folder group by name, every group in catalogue order. A list's partners
// of an entry are one group minus the sub-group that holds the entry, so the
// rows of both lists are worked out from here without ever being stored.
// Holds entry numbers only: the catalogue must outlive it unchanged.
class SizeGroups {
public:
    explicit SizeGroups(const Catalogue& catalogue);
    // Groups by the sets of copies instead: entries with equal keys are copies
    // of one another; one key per entry.
    SizeGroups(const Catalogue& catalogue, std::vector<std::uint64_t> copySets);

    // Whether the groups are sets of copies rather than sizes.
    bool ByContents() const { return byContents_; }

    const Catalogue& catalogue() const { return catalogue_; }
    std::uint32_t EntryCount() const { return static_cast<std::uint32_t>(order_[0].size()); }

    // Rows that the outer entries before `outer` give to that list.
    std::uint64_t RowsBefore(ListSide side, std::uint32_t outer) const
    {
        return rowsBefore_[Index(side)][outer];
    }
    // The outer entry whose rows hold `row` of that list in search order.
    std::uint32_t OuterAt(ListSide side, std::uint64_t row) const;
    // The entry listed at `row` of that list in search order.
    std::uint32_t PartnerAt(ListSide side, std::uint64_t row) const;

    // Partners are symmetric: b is a partner of a in a list exactly when a is
    // one of b. An entry's partners count in catalogue order from rank 0.
    bool ArePartners(ListSide side, std::uint32_t a, std::uint32_t b) const;
    // The partner of that rank; rank must be below the entry's partner count.
    std::uint32_t Partner(ListSide side, std::uint32_t entry, std::uint64_t rank) const
    {
        return NthPartner(static_cast<int>(Index(side)), entry, rank);
    }
    // The rank of `partner` among the entry's partners; they must be partners.
    std::uint64_t PartnerRank(ListSide side, std::uint32_t entry, std::uint32_t partner) const;
    // How many rows the outer entries first..last-1 give that list for `entry`.
    std::uint64_t CopiesAmong(ListSide side, std::uint32_t entry, std::uint32_t first,
                              std::uint32_t last) const;

private:
    // Grouping 0 groups by size, grouping 1 by size and folder, grouping 2 by size,
    // folder and name. A side's partners are its grouping's group minus the
    // next grouping's group.
    static constexpr int kGroupings = 3;
    static std::size_t Index(ListSide side) { return side == ListSide::Upper ? 0 : 1; }

    SizeGroups(const Catalogue& catalogue, std::vector<std::uint64_t> copySets, bool byContents);
    template <typename Same>
    void MarkGroups(int grouping, Same same);
    void SortNamesWithinFolders();
    std::uint32_t GroupSize(int grouping, std::uint32_t entry) const
    {
        return end_[grouping][entry] - begin_[grouping][entry];
    }
    std::uint32_t NthPartner(int grouping, std::uint32_t entry, std::uint64_t rank) const;
    std::uint32_t CountAmong(int grouping, std::uint32_t entry, std::uint32_t first,
                             std::uint32_t last) const;

    std::uint64_t KeyOf(std::uint32_t entry) const
    {
        return byContents_ ? copySets_[entry] : catalogue_.SizeOf(entry);
    }

    const Catalogue& catalogue_;
    const bool byContents_;
    const std::vector<std::uint64_t> copySets_;
    // Each grouping's entries, group after group, catalogue order within a group.
    std::array<std::vector<std::uint32_t>, kGroupings> order_;
    // Per entry: where its group of each grouping begins and ends in order_.
    std::array<std::vector<std::uint32_t>, kGroupings> begin_;
    std::array<std::vector<std::uint32_t>, kGroupings> end_;
    // Per entry: its own place in order_ of groupings 0 and 1.
    std::array<std::vector<std::uint32_t>, kGroupings - 1> at_;
    // Per side: running row counts by outer entry, one more than the entries.
    std::array<std::vector<std::uint64_t>, 2> rowsBefore_;
};

}  // namespace jumelix
