#pragma once
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

// vornell-logger-sim on a free loopback port (or a pseudo-terminal) for the length of one test.
class Simulator {
public:
    explicit Simulator(const std::string& args, bool pty = false) {
        const std::string command = "echo $$; exec '" VORNELL_LOGGER_SIM "' " +
                                    std::string(pty ? "--pty " : "--listen 127.0.0.1:0 ") + args;
        pipe_ = popen(command.c_str(), "r");
        if (!pipe_)
            return;
        char line[256];
        if (std::fgets(line, sizeof line, pipe_))
            pid_ = std::atoi(line);
        if (std::fgets(line, sizeof line, pipe_)) {
            std::string text = line;
            text.erase(text.find_last_not_of("\r\n") + 1);
            address_ = text.substr(text.find(' ') + 1);
        }
    }
    ~Simulator() {
        if (pid_ > 0)
            ::kill(pid_, SIGTERM);
        if (pipe_)
            pclose(pipe_);
    }
    const std::string& address() const { return address_; }

private:
    FILE* pipe_ = nullptr;
    int pid_ = 0;
    std::string address_;
};

// vornell-cli's arguments that read the simulator into out, with the log beside it.
inline std::string read_arguments(const Simulator& sim, const std::string& out,
                                  int byte_timeout_ms) {
    return "read " + sim.address() + " '" + out + "' --log '" + out + ".log' --byte-timeout " +
           std::to_string(byte_timeout_ms);
}
