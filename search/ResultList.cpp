#include "ResultList.h"

#include "SizeGroups.h"

#include <algorithm>
#include <tuple>

namespace jumelix {

ResultList::ResultList() = default;
ResultList::~ResultList() = default;

std::uint64_t ResultList::RowCount() const
{
    return groups_ ? groups_->RowsBefore(side_, outers_) : 0;
}

// The sorted part holds the rows of the first sortedOuters_ outer entries,
// so the rows after it keep their numbers in search order.
std::uint64_t ResultList::SortedRowCount() const
{
    return groups_->RowsBefore(side_, sortedOuters_);
}

std::size_t ResultList::ItemAt(std::uint64_t row) const
{
    return static_cast<std::size_t>(std::upper_bound(itemEnds_.begin(), itemEnds_.end(), row) -
                                    itemEnds_.begin());
}

ResultList::Place ResultList::Locate(std::uint64_t row) const
{
    if (row < SortedRowCount()) {
        const Item& item = items_[ItemAt(row)];
        return {item.entry, item.edit};
    }
    const auto edit = tailEdits_.find(row);
    return {groups_->PartnerAt(side_, row),
            edit == tailEdits_.end() ? kUnedited : edit->second};
}

RowView ResultList::View(std::uint32_t entry, std::uint32_t edit) const
{
    const Catalogue& catalogue = groups_->catalogue();
    const std::string_view folder = edit == kUnedited
                                        ? catalogue.FolderText(catalogue.FolderOf(entry))
                                        : std::string_view(edits_[edit]);
    return {folder, catalogue.NameOf(entry), catalogue.SizeOf(entry)};
}

ResultRow ResultList::Row(std::uint64_t row) const
{
    if (row >= RowCount())
        return {};
    const Place place = Locate(row);
    const RowView view = View(place.entry, place.edit);
    return {std::string(view.Folder), view.Name, view.Size};
}

void ResultList::SetFolder(std::uint64_t row, std::string folder)
{
    if (row >= RowCount())
        return;
    if (row >= SortedRowCount()) {
        const auto [edit, added] =
            tailEdits_.try_emplace(row, static_cast<std::uint32_t>(edits_.size()));
        if (added)
            edits_.push_back(std::move(folder));
        else
            edits_[edit->second] = std::move(folder);
        return;
    }
    const std::size_t item = ItemAt(row);
    if (items_[item].edit != kUnedited) {
        edits_[items_[item].edit] = std::move(folder);
        return;
    }
    SplitForEdit(item, row - (item == 0 ? 0 : itemEnds_[item - 1]), std::move(folder));
}

// The edited copy becomes an item of its own between the copies before and
// after it.
void ResultList::SplitForEdit(std::size_t item, std::uint64_t offset, std::string folder)
{
    const Item whole = items_[item];
    std::vector<Item> parts;
    if (offset > 0)
        parts.push_back({whole.entry, kUnedited, offset});
    parts.push_back({whole.entry, static_cast<std::uint32_t>(edits_.size()), 1});
    if (whole.copies - offset > 1)
        parts.push_back({whole.entry, kUnedited, whole.copies - offset - 1});
    edits_.push_back(std::move(folder));
    items_[item] = parts.front();
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(item) + 1, parts.begin() + 1,
                  parts.end());
    CountItemEnds(item);
}

void ResultList::CountItemEnds(std::size_t fromItem)
{
    itemEnds_.resize(items_.size());
    for (std::size_t k = fromItem; k < items_.size(); ++k)
        itemEnds_[k] = (k == 0 ? 0 : itemEnds_[k - 1]) + items_[k].copies;
}

void ResultList::Clear()
{
    groups_.reset();
    outers_ = 0;
    sortedOuters_ = 0;
    items_ = {};
    itemEnds_ = {};
    edits_ = {};
    tailEdits_ = {};
}

void ResultList::Start(std::shared_ptr<const SizeGroups> groups, ListSide side)
{
    Clear();
    groups_ = std::move(groups);
    side_ = side;
}

