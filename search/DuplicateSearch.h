#pragma once

#include "catalogue/Catalogue.h"
#include "catalogue/RunFlags.h"
#include "search/ResultList.h"

#include <cstdint>

namespace jumelix {

// How the search reaches the window. Without a window these do nothing.
class SearchObserver {
public:
    virtual ~SearchObserver() = default;
    virtual void PumpEvents() {}
    // Progress bar position: the outer entry being worked on, counted from 1.
    virtual void Progress(std::int32_t /*position*/) {}
    // Outer entries completed so far; the lists have grown by their rows.
    virtual void OuterCompleted(std::int32_t /*completed*/) {}
};

enum class SearchOutcome { Completed, Interrupted };

// Step 2: compares the catalogue with itself. For each outer entry in
// catalogue order, every entry of the same size in another folder goes to the
// upper list, and every entry of the same size and folder but another name to
// the lower list. Works by size groups, not pair by pair, and pumps events and
// tests SearchStop once per outer entry.
// Completed clears SearchRunning and SearchStop; Interrupted leaves them set,
// with exactly the rows of the outer entries completed before the stop.
// Both lists start afresh and grow by an outer entry's rows once it is
// completed. The catalogue is read only before the first PumpEvents; a list
// cleared inside PumpEvents stays empty for the rest of this search.
SearchOutcome RunDuplicateSearch(const Catalogue& catalogue, RunFlags& flags,
                                 SearchObserver& observer, ResultList& upper,
                                 ResultList& lower);

}  // namespace jumelix
