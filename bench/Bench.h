#pragma once

#include <cstdint>

namespace jumelix {
class Catalogue;
}

namespace jumelix::bench {

// Each sub-command of jumelix-bench; argv[0] is the sub-command's name.
int Walk(int argc, char** argv);
int Search(int argc, char** argv);
int GuiWalk(int argc, char** argv);
int GuiSearch(int argc, char** argv);
int Compare(int argc, char** argv);
int GuiCompare(int argc, char** argv);

// A seeded synthetic catalogue of n entries, as `search --synthetic` uses.
void BuildSynthetic(Catalogue& catalogue, std::uint32_t n, std::uint64_t seed);
// n files of one size, each in a folder of its own: n(n-1) upper rows.
void BuildEqual(Catalogue& catalogue, std::uint32_t n);

// The process's peak resident set size so far, in KiB.
std::int64_t PeakRssKb();
// Empties the page cache when run as root, so that a step reads from the disk;
// says on standard error whether it did.
void DropPageCache();

}  // namespace jumelix::bench
