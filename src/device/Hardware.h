#pragma once
// HardWare: the logger's command protocol over a CommPort, its two dumps and the communication
// log; failures raise a ReadError. HarwareScoper closes the port.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "device/Com_port.h"
#include "device/Dumps.h"
#include "device/Read_error.h"
#include "library/Fileworks.h"
#include "params/All_params.h"

namespace device {

// The logger's protocol: its commands, the line it speaks, its limits and pauses.
inline constexpr const char* CMD_HELLO = "~BLA BLA BLA"; // only the prompt after it matters
inline constexpr const char* CMD_GET_TYPE = "~GET TYPE";
inline constexpr const char* CMD_DUMP_LOG = "~BDUMP LOG";
inline constexpr const char* CMD_DUMP_ALARMS = "~DUMP ALARMS";
inline constexpr char COMMAND_END = '\r';
inline constexpr const char* PROMPT = "\r\n=>"; // ends every reply to a command
inline constexpr const char* LIST_END = "=>";   // a list line that ends the list, as an empty one
inline constexpr const char* LIST_ERR = "ERR";  // a list line that fails the read
inline constexpr std::uint32_t BAUD_RATE = 57600;
inline constexpr std::uint32_t PARITY_NONE = 0;
inline constexpr std::uint32_t BYTE_TIMEOUT_MS = 25000; // how long one byte may take
inline constexpr int DUMP_PAUSE_MS = 500;               // before each of the two dumps
inline constexpr int MAXRETRIES = 100;                  // port reopenings within one read
// Far beyond any logger's memory: a logger that streams past them is faulty.
inline constexpr std::size_t MAX_RECORDS = 10'000'000;
inline constexpr std::size_t MAX_ALARM_LINES = 1'000'000;
inline constexpr std::uint64_t MAX_LOG_BYTES = 64ull << 20; // then the log moves to one older file

struct HardwareTimings {
    std::uint32_t byte_timeout_ms = BYTE_TIMEOUT_MS;
    int dump_pause_ms = DUMP_PAUSE_MS;
    PortTimings port;

    // The same waits, none longer than ms: what a shortened byte time-out means for a read.
    HardwareTimings capped(std::uint32_t ms) const;
};

struct DumpCaps {
    std::size_t records = MAX_RECORDS;
    std::size_t alarm_lines = MAX_ALARM_LINES;
    std::uint64_t log_bytes = MAX_LOG_BYTES;
};

// ~/.local/share/Vornell/vornell_comm.log (the directory is created when missing).
std::string default_comm_log_path();

// Where a read hands what it decodes, as it decodes it: the series the logger's type names, each
// record of the measurement dump, each event of the alarm journal, and notes on what it left
// out. It is called on the reading thread; its owner looks at what it holds once the read has
// ended.
class ReadSink {
public:
    virtual ~ReadSink() = default;
    virtual void series(const ParamLabel& label) = 0;
    virtual void record(std::uint32_t time, float value) = 0;
    virtual void event(const AlarmLine& alarm) = 0;
    virtual void note(const std::string& text) = 0;
};

// A ReadSink over any recording that takes add_series, add_record, add_event and add_note (the
// document's Recording), so that the device layer needs nothing of the document.
template <class Recording> class SinkInto final : public ReadSink {
public:
    explicit SinkInto(Recording& recording) : recording_(recording) {}
    void series(const ParamLabel& label) override { recording_.add_series(label); }
    void record(std::uint32_t time, float value) override { recording_.add_record(time, value); }
    void event(const AlarmLine& a) override {
        recording_.add_event(a.start, a.end, a.code, a.value);
    }
    void note(const std::string& text) override { recording_.add_note(text); }

private:
    Recording& recording_;
};

// What a read is doing, as it reports it.
struct ReadProgress {
    std::string text;        // the step, or the record last read
    double fraction = 0.0;   // completed part, 0.0-1.0
    std::size_t records = 0; // read so far
    // Set while the link is down and the read tries to get it back: the end of the byte's
    // time-out, when it gives up.
    std::optional<Deadline> reconnecting_until;
};

// "Нет связи с датчиком, повторное подключение (K)..." with the seconds left at `now` while the
// read reconnects, the step's text otherwise.
std::string progress_text(const ReadProgress& progress, Deadline now);

class HardWare {
public:
    using ProgressFn = std::function<void(const ReadProgress& progress)>;
    using LineFn = std::function<void(const std::string& line)>;

    // Opens the communication log for appending; a log that cannot be opened is silently off.
    explicit HardWare(const std::string& log_path = default_comm_log_path());
    ~HardWare();
    HardWare(const HardWare&) = delete;
    HardWare& operator=(const HardWare&) = delete;

