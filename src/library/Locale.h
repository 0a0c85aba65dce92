#pragma once
// Process-wide number and date conventions. Filled from the process locale at start-up;
// tests pin the Russian ones. Set it before other threads start; reads are then lock-free.
#include <string>

namespace lib {

struct Locale {
    std::string decimal_separator = ",";       // UTF-8, usually one byte
    std::string short_date_format = "dd.MM.yyyy"; // d, dd, M, MM, yy, yyyy; other chars literal
    std::string long_time_format = "H:mm:ss";     // H, HH, h, hh, m, mm, s, ss; other chars literal

    static Locale russian();
    // Reads LC_NUMERIC / LC_TIME of the environment; falls back to russian() where unknown.
    static Locale from_process_locale();

    static const Locale& current();
    static void set(const Locale& locale);
};

} // namespace lib
