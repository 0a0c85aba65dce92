#pragma once
// FrameDecoder and decode_alarm_line: decoders of the logger's two dumps (escaped binary frames
// of measurements, tab-separated alarm lines), free of any port or toolkit so they can be fuzzed.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace device {

// Longest reply, line or frame payload we accept; a logger that streams past it is faulty.
inline constexpr std::size_t MAX_MESSAGE_BYTES = 64 * 1024;
// Frames in a row that are no record (framing errors, wrong lengths) before the dump counts as
// garbage; without it a logger streaming noise would keep the read going for ever.
inline constexpr int MAX_REJECTED_FRAMES = 1024;

// One frame at a time, fed byte by byte. On the wire a frame is its payload with every 255
// doubled, then 255, 0.
class FrameDecoder {
public:
    enum class Step { more, complete, framing_error };

    // After `complete` or `framing_error` the next byte starts a new frame. A payload that grows
    // past MAX_MESSAGE_BYTES is a framing error.
    Step feed(std::uint8_t byte);
    const std::string& payload() const { return payload_; }

private:
    std::string payload_;
    bool escape_ = false;
    bool done_ = false;
};

// The 8-byte little-endian measurement record: logger seconds since 1970, IEEE single value.
struct MeasurementRecord {
    std::uint32_t time = 0;
    float value = 0.0f;
};

// Empty unless the payload is exactly 8 bytes.
std::optional<MeasurementRecord> decode_record(std::string_view payload);

// The program time of a record: logger seconds + 86400; nothing for a logger time after
// 2106-02-06 06:28:14, which 32 bits cannot hold that way (it would wrap to 1970).
std::optional<std::uint32_t> record_time(std::uint32_t logger_time);

// "JAN".."DEC" in any case -> 1..12; anything else -> -1.
int month_lookup(std::string_view text);

// Fixed positions "YYYY?MMM?DD?hh?mm?ss" (any separators, later characters ignored) ->
// calendar date-time number; nothing when the moment does not exist.
std::optional<double> decode_alarm_datetime(std::string_view text);

struct AlarmLine {
    double start = 0.0;
    double end = 0.0;
    int code = 255;
    float value = 0.0f;
};

enum class AlarmLineShape { record, skipped, impossible_date };

// Three fields (code, start, value) or four (code, start, end, value), tab-separated, give a
// `record` in `out`; any other count is `skipped`. A code that is not an integer gives 255. A
// date or time that does not exist ends the read: the logger's journal is broken.
AlarmLineShape decode_alarm_line(std::string_view line, AlarmLine& out);

} // namespace device
