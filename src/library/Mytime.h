#pragma once
// The program's time value and its texts (time_to_text, time_to_hhmm), the journal's calendar
// date-time number (parts_to_datetime), dates in the locale's formats (format_short_date) and in
// the fixed ones of exchange files (iso_date_time).
#include <cstdint>
#include <string>

namespace lib {

// A time value is unsigned seconds of local wall-clock time, 1970-01-01 00:00:00 being 86400;
// no_time (4294967295) means no time.
constexpr std::uint32_t no_time = 4294967295u;

struct time_parts {
    int year = 1970;
    int month = 1;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const time_parts&) const = default;
};

time_parts time_to_parts(std::uint32_t t);
std::uint32_t parts_to_time(int year, int month, int day, int hour, int minute, int second);
std::string time_to_text(std::uint32_t t); // "5 марта 2007г. 9:05"
std::string time_to_hhmm(std::uint32_t t); // "9:05", "---" for no_time
time_parts time_to_datetime(std::uint32_t t);

// Calendar date-time number (days since 1899-12-30, time of day as the fraction) <-> parts
// (proleptic Gregorian calendar, milliseconds rounded).
double parts_to_datetime(const time_parts& p);
time_parts datetime_to_parts(double dt);

// Texts in the locale's short date and long time formats (lib::Locale).
std::string format_short_date(const time_parts& p);
std::string format_long_time(const time_parts& p);
// The same in every locale, for files other programs read: "2026-03-02" and
// "2026-03-02 06:00:00" (or with 'T' or another separator between date and time).
std::string iso_date(const time_parts& p);
std::string iso_date_time(const time_parts& p, char separator = ' ');

} // namespace lib
