// jumelix-bench contents: both steps, the second by contents, without a window.
#include "bench/Bench.h"

#include "catalogue/Catalogue.h"
#include "search/ContentSearch.h"
#include "search/ResultList.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace jumelix::bench {

int Contents(int argc, char** argv)
{
    bool print = false;
    bool cold = false;
    std::vector<const char*> operands;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--print") == 0)
            print = true;
        else if (std::strcmp(argv[i], "--cold") == 0)
            cold = true;
        else
            operands.push_back(argv[i]);
    }
    if (operands.size() != 1) {
        std::fprintf(stderr, "usage: jumelix-bench contents [--print] [--cold] DIR\n");
        return 2;
    }
    if (cold)
        DropPageCache();
    const auto start = std::chrono::steady_clock::now();
    Catalogue catalogue;
    WalkInto(catalogue, operands[0], "*.*", true);
    RunFlags flags{.SearchRunning = true};
    SearchObserver observer;
    ResultList upper;
    ResultList lower;
    ContentSummary summary;
    RunContentSearch(catalogue, flags, observer, upper, lower, summary);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;

    if (print) {
        PrintRows(upper, 'U');
        PrintRows(lower, 'L');
    }
    std::printf("entries %zu candidates %llu files_read %llu bytes_read %llu upper %llu lower %llu "
                "duplicate_files %llu duplicate_bytes %llu seconds %.3f peak_rss_kb %lld\n",
                catalogue.size(), static_cast<unsigned long long>(summary.Candidates),
                static_cast<unsigned long long>(summary.FilesRead),
                static_cast<unsigned long long>(summary.BytesRead),
                static_cast<unsigned long long>(upper.RowCount()),
                static_cast<unsigned long long>(lower.RowCount()),
                static_cast<unsigned long long>(summary.DuplicateFiles),
                static_cast<unsigned long long>(summary.DuplicateBytes), seconds.count(),
                static_cast<long long>(PeakRssKb()));
    return 0;
}

}  // namespace jumelix::bench
