#pragma once

#include <cstdint>

namespace jumelix {
class Catalogue;
class ResultList;
}

namespace jumelix::bench {

// Each sub-command of jumelix-bench; argv[0] is the sub-command's name.
int Walk(int argc, char** argv);
int Search(int argc, char** argv);
int GuiWalk(int argc, char** argv);
int GuiSearch(int argc, char** argv);
int Compare(int argc, char** argv);
int GuiCompare(int argc, char** argv);
int Contents(int argc, char** argv);
int GuiContents(int argc, char** argv);

// Walks `folder` into the catalogue as step 1 does.
struct WalkFigures {
    std::int32_t filesAdded;
    std::int64_t folders;
    unsigned readers;
};
WalkFigures WalkInto(Catalogue& catalogue, const char* folder, const char* filter, bool recurse);

// Each row as `tag<TAB>Folder<TAB>Name<TAB>Size`.
void PrintRows(const ResultList& list, char tag);

// What `--synthetic N [--seed S]` or `--equal N` (argv[1] on) made of the
// catalogue: a seeded synthetic catalogue of N entries, or N files of one size
// each in a folder of its own (N(N-1) upper rows). None for other arguments.
// Without a catalogue, only says what would be made.
enum class Made { None, Synthetic, Equal };
Made MakeCatalogue(int argc, char** argv, Catalogue* catalogue);

// The process's peak resident set size so far, in KiB.
std::int64_t PeakRssKb();
// Empties the page cache when run as root, so that a step reads from the disk;
// says on standard error whether it did.
void DropPageCache();

}  // namespace jumelix::bench
