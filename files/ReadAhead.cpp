#include "files/ReadAhead.h"

#include "catalogue/Wildcard.h"
#include "files/ReaderPriority.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_set>
#include <system_error>

namespace jumelix {
namespace {

// Read and not yet taken: enough folders to keep many requests in flight on a
// cold disk, few enough bytes to leave the walk's memory much as it was.
constexpr std::size_t kMaxHeldFolders = 256;
constexpr std::size_t kMaxHeldBytes = std::size_t{8} << 20;
// Readers that wait for room are woken in batches, not once per folder taken.
constexpr std::size_t kWakeHeldFolders = kMaxHeldFolders * 3 / 4;
constexpr std::size_t kWakeHeldBytes = kMaxHeldBytes * 3 / 4;
constexpr auto kWaitSlice = std::chrono::milliseconds(5);
constexpr int kReaderNiceness = 5;

// A reader that waited on the disk gave up its core, which another reader can
// use; one merely preempted did not. One read in so many is looked at.
constexpr unsigned kReadsPerLook = 8;

long VoluntarySwitches()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

std::size_t BytesOf(const FolderRead& read)
{
    std::size_t bytes = sizeof read + read.path.size() + read.sizes.size() * sizeof read.sizes[0] +
                        read.folderIds.size() * sizeof read.folderIds[0];
    for (const std::vector<std::string>* names : {&read.listing.Files, &read.listing.Folders}) {
        bytes += names->size() * sizeof(std::string);
        for (const std::string& name : *names)
            bytes += name.size();
    }
    return bytes;
}

}  // namespace

class ReadAhead::Impl {
public:
    Impl(int rootFd, const Wildcard& filter, unsigned firstReaders, unsigned maxReaders, ReadHook hook);
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    void Queue(const Place& place, const std::string& path, const FolderIdentity& id,
               const std::vector<std::string>& folders);
    std::optional<FolderRead> Take(const Place& place, const std::function<bool()>& keepWaiting);
    void Stop();
    unsigned Readers();

private:
    enum class State { Queued, Reading, Read, Dropped };
    struct Folder {
        State state = State::Queued;
        FolderRead read;
        std::size_t bytes = 0;
    };

    // Sub-folders to queue, in the walk's order.
    struct Batch {
        std::map<Place, Folder> folders;
        std::set<Place> queued;
    };
    static Batch SubFolders(const Place& place, const std::string& path,
                            const std::vector<std::string>& folders);

    void startReader();
    void readerLoop();
    void readFolder(FolderRead& read, ListingBuffer& buffer) const;
    void queueLocked(Batch& batch);
    bool mayRead(const Place& place) const;
    void stopLocked();

    const int rootFd_;
    const Wildcard filter_;
    const unsigned firstReaders_;
    const unsigned maxReaders_;
    const ReadHook hook_;

