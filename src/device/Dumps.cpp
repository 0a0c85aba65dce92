#include "device/Dumps.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <vector>

#include "library/Codepage.h"
#include "library/Mytime.h"
#include "library/Numstr.h"
#include "library/Strworks.h"

namespace device {

FrameDecoder::Step FrameDecoder::feed(std::uint8_t byte) {
    if (done_) {
        payload_.clear();
        escape_ = false;
        done_ = false;
    }
    if (escape_) {
        escape_ = false;
        if (byte == 0) {
            done_ = true;
            return Step::complete;
        }
        if (byte != 255) {
            done_ = true;
            return Step::framing_error;
        }
    } else if (byte == 255) {
        escape_ = true;
        return Step::more;
    }
    if (payload_.size() >= MAX_MESSAGE_BYTES) {
        done_ = true;
        return Step::framing_error;
    }
    payload_.push_back(static_cast<char>(byte));
    return Step::more;
}

std::optional<MeasurementRecord> decode_record(std::string_view payload) {
    if (payload.size() != 8)
        return std::nullopt;
    const auto* b = reinterpret_cast<const unsigned char*>(payload.data());
    auto le32 = [b](int at) {
        return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
               static_cast<std::uint32_t>(b[at + 2]) << 16 |
               static_cast<std::uint32_t>(b[at + 3]) << 24;
    };
    MeasurementRecord r;
    r.time = le32(0);
    const std::uint32_t bits = le32(4);
    static_assert(sizeof(float) == 4);
    std::memcpy(&r.value, &bits, 4);
    return r;
}

std::optional<std::uint32_t> record_time(std::uint32_t logger_time) {
    // 4294967295 is no time at all, so the last time a record can have is one below it.
    constexpr std::uint32_t last = 4294967294u - 86400u;
    if (logger_time > last)
        return std::nullopt;
    return logger_time + 86400u;
}

namespace {

// A decimal integer (leading spaces and a minus allowed), or `fallback` when the whole text is
// not one.
int int_or(std::string_view s, int fallback) {
    s.remove_prefix(std::min(s.find_first_not_of(' '), s.size()));
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && end == s.data() + s.size() ? v : fallback;
}

// Characters [from, from + count) counted from 1, shortened at the end of the text.
std::string_view field(std::string_view s, std::size_t from, std::size_t count) {
    if (from - 1 >= s.size())
        return {};
    return s.substr(from - 1, count);
}

} // namespace

int month_lookup(std::string_view text) {
    static constexpr std::array<const char*, 12> names = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    for (std::size_t i = 0; i < names.size(); ++i)
        if (lib::equal_ident(text, names[i]))
            return static_cast<int>(i) + 1;
    return -1;
}

std::optional<double> decode_alarm_datetime(std::string_view text) {
    const int year = int_or(field(text, 1, 4), -1);
    const int month = month_lookup(field(text, 6, 3));
    const int day = int_or(field(text, 10, 2), -1);
    const int hour = int_or(field(text, 13, 2), -1);
    const int minute = int_or(field(text, 16, 2), -1);
    const int second = int_or(field(text, 19, 2), -1);
    // A day past its month's end comes back from the calendar as a day of the next month.
    if (year < 1 || year > 9999 || month < 1 || day < 1 ||
        lib::datetime_to_parts(lib::parts_to_datetime({year, month, day})).day != day)
        return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    return lib::parts_to_datetime({year, month, day, hour, minute, second});
}

AlarmLineShape decode_alarm_line(std::string_view line, AlarmLine& out) {
    std::vector<std::string> items;
    lib::split_text(line, '\t', items);
    if (items.size() != 3 && items.size() != 4)
        return AlarmLineShape::skipped;
    const std::optional<double> start = decode_alarm_datetime(items[1]);
    const std::optional<double> end =
        items.size() == 4 ? decode_alarm_datetime(items[2]) : std::optional<double>(0.0);
    if (!start || !end)
        return AlarmLineShape::impossible_date;
    out.start = *start;
    out.end = *end;
    out.value = static_cast<float>(lib::text_to_number(items.back()));
    out.code = int_or(items[0], 255);
    return AlarmLineShape::record;
}

} // namespace device
