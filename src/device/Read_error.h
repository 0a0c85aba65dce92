#pragma once
// ReadError: a failure of a device read with its kind, and the one place that words every kind
// (read_error_message) and what the user is shown for it.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "device/Com_port.h"

namespace device {

enum class ReadErrorKind {
    port,        // the port cannot be opened
    link,        // the line or connection broke and could not be restored in time
    timeout,     // a byte did not come within the byte time-out
    protocol,    // the logger answered ERR
    long_reply,  // a reply without its prompt
    long_line,   // a line without its end
    garbled,     // frames in a row that are no record
    records_cap, // more records than any logger holds
    alarms_cap,  // more alarm lines than any logger holds
    bad_date,    // an alarm line with a date or time that does not exist
    other,       // another error of the program (the data model's), with its own text
    cancelled,   // the user stopped the read
    unknown,     // an error that says nothing of itself
};

struct ReadFailure {
    ReadFailure(ReadErrorKind kind = ReadErrorKind::unknown, std::size_t limit = 0)
        : kind(kind), limit(limit) {}

    ReadErrorKind kind;
    std::size_t limit; // long_reply, long_line, garbled and the caps: the limit passed
    std::string text;  // other: the error's own text
    std::string port;  // port and link: the name as stored
    OpenFault fault;   // port: why the system refused it
    // link: what the link told of the first failure of the wait that ended the read, the
    // records read before it and how long a byte may take.
    LinkFault cause = LinkFault::none;
    std::size_t records = 0;
    std::uint32_t wait_ms = 0;
};

inline constexpr const char* read_error_prefix = "Произошла ошибка:\n";
inline constexpr const char* unknown_read_error =
    "В процессе считывания данных произошла неизвестная ошибка";

// The failure's own message, as the communication log records it.
std::string read_error_message(const ReadFailure& failure);
// What the reading window and vornell-cli show: read_error_prefix + the message, or
// unknown_read_error for a failure that says nothing the user could act on.
std::string read_error_text(const ReadFailure& failure);
// The reading window's box: read_error_text, for a port that cannot be opened the port and the
// system's reason, that the window keeps the kept_records read before the failure, and where
// the communication log is (log_path; empty when there is none).
std::string read_error_box_text(const ReadFailure& failure, const std::string& log_path,
                                std::size_t kept_records = 0);
// A port name with what it opens: "COM3 (устройство /dev/ttyS2)", "10.0.0.7:4001 (адрес
// 10.0.0.7, порт 4001)", "/dev/ttyUSB0".
std::string port_text(const std::string& name);
// "записи" after a count that ends in 1 (but not 11), "записей" after any other: the genitive
// that "после N" and "до N" take.
std::string records_after(std::size_t count);

class ReadError : public std::runtime_error {
public:
    explicit ReadError(ReadFailure failure)
        : std::runtime_error(read_error_message(failure)), failure_(std::move(failure)) {}
    const ReadFailure& failure() const { return failure_; }

private:
    ReadFailure failure_;
};

} // namespace device
