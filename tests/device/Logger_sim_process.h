#pragma once
// Runs vornell-logger-sim for one test and stops it afterwards.
#include <QProcess>
#include <QStringList>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "device/Hardware.h"

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

// A private directory for one test, removed afterwards.
class ScratchDir {
public:
    ScratchDir() {
        static int n = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("vornell-device-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream(file(name), std::ios::binary) << bytes;
        return file(name);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path path_;
};

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
