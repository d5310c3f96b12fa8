#include "files/ContentReading.h"

#include "files/FileReading.h"
#include "files/ReaderPriority.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <tuple>

namespace jumelix {
namespace {

// Whole contents are read in long runs: a few streams keep a disk busy.
constexpr unsigned kStreams = 4;
// Files of one group open at a time in a stream.
constexpr std::size_t kGroupFiles = 16;
// The work of opening a file, in bytes read: about what reading costs warm.
constexpr std::uint64_t kOpeningWork = std::uint64_t{32} << 10;
// How often the readers' use of the processors is looked at.
constexpr auto kReaderWatch = std::chrono::milliseconds(5);
// First blocks read before a reader adds them to the counts everyone sees.
constexpr std::uint32_t kTallyFiles = 32;
// Reading on a warm cache keeps every processor busy for seconds: the
// window's thread, and what paints for it, must come first.
constexpr int kReaderNiceness = 19;
// Descriptors left for the rest of the program.
constexpr std::size_t kSpareDescriptors = 16;

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Calls run(first, last) for each run [first, last) of the places 0..count-1
// in which `same(first, k)` holds for every k.
template <typename Same, typename Run>
void ForEachRun(std::size_t count, Same same, Run run)
{
    for (std::size_t first = 0; first < count;) {
        std::size_t last = first + 1;
        while (last < count && same(first, last))
            ++last;
        run(first, last);
        first = last;
    }
}

bool IsListedFile(const struct stat& st, std::uint64_t size)
{
    return S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) == size;
}

}  // namespace

ContentReading::ContentReading(const Catalogue& catalogue, const ContentOptions& options)
    : catalogue_(catalogue), options_(options)
{
    classes_.Fate.assign(catalogue.size(), ContentFate::Pending);
    classes_.First.assign(catalogue.size(), 0);
    driver_ = std::thread([this] {
        RunBehindWindow(kReaderNiceness);
        Run();
        const std::lock_guard lock(mutex_);
        done_ = true;
        ended_.notify_all();
    });
}

ContentReading::~ContentReading()
{
    RequestStop();
    if (driver_.joinable())
        driver_.join();
}

bool ContentReading::WaitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return ended_.wait_for(lock, timeout, [this] { return done_; });
}

std::uint32_t ContentReading::Thousandths() const
{
    const std::uint64_t total = totalWork_.load(std::memory_order_relaxed);
    const std::uint64_t done = workDone_.load(std::memory_order_relaxed);
    return total == 0 ? 0 : static_cast<std::uint32_t>(static_cast<double>(done) * 1000.0 / static_cast<double>(total));
}

ContentClasses ContentReading::Result()
{
    if (driver_.joinable())
        driver_.join();
    classes_.FilesRead = filesRead_.load(std::memory_order_relaxed);
    classes_.BytesRead = bytesRead_.load(std::memory_order_relaxed);
    return std::move(classes_);
}

void ContentReading::Run()
{
    PickCandidates();
    BudgetDescriptors();
    const auto stages = {&ContentReading::ReadFirstBlocks, &ContentReading::DropLinks,
                         &ContentReading::CompareGroups};
    for (const auto stage : stages) {
        if (Stopping() || candidates_.empty())
            return;
        (this->*stage)();
    }
}

