#pragma once
// Runs vornell-logger-sim for one test and stops it afterwards.
#include <QProcess>
#include <QStringList>

#include <fstream>
#include <iterator>
#include <string>

#include "device/Hardware.h"
#include "library/Scratch_dir.h"

class LoggerSimProcess {
public:
    // Starts the simulator with `args` plus --listen 127.0.0.1:0 (or --pty) and waits for it to
    // say where it can be reached.
    explicit LoggerSimProcess(QStringList args, bool pty = false) {
        args << (pty ? QStringList{"--pty"} : QStringList{"--listen", "127.0.0.1:0"});
        process_.setProgram(VORNELL_LOGGER_SIM);
        process_.setArguments(args);
        process_.start();
        if (!process_.waitForStarted(5000))
            return;
        while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
        }
        const std::string line = process_.readLine().trimmed().toStdString();
        const auto space = line.find(' ');
        if (space != std::string::npos)
            port_name_ = line.substr(space + 1);
    }
    ~LoggerSimProcess() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    // "127.0.0.1:PORT" or the pseudo-terminal's path; empty when the start failed.
    const std::string& port_name() const { return port_name_; }

private:
    QProcess process_;
    std::string port_name_;
};

// A text file in the scratch directory; returns its path.
inline std::string write_text(const ScratchDir& dir, const std::string& name,
                              const std::string& bytes) {
    std::ofstream(dir.file(name), std::ios::binary) << bytes;
    return dir.file(name);
}

inline std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Waits short enough that the failure paths of a whole suite take seconds, not minutes.
inline device::HardwareTimings fast_timings() {
    device::HardwareTimings t;
    t.byte_timeout_ms = 3000;
    t.dump_pause_ms = 0;
    t.port.tcp_wait_ms = 3000;
    t.port.reconnect_pause_ms = 0;
    t.port.serial_error_pause_ms = 0;
    return t;
}
