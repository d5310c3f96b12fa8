// The comparison's verdicts on small files made in a temporary folder, the
// current folder while a test runs, read in blocks of 1000 bytes so that each
// file takes several; then the worker that runs it for the window.

#include "files/FileComparison.h"
#include "tests/TempFolderTest.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace jumelix {
namespace {

namespace fs = std::filesystem;
using Hook = std::function<void()>;

constexpr std::uint64_t kSize = 3000;
std::atomic<bool> stop;  // a hook may set it

// Compares in blocks of 1000 bytes; the result as one line, with what matters
// for its verdict.
std::string Compare(const std::string& first, const std::string& second, std::uint64_t size,
                    Hook afterBlock = {})
{
    stop = false;
    std::atomic<std::uint64_t> progress{0};
    const ComparisonResult r =
        CompareFiles(first, second, size, stop, progress, {1000, std::move(afterBlock)});
    EXPECT_EQ(progress, r.BytesCompared);
    const char* reasons[] = {"", "access denied", "gone", "not a regular file", "read error"};
    const char* verdicts[] = {"identical", "different at ", "same file", "changed ", "unreadable ", "stopped"};
    std::string line = verdicts[static_cast<int>(r.Verdict)];
    if (r.Verdict == ComparisonVerdict::Different)
        line += std::to_string(r.FirstDifference);
    else if (r.Verdict == ComparisonVerdict::Changed || r.Verdict == ComparisonVerdict::Unreadable)
        line += std::to_string(r.File) + " " + (r.Reason == UnreadableReason::None ? "holds " + std::to_string(r.ActualSize)
                                                                                  : reasons[static_cast<int>(r.Reason)]);
    line += ", " + std::to_string(r.BytesCompared);
    for (int i = 0; i < 2; ++i)
        line += r.LinkTargets[i].empty() ? "" : ", link " + std::to_string(i) + " to " + r.LinkTargets[i];
    return line;
}

class FileComparisonTest : public TempFolderTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(TempFolderTest::SetUp());
        // "at" names one byte changed, counted from 1.
        for (const std::string name : {"a", "same", "shrinks", "secret", "at1", "at1501",
                                       "at3000", "at3000-grows", "short", "empty1", "empty2"}) {
            const std::uint64_t size = name.starts_with("empty") ? 0 : kSize - (name == "short");
            const std::uint64_t at = name.starts_with("at") ? std::stoull(name.substr(2)) : 0;
            std::string bytes(size, '\0');
            for (std::size_t i = 0; i < size; ++i)
                bytes[i] = static_cast<char>(i * 7 % 251 + (i + 1 == at ? 1 : 0));
            std::ofstream(name, std::ios::binary) << bytes;
        }
        fs::create_hard_link("a", "hard");
        fs::create_symlink("a", "to-a");
        fs::create_symlink(root_ + "/same", "to-same");
    }
};

TEST_F(FileComparisonTest, TellsContentsLinksAndChangesApart)
{
    const timespec longAgo[2] = {{1'000'000'000, 0}, {0, UTIME_OMIT}};
    ASSERT_EQ(utimensat(AT_FDCWD, "a", longAgo, 0), 0);
    const auto resize = [](const char* name, std::uint64_t size) {
        return [=] { fs::resize_file(name, size); };
    };
    const std::string a = root_ + "/a";
    const struct {
        std::string first, second;
        std::uint64_t size;
        Hook afterBlock;
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
        {"to-same", "a", kSize, {}, "identical, 3000, link 0 to " + root_ + "/same"},
        {"a", "short", kSize, {}, "changed 1 holds 2999, 0"},
        {"a", "hard", kSize - 1, {}, "same file, 0"},
        {"short", "gone", kSize, {}, "unreadable 1 gone, 0"},
        {"short", ".", kSize, {}, "unreadable 1 not a regular file, 0"},
        // Files that change while they are read; the second differs too, at its last byte.
        {"a", "shrinks", kSize, resize("shrinks", 1500), "changed 1 holds 1500, 1000"},
        {"at3000-grows", "a", kSize, resize("at3000-grows", 4000), "changed 0 holds 4000, 3000"},
        {"a", "same", kSize, [] { stop = true; }, "stopped, 1000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Compare(c.first, c.second, c.size, c.afterBlock), c.expected) << c.second;
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
        // Another user's file, which refuses O_NOATIME, is still read: root's when the
        // tests run as a user.
        EXPECT_EQ(Compare("a", "same", kSize), "identical, 3000");
        EXPECT_EQ(Compare("/etc/passwd", "/etc/passwd", fs::file_size("/etc/passwd")), "same file, 0");
        EXPECT_EQ(Compare("a", "secret", kSize), "unreadable 1 access denied, 0");
        EXPECT_EQ(Compare("pipe", "a", kSize), "unreadable 0 not a regular file, 0");
    });
}

TEST_F(FileComparisonTest, RunLeftRunningIsStoppedAndJoinedByItsEnd)
{
    FileComparisonRun().Start("a", "same", kSize);  // a thread come and gone, as a sanitizer adds one
    const int idle = Threads(1);
    const std::uint64_t huge = std::uint64_t{1} << 40;  // sparse: far too long to read in the test
    fs::resize_file("a", huge);
    fs::resize_file("same", huge);
    {
        FileComparisonRun run;
        run.Start("a", "same", huge);  // left running
        while (run.BytesCompared() == 0)
            std::this_thread::yield();
        EXPECT_EQ(Threads(idle + 1), idle + 1);
    }
    EXPECT_EQ(Threads(idle), idle);
}

}  // namespace
}  // namespace jumelix
