#pragma once

#include "catalogue/Catalogue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace jumelix {

// What the reading made of one catalogue entry.
enum class ContentFate : std::uint8_t {
    Pending,     // the reading stopped before it was settled
    Alone,       // no other file holds its bytes
    Empty,
    Unreadable,  // could not be opened or read, is no longer a regular file, or its size changed
    Link,        // reaches a file that an earlier entry reaches
    Copy,        // every byte compared equal to those of its set's first entry
};

struct ContentClasses {
    std::vector<ContentFate> Fate;     // per catalogue entry
    std::vector<std::uint32_t> First;  // per Copy entry: the first entry of its set of copies
    std::uint64_t Candidates = 0;      // entries that share their size with another
    std::uint64_t FilesRead = 0;       // opens that read bytes
    std::uint64_t BytesRead = 0;
};

struct ContentOptions {
    unsigned Readers = 16;  // most small reads in flight, which a cold disk serves in any order
    std::size_t FirstBlockBytes = 4096;
    // What each stream reads whole contents into, shared by the files it reads at once.
    std::size_t BufferBytes = std::size_t{1} << 20;
};

// Sorts the catalogue's files into sets of copies by their bytes, on threads
// of its own, from the moment it is made. Only files that share their size
// with another are read: first a block of each, then, while two or more still
// match, their whole contents, block by block side by side; two files are in
// one set only once every byte of one was compared equal to the other's.
// Files are opened read-only and non-blocking, refused unless they are
// regular files of the listed size, read and never mapped. Memory is a
// buffer a reader, and open files stay within the process's limit.
// The catalogue must stay unchanged until the reading is joined.
class ContentReading {
public:
    explicit ContentReading(const Catalogue& catalogue, const ContentOptions& options = {});
    ~ContentReading();  // stops and joins
    ContentReading(const ContentReading&) = delete;
    ContentReading& operator=(const ContentReading&) = delete;

    // The readers end at their next block; what is confirmed so far stays.
    void RequestStop() { stop_.store(true, std::memory_order_relaxed); }
    // Waits at most `timeout`; true once the reading has ended.
    bool WaitFor(std::chrono::milliseconds timeout);
    // The share of the work done, in thousandths: every byte of the files
    // that share their size with another, and each opening as 32 KiB.
    std::uint32_t Thousandths() const;
    // Entries looked at: those that need no reading, and each candidate once
    // its first block is read; all of them once the reading has completed.
    std::uint32_t EntriesSeen() const { return seen_.load(std::memory_order_relaxed); }
    // Joins, then hands the fates over; an entry confirmed by no comparison is
    // never a Copy.
    ContentClasses Result();

private:
    struct Candidate {
        std::uint32_t entry;
        std::uint64_t size;
        std::uint64_t device;
        std::uint64_t inode;
        std::uint64_t hash;  // of the first block, then of the whole contents
        std::uint64_t work;  // done on it so far, in bytes read
        ContentFate fate;    // Pending until a reader settles it
    };

    // What a reader did since it last added it to the counts everyone sees:
    // one cache line shared by every reader is written once a batch.
    struct Tally {
        std::uint32_t seen = 0;
        std::uint64_t files = 0;
        std::uint64_t bytes = 0;
        std::uint64_t work = 0;
    };

    void Run();
    void PickCandidates();
    void ReadFirstBlocks();
    void ReadFirstBlock(int fd, Candidate& candidate, char* buffer, Tally& tally);
    void DropLinks();
    // The sets of equal files among `members`, and those that failed.
    struct Lockstep {
        std::vector<std::vector<std::size_t>> sets;
        std::vector<std::size_t> failed;
        bool stopped = false;
    };

    void BudgetDescriptors();
    void CompareGroups();
    // Members are places in candidates_, in catalogue order.
    void CompareGroup(const std::vector<std::size_t>& members, bool hashed, char* buffer);
    void SplitByHash(std::vector<std::size_t> members, char* buffer);
    void HashWholeContents(Candidate& candidate, char* buffer);
    Lockstep ReadInLockstep(const std::vector<std::size_t>& members, char* buffer);
    // Whether the open file is still the regular file of the listed size first read.
    static bool IsAsRead(int fd, const Candidate& candidate);
    void SettleSet(const std::vector<std::size_t>& set);
    void SettleCopy(std::size_t k, std::size_t first);
    // Runs `work(i, buffer)` for i in [0, count) on the readers, each with a
    // buffer of its own; returns early on a stop.
    template <typename Work>
    void OnReaders(std::size_t count, unsigned readers, std::size_t bufferBytes, Work work);
    std::size_t StreamBytes() const;
    // Whether two candidates are of one size and hash.
    bool Alike(std::size_t a, std::size_t b) const;
    // Drops the candidates a reader settled.
    void DropSettled();
    // Sorts the candidates into groups of equal size and hash, in catalogue
    // order within a group, and settles those alone in theirs.
    void KeepGroupsOfTwo();
    void SettleEntry(std::uint32_t entry, ContentFate fate);
    void Settle(Candidate& candidate, ContentFate fate);
    // Bytes read of the candidate, counted in the work done.
    void Count(Candidate& candidate, std::uint64_t bytes);
    // The part of `work` that counts as work done, now marked done.
    static std::uint64_t Credit(Candidate& candidate, std::uint64_t work);
    void Publish(Tally& tally);
    std::string PathOf(const Candidate& candidate) const { return catalogue_[candidate.entry].Path(); }
    bool Stopping() const { return stop_.load(std::memory_order_relaxed); }

    const Catalogue& catalogue_;
    const ContentOptions options_;
    unsigned readers_ = 1;
    unsigned streams_ = 1;
    std::size_t groupFiles_ = 2;
    ContentClasses classes_;
    std::vector<Candidate> candidates_;

    std::atomic<bool> stop_{false};
    std::atomic<std::uint32_t> seen_{0};
    std::atomic<std::uint64_t> workDone_{0};
    std::atomic<std::uint64_t> filesRead_{0};
    std::atomic<std::uint64_t> bytesRead_{0};
    std::atomic<std::uint64_t> totalWork_{0};

    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread driver_;
};

}  // namespace jumelix