// Only a file that shares its size with another can have a copy.
void ContentReading::PickCandidates()
{
    // Sizes sorted beside their entries, rather than entries by their sizes:
    // no look-up into the catalogue for each comparison.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> bySize(catalogue_.size());
    for (std::uint32_t entry = 0; entry < bySize.size(); ++entry)
        bySize[entry] = {catalogue_.SizeOf(entry), entry};
    std::sort(bySize.begin(), bySize.end());
    std::vector<bool> shared(bySize.size());
    std::size_t count = 0;
    std::uint64_t total = 0;
    const auto sameSize = [&](std::size_t a, std::size_t b) { return bySize[a].first == bySize[b].first; };
    ForEachRun(bySize.size(), sameSize, [&](std::size_t first, std::size_t last) {
        const std::uint64_t size = bySize[first].first;
        for (std::size_t k = first; k < last; ++k) {
            if (size == 0)
                SettleEntry(bySize[k].second, ContentFate::Empty);
            else if (last - first == 1)
                SettleEntry(bySize[k].second, ContentFate::Alone);
            else
                shared[bySize[k].second] = true;
        }
        if (size > 0 && last - first > 1) {
            count += last - first;
            total += (kOpeningWork + size) * (last - first);
        }
    });
    // Read in catalogue order, which is the walk's: files of a folder together.
    candidates_.reserve(count);
    for (std::uint32_t entry = 0; entry < shared.size(); ++entry) {
        if (shared[entry])
            candidates_.push_back({entry, catalogue_.SizeOf(entry), 0, 0, 0, 0, ContentFate::Pending});
    }
    classes_.Candidates = candidates_.size();
    seen_.store(static_cast<std::uint32_t>(catalogue_.size() - candidates_.size()), std::memory_order_relaxed);
    totalWork_.store(total, std::memory_order_relaxed);
}

// A file no larger than the block is read whole here, one byte more showing
// that it grew. Files of one folder go to one reader, which opens them from
// the folder.
void ContentReading::ReadFirstBlocks()
{
    std::vector<std::pair<std::size_t, std::size_t>> folders;
    ForEachRun(
        candidates_.size(),
        [this](std::size_t a, std::size_t b) {
            return catalogue_.FolderOf(candidates_[a].entry) == catalogue_.FolderOf(candidates_[b].entry);
        },
        [&folders](std::size_t first, std::size_t last) { folders.emplace_back(first, last); });
    OnReaders(folders.size(), readers_, options_.FirstBlockBytes + 1, [this, &folders](std::size_t i, char* buffer) {
        const auto [first, last] = folders[i];
        const std::string folderText(catalogue_.FolderText(catalogue_.FolderOf(candidates_[first].entry)));
        const Descriptor folder(last - first > 1 ? open(folderText.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC) : -1);
        Tally tally;
        for (std::size_t k = first; k < last && !Stopping(); ++k) {
            Candidate& candidate = candidates_[k];
            const std::string name(catalogue_.NameOf(candidate.entry));
            const Descriptor file(folder.get() >= 0 ? OpenForReading(name.c_str(), folder.get())
                                                    : OpenForReading(PathOf(candidate).c_str()));
            ReadFirstBlock(file.get(), candidate, buffer, tally);
            if (++tally.seen == kTallyFiles)
                Publish(tally);
        }
        Publish(tally);
    });
    DropSettled();
}

void ContentReading::ReadFirstBlock(int fd, Candidate& candidate, char* buffer, Tally& tally)
{
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || !IsListedFile(st, candidate.size))
        return Settle(candidate, ContentFate::Unreadable);
    candidate.device = st.st_dev;
    candidate.inode = st.st_ino;
    const bool whole = candidate.size <= options_.FirstBlockBytes;
    const std::size_t wanted = whole ? candidate.size + 1 : options_.FirstBlockBytes;
    const auto expected = static_cast<ssize_t>(whole ? candidate.size : wanted);
    // A short read of a regular file is its end: no second read to see it.
    ssize_t got = read(fd, buffer, wanted);
    if (got >= 0 && got < expected) {
        const ssize_t more = ReadFully(fd, buffer + got, wanted - static_cast<std::size_t>(got));
        got = more < 0 ? more : got + more;
    }
    const std::uint64_t bytes = got >= 0 ? static_cast<std::uint64_t>(got) : 0;
    ++tally.files;
    tally.bytes += bytes;
    tally.work += Credit(candidate, kOpeningWork + bytes);
    if (got != expected)
        return Settle(candidate, ContentFate::Unreadable);
    candidate.hash = HashBytes(buffer, static_cast<std::size_t>(got));
}

