#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "library/Quitsignals.h"

namespace {

// A flood of signals while nobody reads the pipe (the window busy opening a large file) must
// neither block the process in its own handler nor lose the fact that a signal came.
TEST(QuitSignals, AFloodWhileNobodyReadsNeverBlocksAndIsStillSeen) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = lib::quit_signal_fd();
        if (fd < 0)
            ::_exit(3);
        for (int i = 0; i < 2000; ++i)
            std::raise(SIGTERM);
        pollfd readable{fd, POLLIN, 0};
        ::_exit(::poll(&readable, 1, 0) == 1 ? 0 : 4);
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            FAIL() << "the handler blocked on the full pipe";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
