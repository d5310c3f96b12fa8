// The comparison's verdicts on small files made in a temporary folder, the
// current folder while a test runs, read in small blocks so that each file
// takes several; then the worker that runs it for the window.

#include "FileComparison.h"
#include "InChild.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace jumelix {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kSize = 3000;

// The result as one line, with what matters for its verdict.
std::string Describe(const ComparisonResult& r)
{
    const std::string file = "file " + std::to_string(r.File);
    const char* reasons[] = {"", "access denied", "gone", "not a regular file", "read error"};
    std::string text[] = {
        "identical", "different at " + std::to_string(r.FirstDifference), "same file",
        "changed: " + file + " holds " + std::to_string(r.ActualSize) + " of " +
            std::to_string(r.ExpectedSize),
        "unreadable: " + file + " " + reasons[static_cast<int>(r.Reason)], "stopped"};
    std::string line = text[static_cast<int>(r.Verdict)] + ", " + std::to_string(r.BytesCompared);
    for (int i = 0; i < 2; ++i) {
        if (!r.LinkTargets[i].empty())
            line += ", link " + std::to_string(i) + " to " + r.LinkTargets[i];
    }
    return line;
}

std::string Contents(std::uint64_t size, std::uint64_t changedAt = 0)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 % 251 + (i + 1 == changedAt ? 1 : 0));
    return bytes;
}

void Write(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// In blocks of 1000 bytes; `afterBlock` may change a file or stop the comparison.
using AfterBlock = std::function<void(std::atomic<bool>& stop)>;
ComparisonResult Compare(const std::string& first, const std::string& second, std::uint64_t size,
                         const AfterBlock& afterBlock = {})
{
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> progress{0};
    ComparisonOptions options{1000, {}};
    if (afterBlock)
        options.AfterBlock = [&] { afterBlock(stop); };
    const ComparisonResult result = CompareFiles(first, second, size, stop, progress, options);
    EXPECT_EQ(progress, result.BytesCompared) << first << " " << second;
    return result;
}

class FileComparisonTest : public testing::Test {
protected:
    FileComparisonTest()
    {
        char pattern[] = "/tmp/jumelix-compare-XXXXXX";
        EXPECT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        chmod(pattern, 0755);  // for the comparison as another user
        fs::current_path(root_);
        for (const char* name : {"a", "same", "shrinks", "grows", "lastgrows", "secret"})
            Write(name, Contents(kSize, name == std::string("lastgrows") ? kSize : 0));
        for (const std::uint64_t at : {std::uint64_t{1}, kSize / 2 + 1, kSize})
            Write("at" + std::to_string(at), Contents(kSize, at));
        Write("short", Contents(kSize - 1));
        Write("empty1", "");
        Write("empty2", "");
        fs::create_hard_link("a", "hard");
        fs::create_symlink("a", "to-a");
        fs::create_symlink(root_ + "/same", "to-same");
    }
    ~FileComparisonTest() override { fs::remove_all(root_); }

    std::string root_;
};

TEST_F(FileComparisonTest, TellsContentsLinksAndChangesApart)
{
    const timespec longAgo[2] = {{1'000'000'000, 0}, {0, UTIME_OMIT}};
    ASSERT_EQ(utimensat(AT_FDCWD, "a", longAgo, 0), 0);
    const auto resize = [](const char* name, off_t size) {
        return [=](std::atomic<bool>&) { EXPECT_EQ(truncate(name, size), 0); };
    };
    const std::string a = root_ + "/a", same = root_ + "/same";
    const struct {
        std::string first, second;
        std::uint64_t size;
        AfterBlock afterBlock;
        std::string expected;
    } cases[] = {
        {"a", "same", kSize, {}, "identical, 3000"},
        {"a", "at1", kSize, {}, "different at 1, 1"},
        {"a", "at1501", kSize, {}, "different at 1501, 1501"},
        {"a", "at3000", kSize, {}, "different at 3000, 3000"},
        {"empty1", "empty2", 0, {}, "identical, 0"},
        {"a", "hard", kSize, {}, "same file, 0"},
        {"to-a", "a", kSize, {}, "same file, 0, link 0 to " + a},
        {"a", "to-a", kSize, {}, "same file, 0, link 1 to " + a},
        // A link to a copy: deleting the copy would break it.
        {"to-same", "a", kSize, {}, "identical, 3000, link 0 to " + same},
        {"a", "short", kSize, {}, "changed: file 1 holds 2999 of 3000, 0"},
        {"a", "hard", kSize - 1, {}, "same file, 0"},
        {"short", "gone", kSize, {}, "unreadable: file 1 gone, 0"},
        {"short", ".", kSize, {}, "unreadable: file 1 not a regular file, 0"},
        // Files that change while they are read; the last one differs, then grows.
        {"a", "shrinks", kSize, resize("shrinks", 1500),
         "changed: file 1 holds 1500 of 3000, 1000"},
        {"a", "grows", kSize, resize("grows", 4000), "changed: file 1 holds 4000 of 3000, 3000"},
        {"lastgrows", "a", kSize, resize("lastgrows", 4000),
         "changed: file 0 holds 4000 of 3000, 3000"},
        {"a", "same", kSize, [](std::atomic<bool>& stop) { stop = true; }, "stopped, 1000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Describe(Compare(c.first, c.second, c.size, c.afterBlock)), c.expected)
            << c.first << " " << c.second;
    }
    struct stat st {};
    ASSERT_EQ(stat("a", &st), 0);
    EXPECT_EQ(st.st_atim.tv_sec, longAgo[0].tv_sec) << "the owner's reading left the access time";
}

TEST_F(FileComparisonTest, ReadsAsAnotherUserAndRefusesAFifoWithoutHanging)
{
    chmod("secret", 0);
    ASSERT_EQ(mkfifo("pipe", 0644), 0);
    InChild(30, [] {
        ASSERT_TRUE(BecomeNobody());
        // Another user's file is read without O_NOATIME, which it refuses.
        EXPECT_EQ(Describe(Compare("a", "same", kSize)), "identical, 3000");
        EXPECT_EQ(Describe(Compare("a", "secret", kSize)), "unreadable: file 1 access denied, 0");
        EXPECT_EQ(Describe(Compare("pipe", "a", kSize)),
                  "unreadable: file 0 not a regular file, 0");
    });
}

TEST_F(FileComparisonTest, RunHandsOverItsResultAndStopsWithNoThreadLeft)
{
    const std::uint64_t huge = std::uint64_t{1} << 40;  // sparse: far too long to read in the test
    fs::resize_file("a", huge);
    fs::resize_file("same", huge);
    const auto threads = [] {
        return std::distance(fs::directory_iterator("/proc/self/task"), {});
    };
    std::ptrdiff_t idle = 0;  // counted once a thread has come and gone, as a sanitizer adds one
    {
        FileComparisonRun run;
        run.Start("a", "same", huge);
        run.RequestStop();
        while (!run.Done())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(run.Result().Verdict, ComparisonVerdict::Stopped);
        run.Start("empty1", "empty2", 0);
        EXPECT_EQ(Describe(run.Result()), "identical, 0");
        idle = threads();
        run.Start("a", "same", huge);  // left running
        while (run.BytesCompared() == 0)
            std::this_thread::yield();
        EXPECT_EQ(threads(), idle + 1);
    }
    EXPECT_EQ(threads(), idle);
}

}  // namespace
}  // namespace jumelix
