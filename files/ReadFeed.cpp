#include "files/ReadFeed.h"

#include "catalogue/RunFlags.h"
#include "catalogue/Walk.h"

#include <dirent.h>
#include <sys/resource.h>

#include <algorithm>
#include <thread>

namespace jumelix {
namespace {

int OpenDescriptors()
{
    DIR* folder = opendir("/proc/self/fd");
    if (folder == nullptr)
        return FolderCursor::kMaxOpenFolders;
    int count = -1;  // the listing's own
    while (readdir(folder) != nullptr)
        ++count;
    closedir(folder);
    return count - 2;  // "." and ".."
}

// Readers follow the cores, and more of them the disk when it keeps them
// waiting. Each holds at most two descriptors, out of those the program and
// the cursor leave free: with few, fewer readers, or none.
unsigned MaxReaders()
{
    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    const rlim_t used = static_cast<rlim_t>(OpenDescriptors()) + FolderCursor::kMaxOpenFolders + 8;
    const rlim_t spare = limit.rlim_cur > used ? (limit.rlim_cur - used) / 2 : 0;
    return static_cast<unsigned>(std::min<rlim_t>({16, 4 * rlim_t{cores}, spare}));
}

}  // namespace

void ReadFeed::Begin(WalkObserver& observer, const RunFlags& flags)
{
    observer_ = &observer;
    flags_ = &flags;
    readersUsed_ = 0;
}

void ReadFeed::Restart()
{
    if (readAhead_)
        readersUsed_ = readAhead_->Readers();
    readAhead_.reset();
}

void ReadFeed::End()
{
    Restart();
    observer_ = nullptr;
    flags_ = nullptr;
}

bool ReadFeed::Stopping()
{
    const bool stopping = flags_ != nullptr && flags_->WalkStop;
    if (stopping && readAhead_)
        readAhead_->Stop();
    return stopping;
}

std::optional<FolderRead> ReadFeed::Take(PathFolder& parent, std::string_view name,
                                         ReadAhead::Place& place, std::string& path)
{
    place = parent.place;
    place.push_back(parent.nextFolder++);
    path = parent.path.empty() ? std::string(name) : parent.path + '/' + std::string(name);
    if (!readAhead_ || !parent.subFoldersQueued)
        return std::nullopt;
    return readAhead_->Take(place, [this] {
        observer_->PumpEvents();
        return !flags_->WalkStop;
    });
}

void ReadFeed::Queue(int rootFd, const Wildcard& filter, PathFolder& current,
                     const std::vector<std::string>& folders)
{
    if (flags_ == nullptr || current.subFoldersQueued || folders.empty())
        return;
    if (!readAhead_) {
        const unsigned most = MaxReaders();
        if (most == 0)
            return;
        readAhead_ = std::make_unique<ReadAhead>(
            rootFd, filter, std::min(most, std::max(1U, std::thread::hardware_concurrency())), most, hook_);
    }
    readAhead_->Queue(current.place, current.path, current.id, folders);
    current.subFoldersQueued = true;
}

}  // namespace jumelix
