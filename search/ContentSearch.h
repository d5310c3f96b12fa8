#pragma once

#include "catalogue/Catalogue.h"
#include "catalogue/RunFlags.h"
#include "files/ContentReading.h"
#include "search/DuplicateSearch.h"
#include "search/ResultList.h"

#include <cstdint>

namespace jumelix {

// What a completed search by contents found and left out.
struct ContentSummary {
    std::uint64_t Candidates = 0;      // entries that share their size with another
    std::uint64_t DuplicateFiles = 0;  // entries listed: each has a copy
    std::uint64_t DuplicateBytes = 0;  // freed by keeping one file of each set of copies
    std::uint64_t Empty = 0;
    std::uint64_t Unreadable = 0;      // could not be read, or changed since the walk
    std::uint64_t Links = 0;           // reach a file an earlier entry reaches
    std::uint64_t FilesRead = 0;
    std::uint64_t BytesRead = 0;
};

// Step 2 by contents: the two lists of the size search, with "the same bytes"
// in place of "the same size". Empty files, files that cannot be read or
// changed since the walk, and paths to a file an earlier entry reaches are
// neither listed nor anyone's double. The files are read on threads of their
// own; the observer hears, about every 5 ms, the share read in thousandths
// (Progress) and the entries looked at (OuterCompleted), and pumps events.
// Both lists get their rows at the end, also after a stop, and then only
// rows whose pair of files was compared equal. SearchStop ends the reading
// early (Interrupted), and the flags are handled as by RunDuplicateSearch.
SearchOutcome RunContentSearch(const Catalogue& catalogue, RunFlags& flags, SearchObserver& observer,
                               ResultList& upper, ResultList& lower, ContentSummary& summary,
                               const ContentOptions& options = {});

}  // namespace jumelix