// Each stream holds up to a group's files open, and each first-block reader
// one file, within what the process may open besides.
void ContentReading::BudgetDescriptors()
{
    rlimit limit{};
    std::size_t open = 0;
    for ([[maybe_unused]] const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", std::filesystem::directory_options::skip_permission_denied))
        ++open;
    const std::size_t allowed = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                                    ? static_cast<std::size_t>(limit.rlim_cur)
                                    : SIZE_MAX / 2;
    const std::size_t free = allowed > open + kSpareDescriptors + 2 ? allowed - open - kSpareDescriptors : 2;
    readers_ = static_cast<unsigned>(std::clamp<std::size_t>(free, 1, std::max(options_.Readers, 1U)));
    streams_ = static_cast<unsigned>(std::clamp<std::size_t>(free / 2, 1, kStreams));
    groupFiles_ = std::clamp<std::size_t>(free / streams_, 2, kGroupFiles);
}

// Only the first path in catalogue order stands for a file.
void ContentReading::DropLinks()
{
    std::sort(candidates_.begin(), candidates_.end(), [](const Candidate& a, const Candidate& b) {
        return std::tie(a.device, a.inode, a.entry) < std::tie(b.device, b.inode, b.entry);
    });
    for (std::size_t k = 1; k < candidates_.size(); ++k) {
        const Candidate& before = candidates_[k - 1];
        if (candidates_[k].device == before.device && candidates_[k].inode == before.inode)
            Settle(candidates_[k], ContentFate::Link);
    }
    DropSettled();
    KeepGroupsOfTwo();
}

// A group is read in lockstep, a block of each member at a time, and split
// wherever blocks differ: each byte is read once, and a member stops being
// read once no other still matches it. A group too large to hold open is
// first split by a hash of the whole contents, which the first block gave
// for files no larger than it, then read against its first member in batches.
void ContentReading::CompareGroups()
{
    std::vector<std::vector<std::size_t>> groups;
    ForEachRun(candidates_.size(), [this](std::size_t a, std::size_t b) { return Alike(a, b); },
               [&groups](std::size_t first, std::size_t last) {
                   groups.emplace_back();
                   for (std::size_t k = first; k < last; ++k)
                       groups.back().push_back(k);
               });
    // The largest groups first, so that no reader is left with one at the end.
    std::stable_sort(groups.begin(), groups.end(), [this](const auto& a, const auto& b) {
        return candidates_[a.front()].size * a.size() > candidates_[b.front()].size * b.size();
    });
    OnReaders(groups.size(), streams_, StreamBytes(), [this, &groups](std::size_t i, char* buffer) {
        CompareGroup(groups[i], candidates_[groups[i].front()].size <= options_.FirstBlockBytes, buffer);
    });
}

void ContentReading::CompareGroup(const std::vector<std::size_t>& members, bool hashed, char* buffer)
{
    if (members.size() > groupFiles_ && !hashed)
        return SplitByHash(members, buffer);
    if (members.size() <= groupFiles_) {
        const Lockstep read = ReadInLockstep(members, buffer);
        if (read.stopped)
            return;
        for (const std::size_t k : read.failed)
            Settle(candidates_[k], ContentFate::Unreadable);
        for (const auto& set : read.sets)
            SettleSet(set);
        return;
    }
    // Batches against the first member; whatever differs from it is read again
    // as a group of its own, which hashes make rare.
    const std::size_t leader = members.front();
    bool leaderCopied = false;
    std::vector<std::size_t> rest;
    for (std::size_t from = 1; from < members.size(); from += groupFiles_ - 1) {
        std::vector<std::size_t> batch{leader};
        const std::size_t to = std::min(members.size(), from + groupFiles_ - 1);
        batch.insert(batch.end(), members.begin() + static_cast<std::ptrdiff_t>(from),
                     members.begin() + static_cast<std::ptrdiff_t>(to));
        const Lockstep read = ReadInLockstep(batch, buffer);
        if (read.stopped)
            return;
        for (const std::size_t k : read.failed) {
            if (k != leader)
                Settle(candidates_[k], ContentFate::Unreadable);
        }
        const bool leaderFailed = std::find(read.failed.begin(), read.failed.end(), leader) != read.failed.end();
        if (leaderFailed) {
            // Its copies so far stay; the others are read again without it.
            if (!leaderCopied)
                Settle(candidates_[leader], ContentFate::Unreadable);
            for (const auto& set : read.sets)
                rest.insert(rest.end(), set.begin(), set.end());
            rest.insert(rest.end(), members.begin() + static_cast<std::ptrdiff_t>(to), members.end());
            break;
        }
        for (const auto& set : read.sets) {
            if (set.front() != leader) {
                rest.insert(rest.end(), set.begin(), set.end());
                continue;
            }
            for (const std::size_t k : set) {
                if (k != leader)
                    SettleCopy(k, leader);
            }
            if (set.size() > 1 && !leaderCopied) {
                SettleCopy(leader, leader);
                leaderCopied = true;
            }
        }
    }
    if (!leaderCopied && candidates_[leader].fate == ContentFate::Pending)
        Settle(candidates_[leader], ContentFate::Alone);
    std::sort(rest.begin(), rest.end());
    if (rest.size() == 1)
        Settle(candidates_[rest.front()], ContentFate::Alone);
    else if (!rest.empty())
        CompareGroup(rest, hashed, buffer);
}

void ContentReading::SplitByHash(std::vector<std::size_t> members, char* buffer)
{
    for (const std::size_t k : members) {
        if (Stopping())
            return;
        HashWholeContents(candidates_[k], buffer);
    }
    std::erase_if(members, [this](std::size_t k) { return candidates_[k].fate != ContentFate::Pending; });
    std::sort(members.begin(), members.end(), [this](std::size_t a, std::size_t b) {
        return std::pair(candidates_[a].hash, a) < std::pair(candidates_[b].hash, b);
    });
    ForEachRun(
        members.size(), [&](std::size_t a, std::size_t b) { return Alike(members[a], members[b]); },
        [&](std::size_t first, std::size_t last) {
            if (last - first == 1)
                Settle(candidates_[members[first]], ContentFate::Alone);
            else
                CompareGroup({members.begin() + static_cast<std::ptrdiff_t>(first),
                              members.begin() + static_cast<std::ptrdiff_t>(last)},
                             true, buffer);
        });
}

void ContentReading::HashWholeContents(Candidate& candidate, char* buffer)
{
    const Descriptor file(OpenForReading(PathOf(candidate).c_str()));
    if (!IsAsRead(file.get(), candidate))
        return Settle(candidate, ContentFate::Unreadable);
    posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    std::uint64_t hash = 0;
    std::uint64_t done = 0;
    while (done < candidate.size) {
        if (Stopping())
            return;
        const auto length = static_cast<std::size_t>(
            std::min<std::uint64_t>(StreamBytes(), candidate.size - done));
        const ssize_t got = ReadFully(file.get(), buffer, length);
        if (got != static_cast<ssize_t>(length))
            return Settle(candidate, ContentFate::Unreadable);
        hash = HashBytes(buffer, length, hash);
        done += length;
        Count(candidate, length);
    }
    filesRead_.fetch_add(1, std::memory_order_relaxed);
    if (!IsAsRead(file.get(), candidate))
        return Settle(candidate, ContentFate::Unreadable);
    candidate.hash = hash;
}

ContentReading::Lockstep ContentReading::ReadInLockstep(const std::vector<std::size_t>& members, char* buffer)
{
    Lockstep read;
    const std::uint64_t size = candidates_[members.front()].size;
    const std::size_t n = members.size();
    const std::size_t block = StreamBytes() / n;
    std::vector<int> fds(n, -1);
    const auto closeAll = [&fds] {
        for (const int fd : fds) {
            if (fd >= 0)
                close(fd);
        }
    };
    // Sets of places in `members`; a set of one is read no further.
    std::vector<std::vector<std::size_t>> sets(1);
    const auto fail = [&](std::size_t i) {
        read.failed.push_back(members[i]);
        close(fds[i]);
        fds[i] = -1;
    };
    for (std::size_t i = 0; i < n; ++i) {
        fds[i] = OpenForReading(PathOf(candidates_[members[i]]).c_str());
        if (fds[i] >= 0 && IsAsRead(fds[i], candidates_[members[i]])) {
            if (size > block)
                posix_fadvise(fds[i], 0, 0, POSIX_FADV_SEQUENTIAL);
            filesRead_.fetch_add(1, std::memory_order_relaxed);
            sets[0].push_back(i);
        } else if (fds[i] >= 0) {
            fail(i);
        } else {
            read.failed.push_back(members[i]);
        }
    }
    const auto open = [](const auto& set) { return set.size() > 1; };
    std::uint64_t done = 0;
    while (done < size && std::any_of(sets.begin(), sets.end(), open)) {
        if (Stopping()) {
            closeAll();
            read.stopped = true;
            return read;
        }
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(block, size - done));
        std::vector<std::vector<std::size_t>> split;
        for (auto& set : sets) {
            if (set.size() < 2) {
                split.push_back(std::move(set));
                continue;
            }
            const auto first = split.size();
            for (const std::size_t i : set) {
                char* bytes = buffer + i * block;
                if (ReadFully(fds[i], bytes, length) != static_cast<ssize_t>(length)) {
                    fail(i);
                    continue;
                }
                Count(candidates_[members[i]], length);
                const auto same = std::find_if(split.begin() + static_cast<std::ptrdiff_t>(first), split.end(),
                                               [&](const auto& part) {
                                                   return std::memcmp(buffer + part.front() * block, bytes, length) == 0;
                                               });
                if (same == split.end())
                    split.push_back({i});
                else
                    same->push_back(i);
            }
        }
        sets = std::move(split);
        done += length;
    }
    // A file that grew or shrank while it was read is not the one listed.
    for (auto& set : sets) {
        if (set.size() < 2)
            continue;
        std::erase_if(set, [&](std::size_t i) {
            const bool changed = !IsAsRead(fds[i], candidates_[members[i]]);
            if (changed)
                fail(i);
            return changed;
        });
    }
    closeAll();
    for (const auto& set : sets) {
        if (set.empty())
            continue;
        read.sets.emplace_back();
        for (const std::size_t i : set)
            read.sets.back().push_back(members[i]);
    }
    return read;
}

