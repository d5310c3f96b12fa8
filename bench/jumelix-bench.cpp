#include "bench/Bench.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace jumelix::bench {

std::int64_t PeakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void DropPageCache()
{
    sync();
    std::FILE* control = geteuid() == 0 ? std::fopen("/proc/sys/vm/drop_caches", "w") : nullptr;
    const bool dropped = control != nullptr && std::fputs("3\n", control) >= 0;
    if (control != nullptr)
        std::fclose(control);
    std::fprintf(stderr, dropped ? "page cache dropped\n" : "page cache kept: not root\n");
}

}  // namespace jumelix::bench

int main(int argc, char** argv)
{
    struct Command {
        const char* name;
        int (*run)(int, char**);
    };
    const std::vector<Command> commands = {
        {"walk", jumelix::bench::Walk},
        {"search", jumelix::bench::Search},
        {"gui-walk", jumelix::bench::GuiWalk},
        {"gui-search", jumelix::bench::GuiSearch},
        {"compare", jumelix::bench::Compare},
        {"gui-compare", jumelix::bench::GuiCompare},
        {"contents", jumelix::bench::Contents},
        {"gui-contents", jumelix::bench::GuiContents},
    };
    if (argc >= 2) {
        for (const Command& command : commands) {
            if (std::strcmp(argv[1], command.name) == 0)
                return command.run(argc - 1, argv + 1);
        }
    }
    std::fprintf(stderr, "usage: jumelix-bench COMMAND [ARGS...]\ncommands:");
    for (const Command& command : commands)
        std::fprintf(stderr, " %s", command.name);
    std::fprintf(stderr, "\n");
    return 2;
}