    std::mutex mutex_;
    std::condition_variable readersWake_;
    std::condition_variable walkWake_;
    std::map<Place, Folder> folders_;  // queued, being read and read, in the walk's order
    std::set<Place> queued_;
    std::unordered_set<FolderIdentity, FolderIdentityHash> expanded_;
    std::optional<Place> awaited_;
    std::size_t held_ = 0;  // folders being read or read and not taken
    std::size_t heldBytes_ = 0;
    std::atomic<bool> stopped_ = false;  // also read by readers between their calls
    unsigned idle_ = 0;
    bool roomAwaited_ = false;  // an idle reader waits for the walk to take reads
    std::vector<std::thread> readers_;
};

ReadAhead::Impl::Impl(int rootFd, const Wildcard& filter, unsigned firstReaders,
                     unsigned maxReaders, ReadHook hook)
    : rootFd_(fcntl(rootFd, F_DUPFD_CLOEXEC, 0)),
      filter_(filter),
      firstReaders_(std::max(firstReaders, 1U)),
      maxReaders_(std::max(maxReaders, firstReaders_)),
      hook_(std::move(hook))
{
    stopped_ = rootFd_ < 0;
}

ReadAhead::Impl::~Impl()
{
    Stop();
    for (std::thread& reader : readers_)
        reader.join();
    if (rootFd_ >= 0)
        close(rootFd_);
}

void ReadAhead::Impl::Queue(const Place& place, const std::string& path, const FolderIdentity& id,
                      const std::vector<std::string>& folders)
{
    Batch batch = SubFolders(place, path, folders);
    const std::lock_guard lock(mutex_);
    if (stopped_)
        return;
    expanded_.insert(id);
    queueLocked(batch);
    try {
        while (readers_.size() < firstReaders_)
            startReader();
    } catch (const std::system_error&) {
        stopped_ = readers_.empty();  // no thread to spare: the walk reads for itself
    }
    readersWake_.notify_all();
}

// Made outside the lock, so that readers and the walk rarely wait for it.
ReadAhead::Impl::Batch ReadAhead::Impl::SubFolders(const Place& place, const std::string& path,
                                       const std::vector<std::string>& folders)
{
    Batch batch;
    Place child = place;
    child.push_back(0);
    for (const std::string& name : folders) {
        Folder folder;
        folder.read.path = path;
        if (!path.empty())
            folder.read.path += '/';
        folder.read.path += name;
        batch.queued.insert(batch.queued.end(), child);
        batch.folders.emplace_hint(batch.folders.end(), child, std::move(folder));
        ++child.back();
    }
    return batch;
}

void ReadAhead::Impl::queueLocked(Batch& batch)
{
    folders_.merge(batch.folders);
    // Places already known (queued again after a tree changed) keep their state.
    for (const auto& [place, folder] : batch.folders)
        batch.queued.erase(place);
    queued_.merge(batch.queued);
}

std::optional<FolderRead> ReadAhead::Impl::Take(const Place& place,
                                          const std::function<bool()>& keepWaiting)
{
    std::unique_lock lock(mutex_);
    // The walk never comes back to what lies before it.
    queued_.erase(queued_.begin(), queued_.lower_bound(place));
    for (auto it = folders_.begin(); it != folders_.end() && it->first < place;) {
        if (it->second.state == State::Reading)
            it->second.state = State::Dropped;  // its reader drops it when done
        if (it->second.state == State::Dropped) {
            ++it;
            continue;
        }
        if (it->second.state == State::Read) {
            --held_;
            heldBytes_ -= it->second.bytes;
        }
        it = folders_.erase(it);
    }
    const auto it = folders_.find(place);
    if (it == folders_.end() || stopped_)
        return std::nullopt;
    if (it->second.state != State::Read) {
        awaited_ = place;  // read even beyond the caps
        readersWake_.notify_all();
        while (it->second.state != State::Read && !stopped_) {
            if (walkWake_.wait_for(lock, kWaitSlice) == std::cv_status::no_timeout)
                continue;
            lock.unlock();
            const bool keep = keepWaiting();
            lock.lock();
            if (!keep)
                stopLocked();
        }
        awaited_.reset();
        if (stopped_)
            return std::nullopt;
    }
    FolderRead read = std::move(it->second.read);
    --held_;
    heldBytes_ -= it->second.bytes;
    folders_.erase(it);
    if (roomAwaited_ && held_ <= kWakeHeldFolders && heldBytes_ <= kWakeHeldBytes) {
        roomAwaited_ = false;
        readersWake_.notify_all();
    }
    return read;
}

void ReadAhead::Impl::Stop()
{
    const std::lock_guard lock(mutex_);
    stopLocked();
}

void ReadAhead::Impl::stopLocked()
{
    stopped_ = true;
    queued_.clear();
    readersWake_.notify_all();
    walkWake_.notify_all();
}

unsigned ReadAhead::Impl::Readers()
{
    const std::lock_guard lock(mutex_);
    return static_cast<unsigned>(readers_.size());
}

void ReadAhead::Impl::startReader()
{
    readers_.emplace_back([this] { readerLoop(); });
}

bool ReadAhead::Impl::mayRead(const Place& place) const
{
    return (held_ < kMaxHeldFolders && heldBytes_ < kMaxHeldBytes) || place == awaited_;
}

void ReadAhead::Impl::readerLoop()
{
    // On a busy machine the walk's thread, the window's, gets a core first: it
    // preempts batch work as soon as it wakes.
    RunBehindWindow(kReaderNiceness);
    ListingBuffer buffer;
    unsigned reads = 0;
    std::unique_lock lock(mutex_);
    while (!stopped_) {
        if (queued_.empty() || !mayRead(*queued_.begin())) {
            roomAwaited_ = roomAwaited_ || !queued_.empty();
            ++idle_;
            readersWake_.wait(lock);
            --idle_;
            continue;
        }
        const bool mayGrow = readers_.size() < maxReaders_;
        const Place place = std::move(queued_.extract(queued_.begin()).value());
        Folder& folder = folders_.at(place);
        folder.state = State::Reading;
        ++held_;
        FolderRead read;
        read.path = std::move(folder.read.path);
        lock.unlock();

        const bool look = mayGrow && ++reads % kReadsPerLook == 0;
        const long switches = look ? VoluntarySwitches() : 0;
        try {
            readFolder(read, buffer);
        } catch (...) {
            read.error = std::current_exception();
        }
        const bool waitedOnDisk = look && VoluntarySwitches() > switches;
        const std::size_t bytes = BytesOf(read);
        Batch batch;
        if (read.opened && !read.error)
            batch = SubFolders(place, read.path, read.listing.Folders);

        lock.lock();
        if (stopped_)
            break;  // the walk takes nothing more, and is joining the readers
        if (folder.state == State::Dropped) {
            --held_;
            folders_.erase(place);
            continue;
        }
        if (!batch.folders.empty() && expanded_.insert(read.id).second) {
            queueLocked(batch);
            read.subFoldersQueued = true;
            if (idle_ > 0)
                readersWake_.notify_all();
        }
        folder.read = std::move(read);
        folder.bytes = bytes;
        folder.state = State::Read;
        heldBytes_ += bytes;
        if (place == awaited_)
            walkWake_.notify_one();
        // More requests in flight than cores pays while the disk keeps readers waiting.
        if (waitedOnDisk && idle_ == 0 && readers_.size() < maxReaders_ && !queued_.empty()) {
            try {
                startReader();
            } catch (const std::system_error&) {
                // The readers already started go on.
            }
        }
    }
}

void ReadAhead::Impl::readFolder(FolderRead& read, ListingBuffer& buffer) const
{
    if (hook_)
        hook_(read.path, ReadStage::Opening);
    const int fd = OpenFolderPath(rootFd_, read.path);
    if (fd < 0)
        return;
    struct stat st {};
    if (fstat(fd, &st) == 0) {
        read.opened = true;
        read.id = IdentityOf(st);
        buffer.List(fd, read.id, filter_, read.listing, read.folderIds);
        if (hook_)
            hook_(read.path, ReadStage::Listed);
        read.sizes.reserve(read.listing.Files.size());
        for (const std::string& name : read.listing.Files) {
            if (stopped_.load(std::memory_order_relaxed))
                break;  // the walk will not take it
            read.sizes.push_back(FileSizeAt(fd, name.c_str()).value_or(FolderRead::kNoSize));
        }
    }
    close(fd);
}

ReadAhead::ReadAhead(int rootFd, const Wildcard& filter, unsigned firstReaders, unsigned maxReaders,
                     ReadHook hook)
    : impl_(std::make_unique<Impl>(rootFd, filter, firstReaders, maxReaders, std::move(hook)))
{
}

ReadAhead::~ReadAhead() = default;

void ReadAhead::Queue(const Place& place, const std::string& path, const FolderIdentity& id,
                      const std::vector<std::string>& folders)
{
    impl_->Queue(place, path, id, folders);
}

std::optional<FolderRead> ReadAhead::Take(const Place& place, const std::function<bool()>& keepWaiting)
{
    return impl_->Take(place, keepWaiting);
}

void ReadAhead::Stop()
{
    impl_->Stop();
}

unsigned ReadAhead::Readers()
{
    return impl_->Readers();
}

}  // namespace jumelix