bool ContentReading::IsAsRead(int fd, const Candidate& candidate)
{
    struct stat st {};
    return fd >= 0 && fstat(fd, &st) == 0 && IsListedFile(st, candidate.size) &&
           st.st_dev == candidate.device && st.st_ino == candidate.inode;
}

void ContentReading::SettleSet(const std::vector<std::size_t>& set)
{
    for (const std::size_t k : set) {
        if (set.size() > 1)
            SettleCopy(k, set.front());
        else
            Settle(candidates_[k], ContentFate::Alone);
    }
}

void ContentReading::SettleCopy(std::size_t k, std::size_t first)
{
    classes_.First[candidates_[k].entry] = candidates_[first].entry;
    Settle(candidates_[k], ContentFate::Copy);
}

namespace {

// Time the whole process has run on a processor.
std::chrono::nanoseconds ProcessorTime()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

}  // namespace

// Readers start at two per processor, which keeps them all busy on a warm
// cache; more would only take turns with the window's thread. While the
// processors wait on the disk instead, a reader is added every few
// milliseconds, up to `readers`, to keep more reads in flight.
template <typename Work>
void ContentReading::OnReaders(std::size_t count, unsigned readers, std::size_t bufferBytes, Work work)
{
    if (count == 0)
        return;
    std::atomic<std::size_t> next{0};
    const auto read = [&](auto&& afterEach) {
        const auto buffer = std::make_unique_for_overwrite<char[]>(std::max<std::size_t>(bufferBytes, 1));
        for (std::size_t i = next++; i < count && !Stopping(); i = next++) {
            work(i, buffer.get());
            afterEach();
        }
    };
    const unsigned processors = std::max(std::thread::hardware_concurrency(), 1U);
    const std::size_t most = std::min<std::size_t>(std::max(readers, 1U), count);
    std::vector<std::thread> threads;
    const auto addReader = [&] { threads.emplace_back([&] { read([] {}); }); };
    while (threads.size() + 1 < std::min<std::size_t>(most, std::size_t{2} * processors))
        addReader();
    // This thread reads too, and watches how busy the processors are.
    auto since = std::chrono::steady_clock::now();
    auto busySince = ProcessorTime();
    read([&] {
        const auto now = std::chrono::steady_clock::now();
        if (threads.size() + 1 >= most || now - since < kReaderWatch)
            return;
        const auto busy = ProcessorTime();
        if (2 * (busy - busySince) < processors * (now - since))
            addReader();
        since = now;
        busySince = busy;
    });
    for (std::thread& thread : threads)
        thread.join();
}

