#pragma once
// HardWare: the logger's command protocol over a CommPort, its two dumps and the communication
// log; failures raise std::runtime_error with the user's text. HarwareScoper closes the port.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>

#include "device/Com_port.h"

namespace device {

struct HardwareTimings {
    std::uint32_t byte_timeout_ms = 25000; // serial: how long one byte may take
    int dump_pause_ms = 500;               // pause before each of the two dumps
    PortTimings port;

    // The same waits, none longer than ms: what a shortened byte time-out means for a read.
    HardwareTimings capped(std::uint32_t ms) const;
};

// Far beyond any logger's memory: a logger that streams past them is faulty.
struct DumpCaps {
    std::size_t records = 10'000'000;
    std::size_t alarm_lines = 1'000'000;
    std::uint64_t log_bytes = 64ull << 20; // then the log moves to one older file
};

// ~/.local/share/Vornell/vornell_comm.log (the directory is created when missing).
std::string default_comm_log_path();

} // namespace device

class Storage;

class HardWare {
public:
    using ProgressFn = std::function<void(const std::string& text, double fraction)>;
    using LineFn = std::function<void(const std::string& line)>;

    // Opens the communication log for appending; a log that cannot be opened is silently off.
    explicit HardWare(const std::string& log_path = device::default_comm_log_path());
    ~HardWare();
    HardWare(const HardWare&) = delete;
    HardWare& operator=(const HardWare&) = delete;

    // The stored option: the port name given to CommPort::Open.
    std::string name = "COM1";

    // "Невозможно открыть COM-порт" (not logged) when the port cannot be opened.
    void Open();
    void Close();
    void SendCommand(const std::string& command);
    // Bytes up to the prompt "\r\n=>", as received (no code-page conversion).
    std::string ReadReply();
    // One line: CR skipped, LF ends it.
    std::string ReadLine();
    // Sends the command and hands each line to on_line until an empty line or "=>";
    // "ERR" fails with "Ответ датчика : ERR".
    void RunListCommand(const std::string& command, const LineFn& on_line);
    // One escaped frame into `out`; false on a framing error (an over-long frame is one).
    bool ReadFrame(std::string& out);
    // Exactly count bytes within the byte time-out, reopening the port after link failures
    // while that time and the error budget last.
    void ReadExact(void* buffer, std::size_t count);
    void ReportProgress(const std::string& text, double fraction);
    // Logs the failure and raises std::runtime_error(text).
    [[noreturn]] void Fail(const std::string& text);

    // The two dumps of a read into the document.
    void ReadMeasurements(Storage& document);
    void ReadAlarms(Storage& document);

    void set_progress_callback(ProgressFn fn) { progress_ = std::move(fn); }
    bool has_progress_callback() const { return static_cast<bool>(progress_); }
    void set_timings(const device::HardwareTimings& t);
    const device::HardwareTimings& timings() const { return timings_; }
    void set_caps(const device::DumpCaps& c) { caps_ = c; }
    // Links come from `factory` instead of the port name (tests script a logger with it).
    void set_link_factory(device::LinkFactory factory) {
        port_.set_link_factory(std::move(factory));
    }
    // Switches the communication log to another file (appending); false when it cannot be
    // opened, and the log is then off.
    bool set_log_path(const std::string& path);
    bool logging() const { return log_.is_open(); }
    int error_budget() const { return error_budget_; }
    device::CommPort& port() { return port_; }

private:
    void log_line(const std::string& cp1251_text);
    void log_bytes(const char* bytes, std::size_t count);
    void log_record(std::uint32_t time, float value);

    device::CommPort port_;
    device::HardwareTimings timings_;
    device::DumpCaps caps_;
    int error_budget_ = 0;
    ProgressFn progress_;
    std::ofstream log_;
    std::string log_path_;
    std::uint64_t log_size_ = 0;
};

// Closes the port of a HardWare on every way out of a scope.
class HarwareScoper {
public:
    explicit HarwareScoper(HardWare* hw) : hw_(hw) {}
    ~HarwareScoper() { hw_->Close(); }
    HarwareScoper(const HarwareScoper&) = delete;
    HarwareScoper& operator=(const HarwareScoper&) = delete;

private:
    HardWare* hw_;
};
