#include "search/ResultList.h"

#include "search/SizeGroups.h"

#include <algorithm>
#include <tuple>

namespace jumelix {
namespace {

// Finds how many of `count` ascending marks, the t-th of which has
// holes(t) unmarked places before it, come before the k-th unmarked place:
// holes(t) never decreases, so the answer is a partition point.
template <typename Holes>
std::size_t MarksBefore(std::size_t count, std::uint64_t k, Holes holes)
{
    std::size_t low = 0;
    std::size_t high = count;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (holes(middle) <= k)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

}  // namespace

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

std::uint32_t ResultList::EntryCount() const
{
    return groups_->EntryCount();
}

const Catalogue* ResultList::SourceCatalogue() const
{
    return groups_ ? &groups_->catalogue() : nullptr;
}

std::size_t ResultList::ItemAt(std::uint64_t row) const
{
    return static_cast<std::size_t>(std::upper_bound(itemEnds_.begin(), itemEnds_.end(), row) -
                                    itemEnds_.begin());
}

bool ResultList::ByContents() const
{
    return groups_ && groups_->ByContents();
}

std::uint64_t ResultList::ItemStart(std::size_t item) const
{
    return item == 0 ? 0 : itemEnds_[item - 1];
}

std::uint32_t ResultList::RecentEditAt(std::uint64_t row) const
{
    const auto found = std::lower_bound(recentEdits_.begin(), recentEdits_.end(), row,
                                        [](const RecentEdit& e, std::uint64_t r) { return e.row < r; });
    return found != recentEdits_.end() && found->row == row ? found->edit : kUnedited;
}

std::uint32_t ResultList::EditAt(std::uint64_t row) const
{
    if (const std::uint32_t recent = RecentEditAt(row); recent != kUnedited)
        return recent;
    return row < SortedRowCount() ? items_[ItemAt(row)].edit : kUnedited;
}

std::pair<std::size_t, std::size_t> ResultList::RecentEditsAmong(std::uint64_t first,
                                                                 std::uint64_t last) const
{
    const auto below = [](const RecentEdit& e, std::uint64_t r) { return e.row < r; };
    const auto begin = std::lower_bound(recentEdits_.begin(), recentEdits_.end(), first, below);
    const auto end = std::lower_bound(begin, recentEdits_.end(), last, below);
    return {begin - recentEdits_.begin(), end - recentEdits_.begin()};
}

std::pair<std::size_t, std::size_t> ResultList::EditKeysOf(std::uint32_t entry) const
{
    const auto below = [](const EditKey& e, std::uint32_t x) { return e.origin.Entry < x; };
    const auto begin = std::lower_bound(editKeys_.begin(), editKeys_.end(), entry, below);
    const auto end = std::lower_bound(begin, editKeys_.end(), entry + 1, below);
    return {begin - editKeys_.begin(), end - editKeys_.begin()};
}

// The unedited copies of an entry stand for its partners whose copies are not
// edited, in catalogue order, so the k-th of them skips the edited ones.
std::uint32_t ResultList::UneditedDouble(std::uint32_t entry, std::uint64_t k) const
{
    const auto keys = EditKeysOf(entry);
    const std::size_t edited = MarksBefore(keys.second - keys.first, k, [&](std::size_t t) {
        return groups_->PartnerRank(side_, entry, editKeys_[keys.first + t].origin.Outer) - t;
    });
    return groups_->Partner(side_, entry, k + edited);
}

std::optional<RowOrigin> ResultList::OriginOf(std::uint64_t row) const
{
    if (row >= RowCount())
        return std::nullopt;
    if (const std::uint32_t edit = EditAt(row); edit != kUnedited)
        return edits_[edit].origin;
    if (row >= SortedRowCount()) {
        const std::uint32_t outer = groups_->OuterAt(side_, row);
        return RowOrigin{groups_->Partner(side_, outer, row - groups_->RowsBefore(side_, outer)),
                         outer};
    }
    const std::size_t item = ItemAt(row);
    const std::uint64_t start = ItemStart(item);
    const auto [first, last] = RecentEditsAmong(start, row);
    return RowOrigin{items_[item].entry,
                     UneditedDouble(items_[item].entry, row - start - (last - first))};
}

std::uint64_t ResultList::RowOf(RowOrigin origin) const
{
    if (!groups_ || origin.Outer >= outers_ || origin.Entry >= EntryCount() ||
        !groups_->ArePartners(side_, origin.Entry, origin.Outer))
        return kNoRow;
    const auto [begin, end] = EditKeysOf(origin.Entry);
    const auto key = std::lower_bound(
        editKeys_.begin() + static_cast<std::ptrdiff_t>(begin),
        editKeys_.begin() + static_cast<std::ptrdiff_t>(end), origin,
        [](const EditKey& e, const RowOrigin& o) { return e.origin.Outer < o.Outer; });
    if (key != editKeys_.begin() + static_cast<std::ptrdiff_t>(end) && key->origin == origin)
        return edits_[key->edit].row;
    if (origin.Outer >= sortedOuters_) {
        return groups_->RowsBefore(side_, origin.Outer) +
               groups_->PartnerRank(side_, origin.Outer, origin.Entry);
    }
    // The k-th unedited copy of the entry, in its item less the rows edited since.
    const std::uint64_t k = groups_->PartnerRank(side_, origin.Entry, origin.Outer) -
                            static_cast<std::uint64_t>(key - editKeys_.begin() -
                                                       static_cast<std::ptrdiff_t>(begin));
    const std::size_t item = itemOfEntry_[origin.Entry];
    const std::uint64_t start = ItemStart(item);
    const auto recent = RecentEditsAmong(start, itemEnds_[item]);
    const std::size_t edited = MarksBefore(recent.second - recent.first, k, [&](std::size_t t) {
        return recentEdits_[recent.first + t].row - start - t;
    });
    return start + k + edited;
}

std::uint64_t ResultList::MirrorOf(std::uint64_t row) const
{
    const std::optional<RowOrigin> origin = OriginOf(row);
    return origin ? RowOf({origin->Outer, origin->Entry}) : kNoRow;
}

RowView ResultList::View(std::uint32_t entry, std::uint32_t edit) const
{
    const Catalogue& catalogue = groups_->catalogue();
    const std::string_view folder = edit == kUnedited
                                        ? catalogue.FolderText(catalogue.FolderOf(entry))
                                        : std::string_view(edits_[edit].folder);
    return {folder, catalogue.NameOf(entry), catalogue.SizeOf(entry)};
}

ResultRow ResultList::Row(std::uint64_t row) const
{
    if (row >= RowCount())
        return {};
    const std::uint32_t edit = EditAt(row);
    const std::uint32_t entry = edit != kUnedited ? edits_[edit].origin.Entry
                                : row < SortedRowCount() ? items_[ItemAt(row)].entry
                                                         : groups_->PartnerAt(side_, row);
    const RowView view = View(entry, edit);
    return {std::string(view.Folder), view.Name, view.Size};
}

void ResultList::SetFolder(std::uint64_t row, std::string folder)
{
    if (row >= RowCount())
        return;
    if (const std::uint32_t edit = EditAt(row); edit != kUnedited) {
        edits_[edit].folder = std::move(folder);
        return;
    }
    const auto edit = static_cast<std::uint32_t>(edits_.size());
    const RowOrigin origin = *OriginOf(row);
    edits_.push_back({std::move(folder), origin, row});
    const RecentEdit recent{row, edit};
    recentEdits_.insert(std::upper_bound(recentEdits_.begin(), recentEdits_.end(), recent,
                                         [](const auto& a, const auto& b) { return a.row < b.row; }),
                        recent);
    const EditKey key{origin, edit};
    editKeys_.insert(std::upper_bound(editKeys_.begin(), editKeys_.end(), key,
                                      [](const EditKey& a, const EditKey& b) {
                                          return a.origin < b.origin;
                                      }),
                     key);
}

void ResultList::Clear()
{
    groups_.reset();
    outers_ = 0;
    sortedOuters_ = 0;
    items_ = {};
    itemEnds_ = {};
    itemOfEntry_ = {};
    edits_ = {};
    recentEdits_ = {};
    editKeys_ = {};
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

std::uint64_t ResultList::Sort(const RowCompare& compare, std::uint64_t followedRow)
{
    if (!groups_)
        return followedRow;
    const std::optional<RowOrigin> followed = OriginOf(followedRow);
    {
        // Every row as items: each edit one, then each entry's unedited copies.
        struct Keyed {
            RowView view;
            Item item;
        };
        std::vector<Keyed> keyed;
        keyed.reserve(edits_.size());
        for (std::uint32_t edit = 0; edit < edits_.size(); ++edit) {
            const std::uint32_t entry = edits_[edit].origin.Entry;
            keyed.push_back({View(entry, edit), {entry, edit, 1}});
        }
        auto key = editKeys_.begin();
        for (std::uint32_t entry = 0; entry < EntryCount(); ++entry) {
            std::uint64_t copies = groups_->CopiesAmong(side_, entry, 0, outers_);
            for (; key != editKeys_.end() && key->origin.Entry == entry; ++key)
                --copies;
            if (copies > 0)
                keyed.push_back({View(entry, kUnedited), {entry, kUnedited, copies}});
        }
        std::sort(keyed.begin(), keyed.end(), [&compare](const Keyed& a, const Keyed& b) {
            if (const int order = compare(a.view, b.view); order != 0)
                return order < 0;
            return std::tie(a.item.entry, a.item.edit) < std::tie(b.item.entry, b.item.edit);
        });
        items_.resize(keyed.size());
        std::transform(keyed.begin(), keyed.end(), items_.begin(),
                       [](const Keyed& k) { return k.item; });
    }
    itemEnds_.resize(items_.size());
    itemOfEntry_.assign(EntryCount(), 0);
    std::uint64_t end = 0;
    for (std::size_t k = 0; k < items_.size(); ++k) {
        const Item& item = items_[k];
        if (item.edit == kUnedited)
            itemOfEntry_[item.entry] = static_cast<std::uint32_t>(k);
        else
            edits_[item.edit].row = end;
        end += item.copies;
        itemEnds_[k] = end;
    }
    sortedOuters_ = outers_;
    recentEdits_.clear();
    return followed ? RowOf(*followed) : followedRow;
}

}  // namespace jumelix