    // The port name given to CommPort::Open, from the link's settings.
    void SetPortName(std::string name) { port_name_ = std::move(name); }
    const std::string& PortName() const { return port_name_; }

    // A port that cannot be opened fails with the kind `port` (not logged).
    void Open();
    void Close();
    void SendCommand(const std::string& command);
    // Bytes up to the prompt, as received (no code-page conversion).
    std::string ReadReply();
    // One line: CR skipped, LF ends it.
    std::string ReadLine();
    // Sends the command and hands each line to on_line until an empty line or LIST_END;
    // LIST_ERR fails with the kind `protocol`.
    void RunListCommand(const std::string& command, const LineFn& on_line);
    // One escaped frame into `out`; false on a framing error (an over-long frame is one).
    bool ReadFrame(std::string& out);
    // Exactly count bytes within the byte time-out, reopening the port after link failures
    // while that time and the error budget last (RetryOrFail).
    void ReadExact(void* buffer, std::size_t count);
    void ReportProgress(const std::string& text, double fraction);
    // Logs the failure and raises it.
    [[noreturn]] void Fail(const ReadFailure& failure);

    // The two dumps of a read, each item handed to `sink` as it is decoded.
    void ReadMeasurements(ReadSink& sink);
    void ReadAlarms(ReadSink& sink);

    void SetProgressCallback(ProgressFn fn) { progress_ = std::move(fn); }
    bool HasProgressCallback() const { return static_cast<bool>(progress_); }
    // Once *stop is set (from any thread), the read ends within one wait slice with the kind
    // `cancelled`; nullptr reads to the end.
    void SetStopFlag(const std::atomic<bool>* stop);
    void SetTimings(const HardwareTimings& t);
    const HardwareTimings& Timings() const { return timings_; }
    void SetCaps(const DumpCaps& c) { caps_ = c; }
    // Links come from `factory` instead of the port name (tests script a logger with it).
    void SetLinkFactory(LinkFactory factory) { port_.SetLinkFactory(std::move(factory)); }
    // Switches the communication log to another file (appending); false when it cannot be
    // opened, and the log is then off. Only a regular file (or none yet) is a log: anything else
    // at path (a FIFO, a device) is not opened at all, since it could hold every write.
    bool SetLogPath(const std::string& path);
    bool Logging() const { return log_.is_open(); }
    // Why the log is off: it names no regular file, or it cannot be opened (empty when on).
    enum class LogProblem { none, not_regular, cannot_open };
    LogProblem LogState() const { return log_problem_; }
    // "Журнал обмена с датчиком не ведётся: PATH не обычный файл" or the like; empty when on.
    std::string LogProblemText() const;
    const std::string& LogPath() const { return log_path_; }
    int ErrorBudget() const { return error_budget_; }
    CommPort& Port() { return port_; }
    // Host names of TCP peers are looked up with `lookup` (tests answer for names they invent).
    void SetNameLookup(NameLookup lookup) { port_.SetNameLookup(std::move(lookup)); }

private:
    // After a failed read of the port: gives up when the read was stopped, the reopenings are
    // used up or the byte's time is over; otherwise reopens the port for another try.
    void RetryOrFail(Deadline deadline);
    // Fails with the kind `link`, what the link told of its first failure in this wait and the
    // wait that ran out.
    [[noreturn]] void FailLink(std::uint32_t wait_ms);
    // The frames of the measurement dump up to its empty frame; records whose time the program
    // cannot hold are counted in beyond_time and left out.
    void ReadRecords(ReadSink& sink, std::size_t& beyond_time);
    void ReportReconnecting(std::optional<Deadline> until);
    // Fails with the kind `cancelled` once the read has been stopped.
    void CheckStop();
    // A pause that a stop cuts short.
    void Pause(int ms);
    void LogLine(const std::string& cp1251_text);
    void LogBytes(const char* bytes, std::size_t count);
    void LogRecord(std::uint32_t time, float value);

    std::string port_name_;
    CommPort port_;
    HardwareTimings timings_;
    DumpCaps caps_;
    int error_budget_ = 0;
    std::size_t records_ = 0;                // read in this measurement dump
    LinkFault link_fault_ = LinkFault::none; // the first of the wait under way
    ReadProgress progress_state_;
    ProgressFn progress_;
    const std::atomic<bool>* stop_ = nullptr;
    lib::io::OSFile log_;
    std::string log_path_;
    LogProblem log_problem_ = LogProblem::none;
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

} // namespace device
