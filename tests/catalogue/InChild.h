#pragma once

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace jumelix {

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

// Root reads everything: a child checks what a user may not read as "nobody".
inline bool BecomeNobody()
{
    return geteuid() != 0 || (setgroups(0, nullptr) == 0 && setresgid(65534, 65534, 65534) == 0 &&
                              setresuid(65534, 65534, 65534) == 0);
}

}  // namespace jumelix
