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

HardWare::HardWare(const std::string& log_path) {
    SetLogPath(log_path);
}

HardWare::~HardWare() {
    Close();
}

bool HardWare::SetLogPath(const std::string& path) {
    log_.close();
    log_.clear();
    log_.open(path, std::ios::out | std::ios::app | std::ios::binary);
    log_path_ = path;
    std::error_code ec;
    log_size_ = log_ ? std::filesystem::file_size(path, ec) : 0;
    return log_.good();
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
    log_.write(bytes, static_cast<std::streamsize>(count));
    log_.flush();
    log_size_ += count;
    if (log_size_ <= caps_.log_bytes || !log_)
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
        Fail(ReadErrorKind::link);
    }
}

void HardWare::ReadExact(void* buffer, std::size_t count) {
    CheckStop();
    // Reopening cannot bring back a reply whose command went to the old connection, so the
    // whole wait, reopenings included, is bounded as a serial line bounds one byte.
    const Deadline deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timings_.byte_timeout_ms);
    std::size_t received = 0;
    while (!port_.Read(buffer, count, received, deadline))
        RetryOrFail(deadline);
    if (received < count) {
        CheckStop();
        Fail(ReadErrorKind::timeout);
    }
}

void HardWare::RetryOrFail(Deadline deadline) {
    CheckStop();
    if (error_budget_ >= MAXRETRIES || std::chrono::steady_clock::now() >= deadline) {
        error_budget_ = 0;
        Fail(ReadErrorKind::link);
    }
    Close();
    Open();
    ++error_budget_;
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
    if (progress_)
        progress_(text, fraction, records_);
}

void HardWare::Fail(const ReadFailure& failure) {
    LogLine("## communication error ## " + lib::to_cp1251(read_error_message(failure)));
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
        const std::uint32_t t = record_time(record->time);
        LogRecord(t, record->value);
        ++records_;
        ReportProgress(lib::time_to_text(t) + ", знач. = " + lib::number_to_text(record->value, 1),
                       0.0);
        sink.record(t, record->value);
    }
    ReadReply();
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
