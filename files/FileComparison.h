#pragma once

#include "files/FileReading.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace jumelix {

// In order of precedence: Unreadable > SameFile > Changed > Identical or Different.
enum class ComparisonVerdict { Identical, Different, SameFile, Changed, Unreadable, Stopped };

struct ComparisonResult {
    ComparisonVerdict Verdict = ComparisonVerdict::Stopped;
    int File = 0;  // the file an Unreadable or Changed verdict is about: 0 the first, 1 the second
    UnreadableReason Reason = UnreadableReason::None;
    std::uint64_t ExpectedSize = 0;
    std::uint64_t ActualSize = 0;       // for Changed
    std::uint64_t FirstDifference = 0;  // for Different, counted from 1
    std::uint64_t BytesCompared = 0;    // of each file, up to the first difference
    // For each path that is a symbolic link, its target as the system resolves it; else empty.
    std::array<std::string, 2> LinkTargets;
};

// Larger blocks read no faster, warm or cold; a stop waits for one block of each file at most.
constexpr std::size_t kComparisonBlockBytes = std::size_t{1} << 20;

struct ComparisonOptions {
    std::size_t BlockBytes = kComparisonBlockBytes;  // of each file, read at once
    // Called on the reading thread after each block; lets a test change a file while it is read.
    std::function<void()> AfterBlock;
};

// Compares two files byte for byte, both expected to hold `size` bytes. Reads
// only: nothing is written, mapped or kept. `stop` is checked before each
// block; `progress` follows BytesCompared block by block.
ComparisonResult CompareFiles(const std::string& first, const std::string& second,
                              std::uint64_t size, const std::atomic<bool>& stop,
                              std::atomic<std::uint64_t>& progress,
                              const ComparisonOptions& options = {});

// One comparison at a time on a worker thread, polled from the window's thread
// without blocking.
class FileComparisonRun {
public:
    FileComparisonRun() = default;
    FileComparisonRun(const FileComparisonRun&) = delete;
    FileComparisonRun& operator=(const FileComparisonRun&) = delete;
    ~FileComparisonRun();  // stops the comparison and waits for its thread

    // Stops and waits for the comparison before, if any.
    void Start(std::string first, std::string second, std::uint64_t size);
    bool Done() const { return done_.load(std::memory_order_acquire); }
    std::uint64_t BytesCompared() const { return progress_.load(std::memory_order_relaxed); }
    std::uint64_t Total() const { return total_; }  // the size given to Start, 0 for an empty pair
    // The comparison ends as Stopped at its next block, unless it ends first.
    void RequestStop() { stop_.store(true, std::memory_order_relaxed); }
    // The finished comparison's result; waits for it when it is not Done.
    ComparisonResult Result();

private:
    void Join();

    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<std::uint64_t> progress_{0};
    std::uint64_t total_ = 0;
    ComparisonResult result_;  // the worker's until it is joined
    std::thread worker_;
};

}  // namespace jumelix
