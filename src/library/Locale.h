#pragma once
// Locale: process-wide number and date conventions, filled from the process locale at start-up;
// tests pin the Russian ones. Set it before other threads start; reads are then lock-free.
#include <string>
#include <string_view>

namespace lib {

struct Locale {
    std::string decimal_separator = ",";          // UTF-8, usually one byte
    std::string short_date_format = "dd.MM.yyyy"; // d, dd, M, MM, yy, yyyy; other chars literal
    std::string long_time_format = "H:mm:ss";     // H, HH, h, hh, m, mm, s, ss; other chars literal

    static Locale russian();
    // POSIX: reads LC_NUMERIC / LC_TIME of the environment without changing the C library's
    // locale; the C/POSIX locale gives "." with the Russian formats. Windows: the user's
    // regional settings. Falls back to russian() where unknown.
    static Locale from_process_locale();

    static const Locale& current();
    static void set(const Locale& locale);
};

// Turns a strftime-style date or time format ("%d.%m.%Y") into the pattern form above
// ("dd.MM.yyyy"). A 12-hour clock with an AM/PM marker becomes the 24-hour clock, since patterns
// have no marker. Empty when the format cannot be expressed as a pattern.
std::string pattern_from_strftime(std::string_view format);
// The same for a Windows date or time picture ("dd.MM.yyyy", "h:mm:ss tt"): 'quoted' text is
// literal, an AM/PM marker (t, tt) makes the clock 24-hour, day and month names or an era give "".
std::string pattern_from_windows(std::string_view format);

} // namespace lib