// At least a byte for each file a stream holds open.
std::size_t ContentReading::StreamBytes() const
{
    return std::max(options_.BufferBytes, groupFiles_);
}

bool ContentReading::Alike(std::size_t a, std::size_t b) const
{
    return candidates_[a].size == candidates_[b].size && candidates_[a].hash == candidates_[b].hash;
}

void ContentReading::DropSettled()
{
    std::erase_if(candidates_, [](const Candidate& c) { return c.fate != ContentFate::Pending; });
}

void ContentReading::KeepGroupsOfTwo()
{
    std::sort(candidates_.begin(), candidates_.end(), [](const Candidate& a, const Candidate& b) {
        return std::tie(a.size, a.hash, a.entry) < std::tie(b.size, b.hash, b.entry);
    });
    ForEachRun(candidates_.size(), [this](std::size_t a, std::size_t b) { return Alike(a, b); },
               [this](std::size_t first, std::size_t last) {
                   if (last - first == 1)
                       Settle(candidates_[first], ContentFate::Alone);
               });
    DropSettled();
}

void ContentReading::SettleEntry(std::uint32_t entry, ContentFate fate)
{
    classes_.Fate[entry] = fate;
}

void ContentReading::Settle(Candidate& candidate, ContentFate fate)
{
    candidate.fate = fate;
    SettleEntry(candidate.entry, fate);
    const std::uint64_t work = kOpeningWork + candidate.size;
    workDone_.fetch_add(work - std::min(candidate.work, work), std::memory_order_relaxed);
    candidate.work = work;
}

void ContentReading::Count(Candidate& candidate, std::uint64_t bytes)
{
    bytesRead_.fetch_add(bytes, std::memory_order_relaxed);
    workDone_.fetch_add(Credit(candidate, bytes), std::memory_order_relaxed);
}

// A file read again is no more work done than its first reading.
std::uint64_t ContentReading::Credit(Candidate& candidate, std::uint64_t work)
{
    const std::uint64_t whole = kOpeningWork + candidate.size;
    const std::uint64_t credit = std::min(work, whole - std::min(candidate.work, whole));
    candidate.work += credit;
    return credit;
}

void ContentReading::Publish(Tally& tally)
{
    seen_.fetch_add(tally.seen, std::memory_order_relaxed);
    filesRead_.fetch_add(tally.files, std::memory_order_relaxed);
    bytesRead_.fetch_add(tally.bytes, std::memory_order_relaxed);
    workDone_.fetch_add(tally.work, std::memory_order_relaxed);
    tally = {};
}

}  // namespace jumelix
