#include "device/Hardware.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "device/Dumps.h"
#include "library/Codepage.h"
#include "library/Mytime.h"
#include "library/Numstr.h"

namespace device {

std::string default_comm_log_path() {
    const char* home = std::getenv("HOME");
    std::filesystem::path dir = home && *home ? std::filesystem::path(home) : ".";
    dir /= ".local/share/Vornell";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return (dir / "vornell_comm.log").string();
}

HardwareTimings HardwareTimings::capped(std::uint32_t ms) const {
    HardwareTimings t = *this;
    const int cap = static_cast<int>(std::min<std::uint32_t>(ms, 1u << 30));
    t.byte_timeout_ms = std::min(t.byte_timeout_ms, ms);
    t.dump_pause_ms = std::min(t.dump_pause_ms, cap);
    t.port.tcp_wait_ms = std::min(t.port.tcp_wait_ms, cap);
    t.port.reconnect_pause_ms = std::min(t.port.reconnect_pause_ms, cap);
    t.port.serial_error_pause_ms = std::min(t.port.serial_error_pause_ms, cap);
    return t;
}

std::string progress_text(const ReadProgress& progress, Deadline now) {
    if (!progress.reconnecting_until)
        return progress.text;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(*progress.reconnecting_until - now);
    const std::int64_t seconds = left.count() > 0 ? (left.count() + 999) / 1000 : 0;
    return "Нет связи с датчиком, повторное подключение (" + std::to_string(seconds) + ")...";
}

HardWare::HardWare(const std::string& log_path) {
    SetLogPath(log_path);
}

HardWare::~HardWare() {
    Close();
}

bool HardWare::SetLogPath(const std::string& path) {
    log_.close();
    log_path_ = path;
    log_size_ = 0;
    switch (log_.open_append_once(path)) {
    case lib::io::OSFile::append_open::opened:
        log_problem_ = LogProblem::none;
        try {
            log_size_ = static_cast<std::uint64_t>(log_.size());
        } catch (const std::exception&) {
            // Counted from here on: the log still moves aside after 64 MiB more.
        }
        break;
    case lib::io::OSFile::append_open::not_regular:
        log_problem_ = LogProblem::not_regular;
        break;
    case lib::io::OSFile::append_open::failed:
        log_problem_ = LogProblem::cannot_open;
        break;
    }
    return Logging();
}

std::string HardWare::LogProblemText() const {
    switch (log_problem_) {
    case LogProblem::none:
        break;
    case LogProblem::not_regular:
        return "Журнал обмена с датчиком не ведётся: " + log_path_ + " не обычный файл";
    case LogProblem::cannot_open:
        return "Невозможно открыть журнал обмена: " + log_path_;
    }
    return {};
}

void HardWare::SetTimings(const HardwareTimings& t) {
    timings_ = t;
    port_.SetTimings(t.port);
}

void HardWare::SetStopFlag(const std::atomic<bool>* stop) {
    stop_ = stop;
    port_.SetStopFlag(stop);
}

void HardWare::LogBytes(const char* bytes, std::size_t count) {
    if (!Logging())
        return;
    try {
        log_.write(bytes, count);
    } catch (const std::exception&) {
        // A log that cannot be written (a full disk) must not end the read: it stops instead.
        log_.close();
        log_problem_ = LogProblem::cannot_open;
        return;
    }
    log_size_ += count;
    if (log_size_ <= caps_.log_bytes)
        return;
    // One older file is kept, so an endless logger cannot fill the disk.
    log_.close();
    std::error_code ec;
    std::filesystem::rename(log_path_, log_path_ + ".1", ec);
    SetLogPath(log_path_);
}

void HardWare::LogLine(const std::string& cp1251_text) {
    const std::string line = cp1251_text + '\n';
    LogBytes(line.data(), line.size());
}

void HardWare::LogRecord(std::uint32_t time, float value) {
    // "%g" with six significant digits, the stream's default, without a stream's per-call cost.
    char line[64] = "## added bin ";
    char* p = line + 13;
    char* const end = line + sizeof line - 1;
    p = std::to_chars(p, end, time).ptr;
    *p++ = ' ';
    p = std::to_chars(p, end, static_cast<double>(value), std::chars_format::general, 6).ptr;
    *p++ = '\n';
    LogBytes(line, static_cast<std::size_t>(p - line));
}

void HardWare::Open() {
    if (!port_.Open(port_name_)) {
        ReadFailure failure(ReadErrorKind::port);
        failure.port = port_name_;
        failure.fault = port_.LastOpenFault();
        throw ReadError(failure);
    }
    port_.Configure(BAUD_RATE, PARITY_NONE, timings_.byte_timeout_ms, -1);
    LogLine("\n\n##------------------------------------------------##\n" +
            lib::to_cp1251("Начало сеанса"));
}

void HardWare::Close() {
    port_.Close();
}

void HardWare::CheckStop() {
    if (stop_ && stop_->load(std::memory_order_relaxed))
        Fail(ReadErrorKind::cancelled);
}

void HardWare::Pause(int ms) {
    Until(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms), stop_).Sleep();
    CheckStop();
}

