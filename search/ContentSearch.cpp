#include "search/ContentSearch.h"

#include "search/SizeGroups.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace jumelix {
namespace {

constexpr auto kPumpInterval = std::chrono::milliseconds(5);

// Copies share their set's first entry as key; every other entry has a key
// of its own, above any entry number.
std::vector<std::uint64_t> CopySets(const ContentClasses& classes)
{
    const std::size_t n = classes.Fate.size();
    std::vector<std::uint64_t> keys(n);
    for (std::size_t entry = 0; entry < n; ++entry)
        keys[entry] = classes.Fate[entry] == ContentFate::Copy ? classes.First[entry] : n + entry;
    return keys;
}

ContentSummary Summarise(const Catalogue& catalogue, const ContentClasses& classes)
{
    ContentSummary summary;
    summary.Candidates = classes.Candidates;
    summary.FilesRead = classes.FilesRead;
    summary.BytesRead = classes.BytesRead;
    for (std::size_t entry = 0; entry < classes.Fate.size(); ++entry) {
        const std::uint64_t size = catalogue.SizeOf(entry);
        switch (classes.Fate[entry]) {
        case ContentFate::Copy:
            ++summary.DuplicateFiles;
            if (classes.First[entry] != entry)
                summary.DuplicateBytes += size;
            break;
        case ContentFate::Empty:
            ++summary.Empty;
            break;
        case ContentFate::Unreadable:
            ++summary.Unreadable;
            break;
        case ContentFate::Link:
            ++summary.Links;
            break;
        default:
            break;
        }
    }
    return summary;
}

}  // namespace

SearchOutcome RunContentSearch(const Catalogue& catalogue, RunFlags& flags, SearchObserver& observer,
                               ResultList& upper, ResultList& lower, ContentSummary& summary,
                               const ContentOptions& options)
{
    ContentClasses classes;
    // A stop asked in the window's first event pass comes before any reading.
    bool stopped = flags.SearchStop;
    if (!stopped) {
        ContentReading reading(catalogue, options);
        for (bool done = false; !done;) {
            done = reading.WaitFor(kPumpInterval);
            observer.Progress(static_cast<std::int32_t>(reading.Thousandths()));
            observer.OuterCompleted(static_cast<std::int32_t>(reading.EntriesSeen()));
            observer.PumpEvents();
            if (flags.SearchStop && !stopped) {
                reading.RequestStop();
                stopped = true;
            }
        }
        classes = reading.Result();
    } else {
        classes.Fate.assign(catalogue.size(), ContentFate::Pending);
    }
    summary = Summarise(catalogue, classes);
    // Grouping a large catalogue takes longer than the window may wait: it is
    // done on a thread of its own while events go on.
    std::shared_ptr<const SizeGroups> groups;
    std::atomic<bool> grouped{false};
    std::thread grouping([&] {
        groups = std::make_shared<const SizeGroups>(catalogue, CopySets(classes));
        grouped.store(true, std::memory_order_release);
    });
    while (!grouped.load(std::memory_order_acquire)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        observer.PumpEvents();
    }
    grouping.join();
    const auto n = static_cast<std::uint32_t>(catalogue.size());
    for (auto [list, side] : {std::pair(&upper, ListSide::Upper), std::pair(&lower, ListSide::Lower)}) {
        list->Start(groups, side);
        list->ShowOuterEntries(*groups, n);
    }
    if (stopped)
        return SearchOutcome::Interrupted;
    flags.SearchRunning = false;
    flags.SearchStop = false;
    return SearchOutcome::Completed;
}

}  // namespace jumelix
