#include "Bench.h"

#include "Catalogue.h"
#include "PosixFileEnumeration.h"
#include "RunFlags.h"
#include "Walk.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace jumelix::bench {
namespace {

// The window's stand-in: counts the folders logged; its pump, still called
// wherever the window's would be, has nothing to dispatch.
class CountingObserver final : public WalkObserver {
public:
    void FolderEntered(std::string_view) override { ++folders; }
    void PumpEvents() override {}
    std::int64_t folders = 0;
};

void PrintCatalogue(const Catalogue& catalogue)
{
    std::vector<char> buffer(1 << 20);
    std::setvbuf(stdout, buffer.data(), _IOFBF, buffer.size());
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const CatalogueEntry entry = catalogue[i];
        const std::string size = entry.SizeText();
        std::fwrite(entry.Folder.data(), 1, entry.Folder.size(), stdout);
        std::fputc('\t', stdout);
        std::fwrite(entry.Name.data(), 1, entry.Name.size(), stdout);
        std::fputc('\t', stdout);
        std::fwrite(size.data(), 1, size.size(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
}

}  // namespace

int Walk(int argc, char** argv)
{
    bool recurse = true;
    bool print = false;
    std::vector<const char*> operands;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--flat") == 0)
            recurse = false;
        else if (std::strcmp(argv[i], "--print") == 0)
            print = true;
        else
            operands.push_back(argv[i]);
    }
    if (operands.empty() || operands.size() > 2) {
        std::fprintf(stderr, "usage: jumelix-bench walk [--flat] [--print] DIR [FILTER]\n");
        return 2;
    }
    const char* filter = operands.size() == 2 ? operands[1] : "*.*";

    PosixFileEnumeration files;
    Catalogue catalogue;
    RunFlags flags;
    CountingObserver observer;
    FolderWalk walk(files, catalogue, flags, observer);
    flags.WalkRunning = true;
    const auto start = std::chrono::steady_clock::now();
    walk.ScanFolder(operands[0], filter, 0, recurse);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    flags.WalkRunning = false;

    if (print)
        PrintCatalogue(catalogue);
    std::printf("entries %d folders %lld seconds %.6f peak_rss_kb %lld\n", walk.FilesAdded(),
                static_cast<long long>(observer.folders), seconds.count(),
                static_cast<long long>(PeakRssKb()));
    return 0;
}

}  // namespace jumelix::bench
