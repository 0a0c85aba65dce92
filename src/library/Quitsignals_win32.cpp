// Ctrl+C, Ctrl+Break and the console's close, log-off and shut-down events (the Windows side of
// SIGINT and SIGTERM) through a loopback socket pair, which an event loop can wait on as on the
// POSIX self-pipe.
#include "library/Quitsignals.h"

#include <winsock2.h>

#include <windows.h>

namespace lib {

namespace {

SOCKET ends[2] = {INVALID_SOCKET, INVALID_SOCKET}; // read, write

// Runs on a thread of its own, so no restriction on what it calls.
BOOL WINAPI on_console_event(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT &&
        event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT)
        return FALSE;
    const char byte = 1;
    ::send(ends[1], &byte, 1, 0);
    // After the last three the system ends the process once the handler returns: waiting here
    // lets the window close as its close box would (the system's own time limit still holds).
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        ::Sleep(INFINITE);
    return TRUE;
}

void close_pair() {
    for (SOCKET& end : ends) {
        if (end != INVALID_SOCKET)
            ::closesocket(end);
        end = INVALID_SOCKET;
    }
}

bool same_address(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

// A connection over loopback; the accepted end is checked to be ours, not another program's
// that connected first.
bool make_pair() {
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{}, writer{}, peer{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    bool made = listener != INVALID_SOCKET &&
                ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                ::listen(listener, 1) == 0 &&
                ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    if (made) {
        ends[1] = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        made = ends[1] != INVALID_SOCKET &&
               ::connect(ends[1], reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    if (made) {
        ends[0] = ::accept(listener, nullptr, nullptr);
        int writer_length = sizeof writer, peer_length = sizeof peer;
        made = ends[0] != INVALID_SOCKET &&
               ::getsockname(ends[1], reinterpret_cast<sockaddr*>(&writer), &writer_length) == 0 &&
               ::getpeername(ends[0], reinterpret_cast<sockaddr*>(&peer), &peer_length) == 0 &&
               same_address(writer, peer);
    }
    if (listener != INVALID_SOCKET)
        ::closesocket(listener);
    // The handler never waits on a full socket: what is there already says that one came.
    u_long no_wait = 1;
    made = made && ::ioctlsocket(ends[1], FIONBIO, &no_wait) == 0;
    if (!made)
        close_pair();
    return made;
}

} // namespace

int quit_signal_fd() {
    if (ends[0] != INVALID_SOCKET)
        return static_cast<int>(ends[0]);
    WSADATA version{};
    if (::WSAStartup(MAKEWORD(2, 2), &version) != 0)
        return -1;
    if (!make_pair())
        ::WSACleanup();
    else if (!::SetConsoleCtrlHandler(on_console_event, TRUE)) {
        close_pair();
        ::WSACleanup();
    }
    return ends[0] == INVALID_SOCKET ? -1 : static_cast<int>(ends[0]);
}

void drain_quit_signal() {
    char byte = 0;
    if (ends[0] != INVALID_SOCKET)
        ::recv(ends[0], &byte, 1, 0);
}

void reset_quit_signals() {
    ::SetConsoleCtrlHandler(on_console_event, FALSE);
}

} // namespace lib
