#include "search/DuplicateSearch.h"

#include "search/SizeGroups.h"

#include <memory>

namespace jumelix {

SearchOutcome RunDuplicateSearch(const Catalogue& catalogue, RunFlags& flags,
                                 SearchObserver& observer, ResultList& upper, ResultList& lower)
{
    const auto groups = std::make_shared<const SizeGroups>(catalogue);
    upper.Start(groups, ListSide::Upper);
    lower.Start(groups, ListSide::Lower);
    const std::uint32_t n = groups->EntryCount();
    for (std::uint32_t outer = 0; outer < n; ++outer) {
        observer.PumpEvents();
        observer.Progress(static_cast<std::int32_t>(outer + 1));
        if (flags.SearchStop)
            return SearchOutcome::Interrupted;
        upper.ShowOuterEntries(*groups, outer + 1);
        lower.ShowOuterEntries(*groups, outer + 1);
        observer.OuterCompleted(static_cast<std::int32_t>(outer + 1));
    }
    flags.SearchRunning = false;
    flags.SearchStop = false;
    return SearchOutcome::Completed;
}

}  // namespace jumelix
