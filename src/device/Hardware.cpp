#include "device/Hardware.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "device/Dumps.h"
#include "document/Storage.h"
#include "library/Codepage.h"
#include "library/Mytime.h"
#include "library/Numstr.h"
#include "params/All_params.h"

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

} // namespace device

namespace {

const std::string prompt = "\r\n=>";

} // namespace

HardWare::HardWare(const std::string& log_path) {
    set_log_path(log_path);
}

HardWare::~HardWare() {
    Close();
}

bool HardWare::set_log_path(const std::string& path) {
    log_.close();
    log_.clear();
    log_.open(path, std::ios::out | std::ios::app | std::ios::binary);
    log_path_ = path;
    std::error_code ec;
    log_size_ = log_ ? std::filesystem::file_size(path, ec) : 0;
    return log_.good();
}

void HardWare::set_timings(const device::HardwareTimings& t) {
    timings_ = t;
    port_.set_timings(t.port);
}

void HardWare::log_bytes(const char* bytes, std::size_t count) {
    log_.write(bytes, static_cast<std::streamsize>(count));
    log_.flush();
    log_size_ += count;
    if (log_size_ <= caps_.log_bytes || !log_)
        return;
    // One older file is kept, so an endless logger cannot fill the disk.
    log_.close();
    std::error_code ec;
    std::filesystem::rename(log_path_, log_path_ + ".1", ec);
    set_log_path(log_path_);
}

void HardWare::log_line(const std::string& cp1251_text) {
    const std::string line = cp1251_text + '\n';
    log_bytes(line.data(), line.size());
}

void HardWare::log_record(std::uint32_t time, float value) {
    // "%g" with six significant digits, the stream's default, without a stream's per-call cost.
    char line[64] = "## added bin ";
    char* p = line + 13;
    char* const end = line + sizeof line - 1;
    p = std::to_chars(p, end, time).ptr;
    *p++ = ' ';
    p = std::to_chars(p, end, static_cast<double>(value), std::chars_format::general, 6).ptr;
    *p++ = '\n';
    log_bytes(line, static_cast<std::size_t>(p - line));
}

void HardWare::Open() {
    if (!port_.Open(name))
        throw std::runtime_error("Невозможно открыть COM-порт");
    port_.Configure(57600, 0, timings_.byte_timeout_ms, -1);
    log_line("\n\n##------------------------------------------------##\n" +
             lib::to_cp1251("Начало сеанса"));
}

void HardWare::Close() {
    port_.Close();
}

void HardWare::SendCommand(const std::string& command) {
    log_line("<- " + command);
    const std::string bytes = command + '\r';
    // A command that did not leave gets no reply: waiting for one would only cost time.
    if (!port_.Write(bytes.data(), bytes.size()))
        Fail("Аппаратная ошибка при чтении данных");
}

void HardWare::ReadExact(void* buffer, std::size_t count) {
    // Reopening cannot bring back a reply whose command went to the old connection, so the
    // whole wait, reopenings included, is bounded as a serial line bounds one byte.
    const device::Deadline deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timings_.byte_timeout_ms);
    std::size_t received = 0;
    while (!port_.Read(buffer, count, received, deadline)) {
        if (error_budget_ >= 100 || std::chrono::steady_clock::now() >= deadline) {
            error_budget_ = 0;
            Fail("Аппаратная ошибка при чтении данных");
        }
        Close();
        Open();
        ++error_budget_;
    }
    if (received < count)
        Fail("Датчик не ответил по истечению отведённого времени");
}

