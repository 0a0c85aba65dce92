#pragma once
// quit_signal_fd: SIGINT and SIGTERM (on Windows Ctrl+C, Ctrl+Break and the console's close,
// log-off and shut-down) as something an event loop can wait for, a self-pipe (a loopback
// socket pair on Windows) whose read end becomes readable when one of them arrives.
namespace lib {

// Installs the handlers on the first call; the read end of the pipe, or -1 when it could not
// be made (the signals then keep their default action).
int quit_signal_fd();
// Takes one pending signal off the pipe.
void drain_quit_signal();
// The default action again for both signals.
void reset_quit_signals();

} // namespace lib