void ResultList::ShowOuterEntries(const SizeGroups& groups, std::uint32_t completed)
{
    if (groups_.get() == &groups)
        outers_ = completed;
}

// Every row of the list as items: the unedited copies of an entry gather into
// one item wherever they stand; each edited row stays an item of its own.
std::vector<ResultList::Item> ResultList::DistinctItems() const
{
    const std::uint32_t n = groups_->EntryCount();
    std::vector<std::uint64_t> copies(n);
    std::vector<Item> items;
    for (const Item& item : items_) {
        if (item.edit == kUnedited)
            copies[item.entry] += item.copies;
        else
            items.push_back(item);
    }
    if (outers_ > sortedOuters_) {
        for (std::uint32_t entry = 0; entry < n; ++entry)
            copies[entry] += groups_->CopiesAmong(side_, entry, sortedOuters_, outers_);
    }
    for (const auto& [row, edit] : tailEdits_) {
        const std::uint32_t entry = groups_->PartnerAt(side_, row);
        --copies[entry];
        items.push_back({entry, edit, 1});
    }
    for (std::uint32_t entry = 0; entry < n; ++entry) {
        if (copies[entry] > 0)
            items.push_back({entry, kUnedited, copies[entry]});
    }
    return items;
}

std::uint64_t ResultList::CopiesBefore(Place place, std::size_t item) const
{
    std::uint64_t copies = 0;
    for (std::size_t k = 0; k < item; ++k) {
        if (items_[k].entry == place.entry && items_[k].edit == place.edit)
            copies += items_[k].copies;
    }
    return copies;
}

ResultList::Identity ResultList::IdentityOf(std::uint64_t row) const
{
    const Place place = Locate(row);
    if (place.edit != kUnedited)
        return {place, 0};
    if (row < SortedRowCount()) {
        const std::size_t item = ItemAt(row);
        return {place, CopiesBefore(place, item) + row - (item == 0 ? 0 : itemEnds_[item - 1])};
    }
    // An outer entry lists each partner once, so the copies before `row`
    // after the sorted part are those of the outer entries before its own.
    std::uint64_t ordinal = CopiesBefore(place, items_.size()) +
                            groups_->CopiesAmong(side_, place.entry, sortedOuters_,
                                                 groups_->OuterAt(side_, row));
    for (auto edit = tailEdits_.begin(); edit != tailEdits_.end() && edit->first < row; ++edit)
        ordinal -= groups_->PartnerAt(side_, edit->first) == place.entry ? 1 : 0;
    return {place, ordinal};
}

std::uint64_t ResultList::RowOf(Identity identity) const
{
    std::uint64_t start = 0;
    for (const Item& item : items_) {
        if (item.entry == identity.place.entry && item.edit == identity.place.edit) {
            if (identity.ordinal < item.copies)
                return start + identity.ordinal;
            identity.ordinal -= item.copies;
        }
        start += item.copies;
    }
    return kNoRow;
}

std::uint64_t ResultList::Sort(const RowCompare& compare, std::uint64_t followedRow)
{
    if (!groups_)
        return followedRow;
    const bool follows = followedRow < RowCount();
    const Identity followed = follows ? IdentityOf(followedRow) : Identity{};
    struct Keyed {
        RowView view;
        Item item;
    };
    std::vector<Keyed> keyed;
    for (const Item& item : DistinctItems())
        keyed.push_back({View(item.entry, item.edit), item});
    std::sort(keyed.begin(), keyed.end(), [&compare](const Keyed& a, const Keyed& b) {
        if (const int order = compare(a.view, b.view); order != 0)
            return order < 0;
        return std::tie(a.item.entry, a.item.edit) < std::tie(b.item.entry, b.item.edit);
    });
    items_.resize(keyed.size());
    std::transform(keyed.begin(), keyed.end(), items_.begin(), [](const Keyed& k) { return k.item; });
    CountItemEnds(0);
    sortedOuters_ = outers_;
    tailEdits_.clear();
    return follows ? RowOf(followed) : followedRow;
}

}  // namespace jumelix
