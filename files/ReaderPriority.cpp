#include "files/ReaderPriority.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace jumelix {

void RunBehindWindow(int niceness)
{
    const sched_param batch{};
    sched_setscheduler(0, SCHED_BATCH, &batch);
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), getpriority(PRIO_PROCESS, 0) + niceness);
}

}  // namespace jumelix
