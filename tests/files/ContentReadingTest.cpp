// The content reading on small trees made in a temporary folder, read in
// blocks of a few bytes so that every file takes many, and as "nobody".
#include "files/ContentReading.h"
#include "tests/TempFolderTest.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace jumelix {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kSize = 3000;
constexpr ContentOptions kSmallBlocks{.Readers = 3, .FirstBlockBytes = 16, .BufferBytes = 256};

// kSize bytes of a pattern, with byte `at` (counted from 1) changed when not 0.
void MakeFile(const std::string& path, std::uint64_t size = kSize, std::uint64_t at = 0, int seed = 0)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(seed)) % 251 + (i + 1 == at ? 1 : 0));
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

const char* FateName(ContentFate fate)
{
    const char* names[] = {"pending", "alone", "empty", "unreadable", "link", "copy of "};
    return names[static_cast<int>(fate)];
}

class ContentReadingTest : public TempFolderTest {
protected:
    // Lists `path` (from the root) with the size the walk saw.
    void List(const std::string& path, std::uint64_t size = kSize)
    {
        const std::size_t slash = path.rfind('/') + 1;
        catalogue_.Append(catalogue_.AddFolder(root_ + "/" + path.substr(0, slash)), path.substr(slash), size);
    }
    // Each entry's fate as "name: fate", a copy with its set's first entry.
    std::vector<std::string> Fates(const ContentClasses& classes) const
    {
        std::vector<std::string> fates;
        for (std::size_t e = 0; e < classes.Fate.size(); ++e) {
            std::string line = std::string(catalogue_[e].Folder.substr(root_.size() + 1)) +
                               std::string(catalogue_[e].Name) + ": " + FateName(classes.Fate[e]);
            if (classes.Fate[e] == ContentFate::Copy)
                line += std::to_string(classes.First[e]);
            fates.push_back(line);
        }
        return fates;
    }
    // Whether two listed files hold the same bytes now.
    bool SameBytes(std::size_t a, std::size_t b) const
    {
        std::ifstream first(catalogue_[a].Path(), std::ios::binary);
        std::ifstream second(catalogue_[b].Path(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(first), {}) ==
               std::string(std::istreambuf_iterator<char>(second), {});
    }

    Catalogue catalogue_;
};

// Copies in two folders and under another name; files one byte apart at the first, a middle
// and the last byte, two of them copies of each other; a hard link and a symbolic link to a
// listed file; empty files; a file "nobody" may not read, one whose size changed since the
// walk and a FIFO in a file's place, none of which hangs or is anyone's copy; a file of a size
// of its own, never opened.
TEST_F(ContentReadingTest, SortsFilesIntoSetsOfCopies)
{
    for (const char* path : {"A/orig", "B/orig", "A/twin", "S/secret"})
        MakeFile(path);
    for (const std::uint64_t at : {1, 1501, 3000})
        MakeFile("C/at" + std::to_string(at), kSize, at);
    MakeFile("H/at3000", kSize, 3000);
    MakeFile("G/grown", kSize + 1);
    fs::create_directories("D");
    fs::create_hard_link("A/orig", "D/hard");
    fs::create_symlink(root_ + "/B/orig", "D/soft");
    MakeFile("E/empty1", 0);
    MakeFile("E/empty2", 0);
    ASSERT_EQ(mkfifo("F", 0644), 0);
    ASSERT_EQ(chmod("S/secret", 0), 0);
    ASSERT_EQ(chmod("D", 0755), 0);
    for (const char* path : {"A/orig", "C/at1", "D/hard", "B/orig", "C/at1501", "A/twin", "C/at3000", "D/soft",
                             "S/secret", "G/grown", "H/at3000"})
        List(path);
    List("E/empty1", 0);
    List("E/empty2", 0);
    List("F");
    List("A/orig-only", 77);  // never made: no other file has its size

    InChild(20, [this] {
        ASSERT_TRUE(BecomeNobody());
        ContentReading reading(catalogue_, kSmallBlocks);
        const ContentClasses classes = reading.Result();
        EXPECT_EQ(Fates(classes),
                  (std::vector<std::string>{"A/orig: copy of 0", "C/at1: alone", "D/hard: link", "B/orig: copy of 0",
                                            "C/at1501: alone", "A/twin: copy of 0", "C/at3000: copy of 6",
                                            "D/soft: link", "S/secret: unreadable", "G/grown: unreadable",
                                            "H/at3000: copy of 6", "E/empty1: empty", "E/empty2: empty",
                                            "F: unreadable", "A/orig-only: alone"}));
        EXPECT_EQ(classes.Candidates, 12U);
        EXPECT_EQ(reading.EntriesSeen(), catalogue_.size());
        EXPECT_EQ(reading.Thousandths(), 1000U);
    });
}

// Sets of copies larger than the files the process may open, read at once: four sets of 250
// copies, and a file that differs from its set at its last byte, under a limit of 64
// descriptors. Files larger than the first block are hashed whole before they are compared.
TEST_F(ContentReadingTest, ReadsGroupsLargerThanTheDescriptorLimit)
{
    constexpr int kFiles = 1001;
    constexpr int kOdd = 500;
    for (int i = 0; i < kFiles; ++i) {
        const std::string path = "d" + std::to_string(i % 10) + "/f" + std::to_string(i);
        MakeFile(path, 200, i == kOdd ? 200 : 0, i % 4);
        List(path, 200);
    }
    InChild(60, [this] {
        const rlimit limit{64, 64};
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
        const ContentClasses classes = ContentReading(catalogue_, {.FirstBlockBytes = 64, .BufferBytes = 64}).Result();
        for (int i = 0; i < kFiles; ++i) {
            EXPECT_EQ(classes.Fate[i], i == kOdd ? ContentFate::Alone : ContentFate::Copy) << i;
            if (i != kOdd) {
                EXPECT_EQ(classes.First[i], static_cast<std::uint32_t>(i % 4)) << i;
            }
        }
    });
}

// Stopped halfway through pairs of which every other one differs at its last byte, the reading
// joins its threads, leaves files pending, and calls copies only files whose every byte was
// compared with their set's first, itself a copy.
TEST_F(ContentReadingTest, StopsWithOnlyConfirmedCopies)
{
    for (int pair = 0; pair < 150; ++pair) {
        for (const char* folder : {"x/", "y/"}) {
            MakeFile(folder + std::to_string(pair), 20'000, folder[0] == 'y' && pair % 2 == 1 ? 20'000 : 0, pair);
            List(folder + std::to_string(pair), 20'000);
        }
    }
    std::thread([] {}).join();  // a thread come and gone, as a sanitizer adds one
    const int threads = Threads(1);
    ContentReading reading(catalogue_, {.Readers = 2, .FirstBlockBytes = 16, .BufferBytes = 32});
    while (reading.Thousandths() < 700 && !reading.WaitFor(std::chrono::milliseconds(1))) {
    }
    reading.RequestStop();
    const ContentClasses classes = reading.Result();
    EXPECT_EQ(Threads(threads), threads);
    int pending = 0;
    for (std::size_t e = 0; e < classes.Fate.size(); ++e) {
        pending += classes.Fate[e] == ContentFate::Pending;
        if (classes.Fate[e] == ContentFate::Copy) {
            EXPECT_EQ(classes.Fate[classes.First[e]], ContentFate::Copy);
            EXPECT_TRUE(classes.First[e] != e || SameBytes(e, e ^ 1)) << e;
            EXPECT_TRUE(SameBytes(e, classes.First[e])) << e;
        }
    }
    EXPECT_GT(pending, 0);
}

}  // namespace
}  // namespace jumelix
