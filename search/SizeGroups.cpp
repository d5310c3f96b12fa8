#include "search/SizeGroups.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace jumelix {

SizeGroups::SizeGroups(const Catalogue& catalogue) : SizeGroups(catalogue, {}, false) {}

SizeGroups::SizeGroups(const Catalogue& catalogue, std::vector<std::uint64_t> copySets)
    : SizeGroups(catalogue, std::move(copySets), true)
{
}

SizeGroups::SizeGroups(const Catalogue& catalogue, std::vector<std::uint64_t> copySets,
                       bool byContents)
    : catalogue_(catalogue), byContents_(byContents), copySets_(std::move(copySets))
{
    const auto n = static_cast<std::uint32_t>(catalogue.size());
    struct Key {
        std::uint64_t key;
        Catalogue::FolderId folder;
        std::uint32_t entry;
    };
    std::vector<Key> keys(n);
    for (std::uint32_t i = 0; i < n; ++i)
        keys[i] = {KeyOf(i), catalogue.FolderOf(i), i};
    const auto entriesOf = [&keys] {
        std::vector<std::uint32_t> entries(keys.size());
        std::transform(keys.begin(), keys.end(), entries.begin(), [](const Key& k) { return k.entry; });
        return entries;
    };
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return std::tie(a.key, a.entry) < std::tie(b.key, b.entry);
    });
    order_[0] = entriesOf();
    // Folder ids stand for folder texts: the catalogue gives one id per text.
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return std::tie(a.key, a.folder, a.entry) < std::tie(b.key, b.folder, b.entry);
    });
    order_[1] = entriesOf();
    keys = {};

    const auto sameKey = [this](std::uint32_t a, std::uint32_t b) { return KeyOf(a) == KeyOf(b); };
    const auto sameFolder = [&catalogue, sameKey](std::uint32_t a, std::uint32_t b) {
        return sameKey(a, b) && catalogue.FolderOf(a) == catalogue.FolderOf(b);
    };
    MarkGroups(0, sameKey);
    MarkGroups(1, sameFolder);
    SortNamesWithinFolders();
    MarkGroups(2, [&catalogue, sameFolder](std::uint32_t a, std::uint32_t b) {
        return sameFolder(a, b) && catalogue.NameOf(a) == catalogue.NameOf(b);
    });

    for (int grouping = 0; grouping < kGroupings - 1; ++grouping) {
        at_[grouping].resize(n);
        for (std::uint32_t place = 0; place < n; ++place)
            at_[grouping][order_[grouping][place]] = place;
    }
    for (int grouping = 0; grouping < 2; ++grouping) {
        auto& rows = rowsBefore_[grouping];
        rows.resize(std::size_t{n} + 1);
        for (std::uint32_t i = 0; i < n; ++i)
            rows[i + 1] = rows[i] + GroupSize(grouping, i) - GroupSize(grouping + 1, i);
    }
}

template <typename Same>
void SizeGroups::MarkGroups(int grouping, Same same)
{
    const auto& order = order_[grouping];
    const auto n = static_cast<std::uint32_t>(order.size());
    begin_[grouping].resize(n);
    end_[grouping].resize(n);
    for (std::uint32_t first = 0; first < n;) {
        std::uint32_t last = first + 1;
        while (last < n && same(order[first], order[last]))
            ++last;
        for (std::uint32_t place = first; place < last; ++place) {
            begin_[grouping][order[place]] = first;
            end_[grouping][order[place]] = last;
        }
        first = last;
    }
}

// Grouping 2 is grouping 1 with each folder group ordered by name; the stable sort
// keeps catalogue order among equal names.
void SizeGroups::SortNamesWithinFolders()
{
    order_[2] = order_[1];
    auto& order = order_[2];
    const auto byName = [this](std::uint32_t a, std::uint32_t b) {
        return catalogue_.NameOf(a) < catalogue_.NameOf(b);
    };
    for (std::uint32_t first = 0; first < order.size();) {
        const std::uint32_t last = end_[1][order[first]];
        std::stable_sort(order.begin() + first, order.begin() + last, byName);
        first = last;
    }
}

std::uint32_t SizeGroups::OuterAt(ListSide side, std::uint64_t row) const
{
    const auto& rows = rowsBefore_[Index(side)];
    return static_cast<std::uint32_t>(std::upper_bound(rows.begin(), rows.end(), row) -
                                      rows.begin() - 1);
}

std::uint32_t SizeGroups::PartnerAt(ListSide side, std::uint64_t row) const
{
    const std::uint32_t outer = OuterAt(side, row);
    return NthPartner(static_cast<int>(Index(side)), outer, row - RowsBefore(side, outer));
}

// The rank-th member, in catalogue order, of the entry's group at `grouping`
// that is not in its group at grouping + 1. The k-th member of that sub-group has
// (its place in the group) - k partners before it, a count that never
// decreases with k, so a binary search finds how many members come before
// the partner sought.
std::uint32_t SizeGroups::NthPartner(int grouping, std::uint32_t entry, std::uint64_t rank) const
{
    const std::uint32_t groupBegin = begin_[grouping][entry];
    const std::uint32_t* sub = order_[grouping + 1].data() + begin_[grouping + 1][entry];
    const auto& at = at_[grouping];
    std::uint32_t low = 0;
    std::uint32_t high = GroupSize(grouping + 1, entry);
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        if (at[sub[middle]] - groupBegin - middle <= rank)
            low = middle + 1;
        else
            high = middle;
    }
    return order_[grouping][groupBegin + rank + low];
}

bool SizeGroups::ArePartners(ListSide side, std::uint32_t a, std::uint32_t b) const
{
    const auto grouping = static_cast<int>(Index(side));
    return begin_[grouping][a] == begin_[grouping][b] && begin_[grouping + 1][a] != begin_[grouping + 1][b];
}

// The partners before `partner` are the members of the group before it, less
// those of the entry's own sub-group, which is in catalogue order too.
std::uint64_t SizeGroups::PartnerRank(ListSide side, std::uint32_t entry, std::uint32_t partner) const
{
    const auto grouping = static_cast<int>(Index(side));
    return at_[grouping][partner] - begin_[grouping][entry] -
           CountAmong(grouping + 1, entry, 0, partner);
}

std::uint64_t SizeGroups::CopiesAmong(ListSide side, std::uint32_t entry, std::uint32_t first,
                                      std::uint32_t last) const
{
    const auto grouping = static_cast<int>(Index(side));
    return CountAmong(grouping, entry, first, last) - CountAmong(grouping + 1, entry, first, last);
}

// Members of the entry's group at `grouping` numbered first..last-1; a group is
// in catalogue order, so two binary searches count them.
std::uint32_t SizeGroups::CountAmong(int grouping, std::uint32_t entry, std::uint32_t first,
                                     std::uint32_t last) const
{
    const auto groupBegin = order_[grouping].begin() + begin_[grouping][entry];
    const auto groupEnd = order_[grouping].begin() + end_[grouping][entry];
    return static_cast<std::uint32_t>(std::lower_bound(groupBegin, groupEnd, last) -
                                      std::lower_bound(groupBegin, groupEnd, first));
}

}  // namespace jumelix
