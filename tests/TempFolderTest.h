#pragma once

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace jumelix {

// A test in a temporary folder of its own, the current folder while it runs,
// open to other users so that a forked child may work in it as "nobody".
class TempFolderTest : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/jumelix-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        ASSERT_EQ(chmod(pattern, 0755), 0);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(root_);
    }
    // rm cannot empty a folder it may not read.
    void TearDown() override
    {
        if (root_.empty())
            return;
        std::filesystem::current_path(previous_);
        EXPECT_EQ(std::system(("chmod -R u+rwx " + root_ + " && rm -rf " + root_).c_str()), 0);
    }

    std::string root_;
    std::filesystem::path previous_;
};

// Runs `body` in a forked child killed by its alarm after `seconds`, so that a
// hang fails the test; so does a failed expectation in the child.
inline void InChild(unsigned seconds, const std::function<void()>& body)
{
    std::fflush(nullptr);  // or the child writes out the parent's buffered output again
    const pid_t child = fork();
    if (child == 0) {
        alarm(seconds);
        body();
        std::fflush(nullptr);
        _exit(testing::Test::HasFailure() ? 4 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0) << "child wait status (14: killed by its alarm; 256 n: exit code n)";
}

// The threads of this process, once down to `expected` or after 100 ms: a
// joined thread can still be listed for a moment, until the kernel has reaped
// it; one left running stays listed.
inline int Threads(int expected)
{
    int threads = 0;
    for (int tries = 0; tries < 100 && (tries == 0 || threads > expected); ++tries) {
        if (tries > 0)
            usleep(1000);
        threads = 0;
        for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
            ++threads;
    }
    return threads;
}

// Root reads everything: a child checks what a user may not read as "nobody".
inline bool BecomeNobody()
{
    return geteuid() != 0 || (setgroups(0, nullptr) == 0 && setresgid(65534, 65534, 65534) == 0 &&
                              setresuid(65534, 65534, 65534) == 0);
}

}  // namespace jumelix
