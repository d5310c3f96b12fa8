// jumelix-bench search: times the duplicate search and the column sorts.
#include "bench/Bench.h"
#include "catalogue/Catalogue.h"
#include "search/DuplicateSearch.h"
#include "search/ResultList.h"
#include "search/ResultOrdering.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace jumelix::bench {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Folder<TAB>Name<TAB>SizeText per line, as `walk --print` writes.
bool ReadCatalogue(const char* path, Catalogue& catalogue)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        const std::string_view text(line);
        const auto tab1 = text.find('\t');
        const auto tab2 = tab1 == std::string_view::npos ? tab1 : text.find('\t', tab1 + 1);
        const auto size = tab2 == std::string_view::npos ? std::nullopt : ParseSize(text.substr(tab2 + 1));
        if (!size) {
            std::fprintf(stderr, "bad catalogue line: %s\n", line.c_str());
            return false;
        }
        catalogue.Append(catalogue.AddFolder(text.substr(0, tab1)),
                         text.substr(tab1 + 1, tab2 - tab1 - 1), *size);
    }
    return true;
}

}  // namespace

// About a fifth empty files, two fifths among a thousand common sizes, the
// rest spread widely; a few thousand folders; names that repeat.
namespace {

void BuildSynthetic(Catalogue& catalogue, std::uint32_t n, std::uint64_t seed)
{
    std::mt19937_64 random(seed);
    const std::uint32_t folders = std::max<std::uint32_t>(1, std::min<std::uint32_t>(3000, n / 100));
    const std::uint32_t names = std::max<std::uint32_t>(1, n / 5);
    std::uniform_real_distribution<double> spread(0.0, 30.0);
    for (std::uint32_t i = 0; i < n; ++i) {
        const auto kind = random() % 5;
        const std::uint64_t size = kind == 0   ? 0
                                   : kind < 3 ? 1 + random() % 1000 * 4096
                                              : static_cast<std::uint64_t>(std::exp2(spread(random)));
        const auto folder = catalogue.AddFolder("/home/u/d" + std::to_string(random() % folders) + "/");
        catalogue.Append(folder, "file" + std::to_string(random() % names) + ".dat", size);
    }
}

void BuildEqual(Catalogue& catalogue, std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i)
        catalogue.Append(catalogue.AddFolder("/e/" + std::to_string(i) + "/"), "same.bin", 4096);
}

// The first, middle and last rows, to show that any row can be read.
void PrintSampleRows(const ResultList& list, const char* name)
{
    const std::uint64_t count = list.RowCount();
    if (count == 0)
        return;
    for (const std::uint64_t r : {std::uint64_t{0}, count / 2, count - 1}) {
        const ResultRow row = list.Row(r);
        std::printf("row %s %llu %s%.*s %llu\n", name, static_cast<unsigned long long>(r),
                    row.Folder.c_str(), static_cast<int>(row.Name.size()), row.Name.data(),
                    static_cast<unsigned long long>(row.Size));
    }
}

// The benchmark compares texts byte by byte; the window hands in the locale's.
int ByteCompare(std::string_view a, std::string_view b)
{
    return a.compare(b);
}

void SortEveryColumn(ResultOrdering& ordering, ResultList& list, const char* name)
{
    for (const Column column : {FolderColumn, NameColumn, SizeColumn}) {
        const auto start = Clock::now();
        ordering.ColumnClick(list, column);
        std::printf("sort_seconds %s column %d %.3f\n", name, int{column}, SecondsSince(start));
    }
}

// Mean microseconds for a random row's double and mirror, after a sort by
// folder; negative when a mirror does not list the row's double for its entry.
double TimeDoubleLookups(ResultOrdering& ordering, ResultList& list)
{
    constexpr int kLookups = 1'000'000;
    if (list.RowCount() == 0)
        return 0;
    ordering.ColumnClick(list, FolderColumn);
    std::mt19937_64 random(11);
    bool consistent = true;
    const auto start = Clock::now();
    for (int k = 0; k < kLookups; ++k) {
        const std::uint64_t row = random() % list.RowCount();
        const RowOrigin origin = *list.OriginOf(row);
        const std::uint64_t mirror = list.RowOf({origin.Outer, origin.Entry});
        consistent = consistent && list.OriginOf(mirror) == RowOrigin{origin.Outer, origin.Entry};
    }
    const double micros = SecondsSince(start) * 1e6 / kLookups;
    return consistent ? micros : -1;
}

int Usage()
{
    std::fprintf(stderr, "usage: jumelix-bench search [--print] CATALOGUE.tsv\n"
                         "       jumelix-bench search --synthetic N [--seed S]\n"
                         "       jumelix-bench search --equal N\n");
    return 2;
}

}  // namespace

void PrintRows(const ResultList& list, char tag)
{
    for (std::uint64_t r = 0; r < list.RowCount(); ++r) {
        const ResultRow row = list.Row(r);
        std::printf("%c\t%s\t%.*s\t%s\n", tag, row.Folder.c_str(), static_cast<int>(row.Name.size()),
                    row.Name.data(), DecimalText(row.Size).c_str());
    }
}

Made MakeCatalogue(int argc, char** argv, Catalogue* catalogue)
{
    const bool equal = argc == 3 && std::strcmp(argv[1], "--equal") == 0;
    const bool synthetic = (argc == 3 || (argc == 5 && std::strcmp(argv[3], "--seed") == 0)) &&
                           std::strcmp(argv[1], "--synthetic") == 0;
    if (!equal && !synthetic)
        return Made::None;
    const auto n = static_cast<std::uint32_t>(std::stoul(argv[2]));
    if (catalogue != nullptr && equal)
        BuildEqual(*catalogue, n);
    else if (catalogue != nullptr)
        BuildSynthetic(*catalogue, n, argc == 5 ? std::stoull(argv[4]) : 1);
    return equal ? Made::Equal : Made::Synthetic;
}

int Search(int argc, char** argv)
{
    Catalogue catalogue;
    bool print = false;
    bool sortLists = false;
    bool sampleRows = false;
    const Made made = MakeCatalogue(argc, argv, &catalogue);
    if (made != Made::None) {
        sortLists = true;
        sampleRows = made == Made::Equal;
    } else if (argc == 2 || (argc == 3 && std::strcmp(argv[1], "--print") == 0)) {
        print = argc == 3;
        if (!ReadCatalogue(argv[argc - 1], catalogue))
            return 1;
    } else {
        return Usage();
    }

    RunFlags flags{.SearchRunning = true};
    SearchObserver observer;
    ResultList upper;
    ResultList lower;
    const auto start = Clock::now();
    RunDuplicateSearch(catalogue, flags, observer, upper, lower);
    const double seconds = SecondsSince(start);

    if (print) {
        PrintRows(upper, 'U');
        PrintRows(lower, 'L');
    }
    ResultOrdering ordering(ByteCompare);
    if (sortLists) {
        SortEveryColumn(ordering, upper, "upper");
        SortEveryColumn(ordering, lower, "lower");
    }
    if (sampleRows) {
        PrintSampleRows(upper, "upper");
        PrintSampleRows(lower, "lower");
    }
    const double doubleMicros = sortLists ? TimeDoubleLookups(ordering, upper) : 0;
    std::printf("entries %zu upper %llu lower %llu seconds %.3f double_us %.3f peak_rss_kb %lld\n",
                catalogue.size(), static_cast<unsigned long long>(upper.RowCount()),
                static_cast<unsigned long long>(lower.RowCount()), seconds, doubleMicros,
                static_cast<long long>(PeakRssKb()));
    return doubleMicros < 0 ? 1 : 0;
}

}  // namespace jumelix::bench
