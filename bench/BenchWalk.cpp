#include "bench/Bench.h"

#include "catalogue/Catalogue.h"
#include "catalogue/RunFlags.h"
#include "catalogue/Walk.h"
#include "files/PosixFileEnumeration.h"


#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
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
    std::string out;
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const CatalogueEntry entry = catalogue[i];
        out.append(entry.Folder).append(1, '\t').append(entry.Name).append(1, '\t');
        out.append(entry.SizeText()).append(1, '\n');
        if (out.size() >= (1 << 20) || i + 1 == catalogue.size()) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
}

}  // namespace

WalkFigures WalkInto(Catalogue& catalogue, const char* folder, const char* filter, bool recurse)
{
    PosixFileEnumeration files;
    RunFlags flags;
    CountingObserver observer;
    FolderWalk walk(files, catalogue, flags, observer);
    flags.WalkRunning = true;
    walk.ScanFolder(folder, filter, 0, recurse);
    return {walk.FilesAdded(), observer.folders, files.Readers()};
}

int Walk(int argc, char** argv)
{
    bool recurse = true;
    bool print = false;
    bool cold = false;
    std::vector<const char*> operands;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--flat") == 0)
            recurse = false;
        else if (std::strcmp(argv[i], "--print") == 0)
            print = true;
        else if (std::strcmp(argv[i], "--cold") == 0)
            cold = true;
        else
            operands.push_back(argv[i]);
    }
    if (operands.empty() || operands.size() > 2) {
        std::fprintf(stderr,
                     "usage: jumelix-bench walk [--flat] [--print] [--cold] DIR [FILTER]\n");
        return 2;
    }
    if (cold)
        DropPageCache();
    const char* filter = operands.size() == 2 ? operands[1] : "*.*";

    Catalogue catalogue;
    const auto start = std::chrono::steady_clock::now();
    const WalkFigures walked = WalkInto(catalogue, operands[0], filter, recurse);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;

    if (print)
        PrintCatalogue(catalogue);
    // Printed with the catalogue, the figures go apart, so that `search` reads the catalogue as it is.
    std::fprintf(print ? stderr : stdout,
                 "entries %d folders %lld seconds %.6f peak_rss_kb %lld readers %u\n",
                 walked.filesAdded, static_cast<long long>(walked.folders), seconds.count(),
                 static_cast<long long>(PeakRssKb()), walked.readers);
    return 0;
}

}  // namespace jumelix::bench
