#pragma once

#include <cstdint>

namespace jumelix::bench {

// Each sub-command of jumelix-bench; argv[0] is the sub-command's name.
int Walk(int argc, char** argv);
int Search(int argc, char** argv);
int GuiWalk(int argc, char** argv);
int GuiSearch(int argc, char** argv);

// The process's peak resident set size so far, in KiB.
std::int64_t PeakRssKb();

}  // namespace jumelix::bench
