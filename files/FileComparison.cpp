#include "files/FileComparison.h"

#include "files/FileReading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace jumelix {
namespace {

std::string LinkTarget(const std::string& path)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return {};
    const std::unique_ptr<char, decltype(&std::free)> target(realpath(path.c_str(), nullptr),
                                                             &std::free);
    return target ? std::string(target.get()) : std::string();  // empty when dangling
}

// The size the file holds now; `seen` when it shows the expected size again.
std::uint64_t SizeNow(int fd, std::uint64_t expected, std::uint64_t seen)
{
    struct stat st {};
    if (fstat(fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) == expected)
        return seen;
    return static_cast<std::uint64_t>(st.st_size);
}

class OpenFile {
public:
    OpenFile() = default;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile()
    {
        if (fd >= 0)
            close(fd);
    }

    int fd = -1;
    struct stat st {};
};

class Comparison {
public:
    Comparison(const std::string& first, const std::string& second, std::uint64_t size,
               const ComparisonOptions& options)
        : paths_{&first, &second}, size_(size), options_(options)
    {
        result_.ExpectedSize = size;
        for (int i = 0; i < 2; ++i)
            result_.LinkTargets[i] = LinkTarget(*paths_[i]);
    }

    ComparisonResult Run(const std::atomic<bool>& stop, std::atomic<std::uint64_t>& progress)
    {
        // A file that changed meanwhile is no longer the one listed, whatever was read.
        if (Open() && Read(stop, progress) && StillAsListed(0))
            StillAsListed(1);
        progress.store(result_.BytesCompared, std::memory_order_relaxed);
        return result_;
    }

private:
    // Each of these is false when the comparison has its verdict.
    bool Open()
    {
        for (int i = 0; i < 2; ++i) {
            OpenFile& file = files_[i];
            file.fd = OpenForReading(paths_[i]->c_str());
            if (file.fd < 0)
                return Unreadable(i, ReasonOf(errno));
            if (fstat(file.fd, &file.st) != 0)
                return Unreadable(i, UnreadableReason::ReadError);
            if (!S_ISREG(file.st.st_mode))
                return Unreadable(i, UnreadableReason::NotARegularFile);
        }
        if (files_[0].st.st_dev == files_[1].st.st_dev &&
            files_[0].st.st_ino == files_[1].st.st_ino) {
            result_.Verdict = ComparisonVerdict::SameFile;
            return false;
        }
        return SizeAsListed(0, static_cast<std::uint64_t>(files_[0].st.st_size)) &&
               SizeAsListed(1, static_cast<std::uint64_t>(files_[1].st.st_size));
    }

    bool Read(const std::atomic<bool>& stop, std::atomic<std::uint64_t>& progress)
    {
        result_.Verdict = ComparisonVerdict::Identical;
        if (size_ == 0)
            return true;
        const std::size_t blockBytes = std::max<std::size_t>(options_.BlockBytes, 1);
        const std::array<std::unique_ptr<char[]>, 2> blocks = {
            std::make_unique_for_overwrite<char[]>(blockBytes),
            std::make_unique_for_overwrite<char[]>(blockBytes)};
        // A wider read-ahead where the device's default is small.
        for (const OpenFile& file : files_)
            posix_fadvise(file.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        const char* first = blocks[0].get();
        std::uint64_t& compared = result_.BytesCompared;
        while (compared < size_) {
            if (stop.load(std::memory_order_relaxed)) {
                result_.Verdict = ComparisonVerdict::Stopped;
                return false;
            }
            const auto length =
                static_cast<std::size_t>(std::min<std::uint64_t>(blockBytes, size_ - compared));
            for (int i = 0; i < 2; ++i) {
                const ssize_t got = ReadFully(files_[i].fd, blocks[i].get(), length);
                if (got < 0)
                    return Unreadable(i, UnreadableReason::ReadError);
                const std::uint64_t seen = compared + static_cast<std::uint64_t>(got);
                if (static_cast<std::size_t>(got) < length)  // it shrank
                    return SizeAsListed(i, SizeNow(files_[i].fd, size_, seen));
            }
            if (std::memcmp(first, blocks[1].get(), length) != 0) {
                const auto at = std::mismatch(first, first + length, blocks[1].get()).first;
                compared += static_cast<std::uint64_t>(at - first) + 1;
                result_.FirstDifference = compared;
                result_.Verdict = ComparisonVerdict::Different;
                return true;
            }
            compared += length;
            progress.store(compared, std::memory_order_relaxed);
            if (options_.AfterBlock)
                options_.AfterBlock();
        }
        return true;
    }

    bool Unreadable(int file, UnreadableReason reason)
    {
        result_.Verdict = ComparisonVerdict::Unreadable;
        result_.File = file;
        result_.Reason = reason;
        return false;
    }

    bool StillAsListed(int file)
    {
        return SizeAsListed(file, SizeNow(files_[file].fd, size_, size_));
    }

    bool SizeAsListed(int file, std::uint64_t actual)
    {
        if (actual == size_)
            return true;
        result_.Verdict = ComparisonVerdict::Changed;
        result_.File = file;
        result_.ActualSize = actual;
        return false;
    }

    std::array<const std::string*, 2> paths_;
    std::uint64_t size_;
    const ComparisonOptions& options_;
    std::array<OpenFile, 2> files_;
    ComparisonResult result_;
};

}  // namespace

ComparisonResult CompareFiles(const std::string& first, const std::string& second,
                              std::uint64_t size, const std::atomic<bool>& stop,
                              std::atomic<std::uint64_t>& progress,
                              const ComparisonOptions& options)
{
    return Comparison(first, second, size, options).Run(stop, progress);
}

FileComparisonRun::~FileComparisonRun()
{
    RequestStop();
    Join();
}

void FileComparisonRun::Start(std::string first, std::string second, std::uint64_t size)
{
    RequestStop();
    Join();
    stop_.store(false, std::memory_order_relaxed);
    done_.store(false, std::memory_order_relaxed);
    progress_.store(0, std::memory_order_relaxed);
    total_ = size;
    worker_ = std::thread([this, first = std::move(first), second = std::move(second), size] {
        result_ = CompareFiles(first, second, size, stop_, progress_);
        done_.store(true, std::memory_order_release);
    });
}

ComparisonResult FileComparisonRun::Result()
{
    Join();
    return result_;
}

void FileComparisonRun::Join()
{
    if (worker_.joinable())
        worker_.join();
}

}  // namespace jumelix