void HardWare::SendCommand(const std::string& command) {
    LogLine("<- " + command);
    const std::string bytes = command + COMMAND_END;
    // A command that did not leave gets no reply: waiting for one would only cost time.
    if (!port_.Write(bytes.data(), bytes.size())) {
        CheckStop();
        link_fault_ = port_.LastLinkFault();
        FailLink(static_cast<std::uint32_t>(timings_.port.tcp_wait_ms));
    }
}

void HardWare::ReadExact(void* buffer, std::size_t count) {
    CheckStop();
    // Reopening cannot bring back a reply whose command went to the old connection, so the
    // whole wait, reopenings included, is bounded as a serial line bounds one byte.
    const Deadline deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timings_.byte_timeout_ms);
    std::size_t received = 0;
    link_fault_ = LinkFault::none;
    bool reconnecting = false;
    while (!port_.Read(buffer, count, received, deadline)) {
        if (link_fault_ == LinkFault::none)
            link_fault_ = port_.LastLinkFault();
        RetryOrFail(deadline);
        if (!reconnecting)
            ReportReconnecting(deadline);
        reconnecting = true;
    }
    if (reconnecting)
        ReportReconnecting(std::nullopt);
    if (received < count) {
        CheckStop();
        Fail(ReadErrorKind::timeout);
    }
}

void HardWare::RetryOrFail(Deadline deadline) {
    CheckStop();
    if (error_budget_ >= MAXRETRIES || std::chrono::steady_clock::now() >= deadline) {
        error_budget_ = 0;
        FailLink(timings_.byte_timeout_ms);
    }
    Close();
    Open();
    ++error_budget_;
}

void HardWare::FailLink(std::uint32_t wait_ms) {
    ReadFailure failure(ReadErrorKind::link);
    failure.port = port_name_;
    failure.cause = link_fault_;
    failure.records = records_;
    failure.wait_ms = wait_ms;
    Fail(failure);
}

void HardWare::ReportReconnecting(std::optional<Deadline> until) {
    progress_state_.reconnecting_until = until;
    if (progress_)
        progress_(progress_state_);
}

std::string HardWare::ReadReply() {
    const std::string_view prompt = PROMPT;
    std::string reply;
    for (;;) {
        char c;
        ReadExact(&c, 1);
        reply.push_back(c);
        // Appended one byte at a time, so the prompt can only show up at the end.
        if (c == prompt.back() && reply.ends_with(prompt)) {
            reply.resize(reply.size() - prompt.size());
            break;
        }
        if (reply.size() > MAX_MESSAGE_BYTES + prompt.size())
            Fail({ReadErrorKind::long_reply, MAX_MESSAGE_BYTES});
    }
    LogLine("-> " + reply);
    return reply;
}

std::string HardWare::ReadLine() {
    std::string line;
    for (;;) {
        char c;
        ReadExact(&c, 1);
        if (c == '\r')
            continue;
        if (c == '\n')
            break;
        if (line.size() >= MAX_MESSAGE_BYTES)
            Fail({ReadErrorKind::long_line, MAX_MESSAGE_BYTES});
        line.push_back(c);
    }
    LogLine("-> " + line);
    return line;
}

