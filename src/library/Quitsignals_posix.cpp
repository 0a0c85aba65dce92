// SIGINT and SIGTERM through a self-pipe.
#include "library/Quitsignals.h"

#include <cerrno>
#include <csignal>

#include <sys/socket.h>
#include <unistd.h>

namespace lib {

namespace {

int fds[2] = {-1, -1};

// Only an async-signal-safe write here, and one that never waits: while the loop is busy a
// flood of signals fills the socket, and a full socket already says that one came.
void on_quit_signal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(fds[1], &byte, 1);
    errno = saved;
}

} // namespace

int quit_signal_fd() {
    if (fds[0] >= 0)
        return fds[0];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) {
        fds[0] = fds[1] = -1;
        return -1;
    }
    struct sigaction action = {};
    action.sa_handler = on_quit_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return fds[0];
}

void drain_quit_signal() {
    char byte = 0;
    if (fds[0] >= 0) [[maybe_unused]]
        const ssize_t ignored = ::read(fds[0], &byte, 1);
}

void reset_quit_signals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

} // namespace lib
