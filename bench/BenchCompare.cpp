#include "bench/Bench.h"

#include "files/FileComparison.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace jumelix::bench {
namespace {

const char* VerdictName(ComparisonVerdict verdict)
{
    switch (verdict) {
    case ComparisonVerdict::Identical:
        return "identical";
    case ComparisonVerdict::Different:
        return "different";
    case ComparisonVerdict::SameFile:
        return "same-file";
    case ComparisonVerdict::Changed:
        return "changed";
    case ComparisonVerdict::Unreadable:
        return "unreadable";
    case ComparisonVerdict::Stopped:
        break;
    }
    return "stopped";
}

}  // namespace

int Compare(int argc, char** argv)
{
    bool cold = false;
    ComparisonOptions options;
    std::vector<const char*> operands;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cold") == 0)
            cold = true;
        else if (std::strcmp(argv[i], "--block") == 0 && i + 1 < argc)
            options.BlockBytes = std::strtoull(argv[++i], nullptr, 10) * 1024;
        else
            operands.push_back(argv[i]);
    }
    if (operands.size() != 2 || options.BlockBytes == 0) {
        std::fprintf(stderr, "usage: jumelix-bench compare [--cold] [--block KIB] A B\n");
        return 2;
    }
    // No lists here: A's size stands for the size both had when listed.
    struct stat st {};
    const std::uint64_t size =
        stat(operands[0], &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    if (cold)
        DropPageCache();

    const std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> progress{0};
    const auto start = std::chrono::steady_clock::now();
    const ComparisonResult result =
        CompareFiles(operands[0], operands[1], size, stop, progress, options);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("bytes %llu seconds %.6f first_difference %llu verdict %s peak_rss_kb %lld\n",
                static_cast<unsigned long long>(result.BytesCompared), seconds.count(),
                static_cast<unsigned long long>(result.FirstDifference),
                VerdictName(result.Verdict), static_cast<long long>(PeakRssKb()));
    return 0;
}

}  // namespace jumelix::bench
