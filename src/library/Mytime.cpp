#include "library/Mytime.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "library/Locale.h"

namespace lib {

namespace {

constexpr std::array<const char*, 12> month_names = {"января",   "февраля", "марта",  "апреля",
                                                     "мая",      "июня",    "июля",   "августа",
                                                     "сентября", "октября", "ноября", "декабря"};

// Month lengths of the time value's calendar, where every fourth year is a leap year.
constexpr std::array<unsigned, 12> month_days(bool leap) {
    return {31u, leap ? 29u : 28u, 31u, 30u, 31u, 30u, 31u, 31u, 30u, 31u, 30u, 31u};
}

void append_two_digits(std::string& out, int v) {
    out += static_cast<char>('0' + v / 10 % 10);
    out += static_cast<char>('0' + v % 10);
}

// Gregorian day count from 1970-01-01, valid for any year.
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civil_from_days(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

// 1899-12-30, day 0 of the calendar date-time number, counted from 1970-01-01.
constexpr std::int64_t datetime_epoch = -25569;
// 0001-01-01 and 9999-12-31 23:59:59.999 as date-time numbers: the range a date picker shows.
constexpr double datetime_min = -693593.0;
constexpr double datetime_max = 2958465.99999;

// Renders parts by a pattern, reading only the given field letters; runs of one letter form a
// field, one letter unpadded and two or more padded (a year of three or more letters is full).
std::string render(const std::string& pattern, const time_parts& p, std::string_view letters) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        if (letters.find(c) == std::string_view::npos) {
            out += c;
            ++i;
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        i += run;
        if (c == 'y') {
            if (run >= 3) {
                std::string year = std::to_string(p.year);
                if (year.size() < 4)
                    year.insert(0, 4 - year.size(), '0');
                out += year;
            } else {
                append_two_digits(out, ((p.year % 100) + 100) % 100);
            }
            continue;
        }
        // The values of the other field letters, in the order of "dMHhms"; 0 for any other.
        const int hour12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
        const int values[] = {p.day, p.month, p.hour, hour12, p.minute, p.second};
        const std::size_t field = std::string_view("dMHhms").find(c);
        const int v = field < std::size(values) ? values[field] : 0;
        if (run >= 2 && v >= 0 && v < 10)
            out += '0';
        out += std::to_string(v);
    }
    return out;
}

} // namespace

time_parts time_to_parts(std::uint32_t t) {
    time_parts p;
    p.second = static_cast<int>(t % 60);
    p.minute = static_cast<int>(t / 60 % 60);
    p.hour = static_cast<int>(t / 3600 % 24);
    std::uint32_t days = t / 86400;

    std::uint32_t year = 1970;
    for (;;) {
        const std::uint32_t len = year % 4 == 0 ? 366 : 365;
        if (days <= len)
            break;
        days -= len;
        ++year;
    }
    std::uint32_t month = 1;
    for (unsigned len : month_days(year % 4 == 0)) {
        if (days <= len)
            break;
        days -= len;
        ++month;
    }
    p.year = static_cast<int>(year);
    p.month = static_cast<int>(month);
    p.day = static_cast<int>(days);
    return p;
}

std::uint32_t parts_to_time(int year, int month, int day, int hour, int minute, int second) {
    const std::int64_t y = year;
    std::int64_t base = (y - 1970) * 365 + (y - 1968) / 4;
    const bool leap = y % 4 == 0;
    if (leap)
        --base;
    const auto lengths = month_days(leap);
    for (int m = 1; m < month && m <= 12; ++m)
        base += lengths[m - 1];
    const std::int64_t t =
        (day + base) * 86400 + std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second;
    // Out of range parts must not wrap into an unrelated moment, nor into the no-time value.
    if (t < 0)
        return 0;
    if (t >= std::int64_t{no_time})
        return no_time - 1;
    return static_cast<std::uint32_t>(t);
}

std::string time_to_text(std::uint32_t t) {
    const time_parts p = time_to_parts(t);
    std::string out = std::to_string(p.day) + ' ' + month_names[p.month - 1] + ' ' +
                      std::to_string(p.year) + "г. " + std::to_string(p.hour) + ':';
    append_two_digits(out, p.minute);
    return out;
}

std::string time_to_hhmm(std::uint32_t t) {
    if (t == no_time)
        return "---";
    std::string out = std::to_string(t / 3600 % 24) + ':';
    append_two_digits(out, static_cast<int>(t / 60 % 60));
    return out;
}

time_parts time_to_datetime(std::uint32_t t) {
    return time_to_parts(t);
}

double parts_to_datetime(const time_parts& p) {
    // Months out of 1..12 carry into the year instead of indexing past the calendar.
    const std::int64_t m0 = p.month - 1;
    const std::int64_t carry = m0 >= 0 ? m0 / 12 : (m0 - 11) / 12;
    const std::int64_t days =
        days_from_civil(p.year + carry, static_cast<unsigned>(m0 - carry * 12 + 1), 1) +
        (p.day - 1) - datetime_epoch;
    const double fraction =
        (std::int64_t{p.hour} * 3600 + std::int64_t{p.minute} * 60 + p.second) / 86400.0;
    // Before day 0 the fraction still counts forward from midnight, so it is subtracted.
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

time_parts datetime_to_parts(double dt) {
    if (std::isnan(dt))
        dt = 0.0;
    dt = std::clamp(dt, datetime_min, datetime_max);
    auto days = static_cast<std::int64_t>(std::trunc(dt));
    auto ms = std::llround(std::fabs(dt - static_cast<double>(days)) * 86400000.0);
    if (ms >= 86400000) { // rounding reached the next midnight
        ms -= 86400000;
        ++days;
    }
    time_parts p;
    civil_from_days(days + datetime_epoch, p.year, p.month, p.day);
    const auto secs = static_cast<int>(ms / 1000);
    p.hour = secs / 3600;
    p.minute = secs / 60 % 60;
    p.second = secs % 60;
    return p;
}

std::string format_short_date(const time_parts& p) {
    return render(Locale::current().short_date_format, p, "dMy");
}

std::string format_long_time(const time_parts& p) {
    return render(Locale::current().long_time_format, p, "Hhms");
}

std::string iso_date(const time_parts& p) {
    return render("yyyy-MM-dd", p, "dMy");
}

std::string iso_date_time(const time_parts& p, char separator) {
    return iso_date(p) + separator + render("HH:mm:ss", p, "Hms");
}

} // namespace lib