void HardWare::RunListCommand(const std::string& command, const LineFn& on_line) {
    SendCommand(command);
    for (;;) {
        const std::string line = ReadLine();
        if (line.empty() || line == LIST_END)
            return;
        if (line == LIST_ERR)
            Fail(ReadErrorKind::protocol);
        if (on_line)
            on_line(line);
    }
}

bool HardWare::ReadFrame(std::string& out) {
    FrameDecoder decoder;
    for (;;) {
        std::uint8_t b;
        ReadExact(&b, 1);
        switch (decoder.feed(b)) {
        case FrameDecoder::Step::more:
            break;
        case FrameDecoder::Step::complete:
            out = decoder.payload();
            return true;
        case FrameDecoder::Step::framing_error:
            out.clear();
            return false;
        }
    }
}

void HardWare::ReportProgress(const std::string& text, double fraction) {
    progress_state_ = {text, fraction, records_, std::nullopt};
    if (progress_)
        progress_(progress_state_);
}

void HardWare::Fail(const ReadFailure& failure) {
    // One line per event: the message's lines are joined.
    std::string message = read_error_message(failure);
    for (auto at = message.find('\n'); at != std::string::npos; at = message.find('\n', at))
        message.replace(at, 1, ". ");
    LogLine("## communication error ## " + lib::to_cp1251(message));
    throw ReadError(failure);
}

void HardWare::ReadMeasurements(ReadSink& sink) {
    error_budget_ = 0;
    records_ = 0;
    ReportProgress("Запрос записей...", 0.0);
    Pause(timings_.dump_pause_ms);
    SendCommand(CMD_HELLO);
    ReadReply();
    SendCommand(CMD_GET_TYPE);
    sink.series(label_for_type(lib::from_cp866(ReadReply())));

    SendCommand(CMD_DUMP_LOG);
    std::size_t beyond_time = 0;
    // Told even when the dump fails afterwards: the records left out are missing either way.
    const auto tell_beyond_time = [&] {
        if (beyond_time > 0)
            sink.note("Пропущено записей со временем датчика позже 6 февраля 2106 г. 6:28:14, "
                      "которое программа не может хранить: " +
                      std::to_string(beyond_time));
    };
    try {
        ReadRecords(sink, beyond_time);
    } catch (...) {
        tell_beyond_time();
        throw;
    }
    tell_beyond_time();
    ReadReply();
}

void HardWare::ReadRecords(ReadSink& sink, std::size_t& beyond_time) {
    std::string frame;
    int rejected = 0;
    for (;;) {
        const bool framed = ReadFrame(frame);
        if (framed && frame.empty())
            break;
        const auto record = framed ? decode_record(frame) : std::nullopt;
        if (!record) {
            if (++rejected > MAX_REJECTED_FRAMES)
                Fail({ReadErrorKind::garbled, MAX_REJECTED_FRAMES});
            continue;
        }
        rejected = 0;
        if (records_ >= caps_.records)
            Fail({ReadErrorKind::records_cap, caps_.records});
        const std::optional<std::uint32_t> time = record_time(record->time);
        // A clock past the program's time range would wrap to 1970: the record is left out.
        if (!time) {
            ++beyond_time;
            continue;
        }
        const std::uint32_t t = *time;
        LogRecord(t, record->value);
        ++records_;
        ReportProgress(lib::time_to_text(t) + ", знач. = " + lib::number_to_text(record->value, 1),
                       0.0);
        sink.record(t, record->value);
    }
}

void HardWare::ReadAlarms(ReadSink& sink) {
    ReportProgress("Запрос журнала...", 0.0);
    Pause(timings_.dump_pause_ms);
    std::size_t lines = 0;
    RunListCommand(CMD_DUMP_ALARMS, [&](const std::string& line) {
        if (++lines > caps_.alarm_lines)
            Fail({ReadErrorKind::alarms_cap, caps_.alarm_lines});
        AlarmLine alarm;
        switch (decode_alarm_line(line, alarm)) {
        case AlarmLineShape::record:
            sink.event(alarm);
            break;
        case AlarmLineShape::skipped:
            break;
        case AlarmLineShape::impossible_date:
            // Not a fault of the line: the journal says nothing the log could add to.
            throw ReadError(ReadErrorKind::bad_date);
        }
    });
}

} // namespace device