std::string HardWare::ReadReply() {
    std::string reply;
    for (;;) {
        char c;
        ReadExact(&c, 1);
        reply.push_back(c);
        // Appended one byte at a time, so the prompt can only show up at the end.
        if (c == '>' && reply.ends_with(prompt)) {
            reply.resize(reply.size() - prompt.size());
            break;
        }
        if (reply.size() > device::max_message_bytes + prompt.size())
            Fail("Ответ датчика слишком длинный: нет приглашения \"=>\" после " +
                 std::to_string(device::max_message_bytes) + " байт");
    }
    log_line("-> " + reply);
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
        if (line.size() >= device::max_message_bytes)
            Fail("Строка ответа датчика слишком длинная: нет конца строки после " +
                 std::to_string(device::max_message_bytes) + " байт");
        line.push_back(c);
    }
    log_line("-> " + line);
    return line;
}

void HardWare::RunListCommand(const std::string& command, const LineFn& on_line) {
    SendCommand(command);
    for (;;) {
        const std::string line = ReadLine();
        if (line.empty() || line == "=>")
            return;
        if (line == "ERR")
            Fail("Ответ датчика : ERR");
        if (on_line)
            on_line(line);
    }
}

bool HardWare::ReadFrame(std::string& out) {
    device::FrameDecoder decoder;
    for (;;) {
        std::uint8_t b;
        ReadExact(&b, 1);
        switch (decoder.feed(b)) {
        case device::FrameDecoder::Step::more:
            break;
        case device::FrameDecoder::Step::complete:
            out = decoder.payload();
            return true;
        case device::FrameDecoder::Step::framing_error:
            out.clear();
            return false;
        }
    }
}

void HardWare::ReportProgress(const std::string& text, double fraction) {
    if (progress_)
        progress_(text, fraction);
}

void HardWare::Fail(const std::string& text) {
    log_line("## communication error ## " + lib::to_cp1251(text));
    throw std::runtime_error(text);
}

void HardWare::ReadMeasurements(Storage& document) {
    error_budget_ = 0;
    ReportProgress("Запрос записей...", 0.0);
    device::pause_ms(timings_.dump_pause_ms);
    SendCommand("~BLA BLA BLA");
    ReadReply();
    SendCommand("~GET TYPE");
    FileStorage& data = document.Data();
    const int k = data.add_param(label_for_type(lib::from_cp866(ReadReply())));

    SendCommand("~BDUMP LOG");
    FileStorageItem item;
    std::string frame;
    int rejected = 0;
    for (;;) {
        const bool framed = ReadFrame(frame);
        if (framed && frame.empty())
            break;
        const auto record = framed ? device::decode_record(frame) : std::nullopt;
        if (!record) {
            if (++rejected > device::max_rejected_frames)
                Fail("Датчик передаёт искажённые данные: более " +
                     std::to_string(device::max_rejected_frames) + " негодных кадров подряд");
            continue;
        }
        rejected = 0;
        if (static_cast<std::size_t>(data.item_count()) >= caps_.records)
            Fail("Датчик передаёт записи без конца: прочитано " + std::to_string(caps_.records) +
                 ", чтение остановлено");
        const std::uint32_t t = device::record_time(record->time);
        log_record(t, record->value);
        ReportProgress(lib::time_to_text(t) + ", знач. = " + lib::number_to_text(record->value, 1),
                       0.0);
        item.time = t;
        item.values.resize(0);
        item.values.resize(static_cast<std::size_t>(data.param_count()));
        item.values[static_cast<std::size_t>(k)] = record->value;
        data.add_item(item);
    }
    ReadReply();
}

void HardWare::ReadAlarms(Storage& document) {
    ReportProgress("Запрос журнала...", 0.0);
    device::pause_ms(timings_.dump_pause_ms);
    LogStorage& journal = document.Journal();
    std::size_t lines = 0;
    RunListCommand("~DUMP ALARMS", [&](const std::string& line) {
        if (++lines > caps_.alarm_lines)
            Fail("Датчик передаёт журнал без конца: прочитано " +
                 std::to_string(caps_.alarm_lines) + " строк, чтение остановлено");
        if (const auto a = device::decode_alarm_line(line))
            journal.Add(a->start, a->end, a->code, a->value);
    });
}
