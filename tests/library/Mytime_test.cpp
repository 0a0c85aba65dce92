#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "library/Locale.h"
#include "library/Mytime.h"

namespace {

using lib::time_parts;

time_parts parts(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return time_parts{y, mo, d, h, mi, s};
}

TEST(Mytime, DayBoundariesOf1970) {
    EXPECT_EQ(lib::time_to_parts(86400), parts(1970, 1, 1));
    EXPECT_EQ(lib::time_to_parts(86399), parts(1970, 1, 0, 23, 59, 59));
    EXPECT_EQ(lib::time_to_parts(0), parts(1970, 1, 0));
    EXPECT_EQ(lib::time_to_parts(86400 * 31), parts(1970, 1, 31));
    EXPECT_EQ(lib::time_to_parts(86400 * 32), parts(1970, 2, 1));
    EXPECT_EQ(lib::time_to_parts(86400 * 365), parts(1970, 12, 31));
    EXPECT_EQ(lib::time_to_parts(86400 * 366), parts(1971, 1, 1));
    EXPECT_EQ(lib::parts_to_time(1970, 1, 1, 0, 0, 0), 86400u);
}

TEST(Mytime, KnownMoments) {
    // Unix time of the same wall-clock moment plus one day.
    EXPECT_EQ(lib::parts_to_time(2008, 2, 29, 23, 59, 59), 1204415999u);
    EXPECT_EQ(lib::time_to_parts(1204415999), parts(2008, 2, 29, 23, 59, 59));
    EXPECT_EQ(lib::time_to_parts(1204416000), parts(2008, 3, 1));
    EXPECT_EQ(lib::parts_to_time(2007, 3, 5, 9, 5, 0), 1173171900u);
    EXPECT_EQ(lib::parts_to_time(2008, 12, 31, 0, 0, 0), 1230768000u);
    EXPECT_EQ(lib::time_to_parts(1230768000), parts(2008, 12, 31));
    EXPECT_EQ(lib::time_to_parts(1230768000 + 86400), parts(2009, 1, 1));
}

TEST(Mytime, AgreesWithGregorianCalendarUntil2100) {
    using namespace std::chrono;
    const sys_days end = year{2100} / February / 28;
    for (sys_days d = year{1970} / January / 1; d <= end; d += days{1}) {
        const year_month_day ymd{d};
        const auto t =
            static_cast<std::uint32_t>(d.time_since_epoch().count() * 86400LL + 86400 + 45296);
        const time_parts expect =
            parts(int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day()), 12, 34, 56);
        ASSERT_EQ(lib::time_to_parts(t), expect) << t;
        ASSERT_EQ(lib::parts_to_time(expect.year, expect.month, expect.day, 12, 34, 56), t);
    }
}

TEST(Mytime, EveryFourthYearIsLeapIncluding2100) {
    EXPECT_EQ(lib::parts_to_time(2100, 2, 28, 0, 0, 0), 4107542400u);
    EXPECT_EQ(lib::time_to_parts(4107542400u + 86400), parts(2100, 2, 29));
    EXPECT_EQ(lib::time_to_parts(4107542400u + 2 * 86400), parts(2100, 3, 1));
}

TEST(Mytime, RoundTripsOverTheWholeRange) {
    for (std::uint64_t t = 86400; t < lib::no_time; t += 7919 * 13) {
        const time_parts p = lib::time_to_parts(static_cast<std::uint32_t>(t));
        ASSERT_EQ(lib::parts_to_time(p.year, p.month, p.day, p.hour, p.minute, p.second), t);
    }
    const time_parts last = lib::time_to_parts(lib::no_time - 1);
    EXPECT_EQ(last.year, 2106);
    EXPECT_EQ(
        lib::parts_to_time(last.year, last.month, last.day, last.hour, last.minute, last.second),
        lib::no_time - 1);
}

TEST(Mytime, PartsOutOfRangeDoNotWrap) {
    EXPECT_EQ(lib::parts_to_time(1960, 5, 5, 0, 0, 0), 0u);
    EXPECT_EQ(lib::parts_to_time(1969, 12, 30, 0, 0, 0), 0u);
    EXPECT_EQ(lib::parts_to_time(2200, 1, 1, 0, 0, 0), lib::no_time - 1);
    EXPECT_EQ(lib::parts_to_time(2107, 1, 1, 0, 0, 0), lib::no_time - 1);
    // A month past December adds no more than the whole year.
    EXPECT_EQ(lib::parts_to_time(2001, 40, 1, 0, 0, 0), lib::parts_to_time(2001, 13, 1, 0, 0, 0));
    EXPECT_EQ(lib::parts_to_time(2001, 13, 1, 0, 0, 0), lib::parts_to_time(2002, 1, 1, 0, 0, 0));
}

TEST(Mytime, Texts) {
    EXPECT_EQ(lib::time_to_text(86400), "1 января 1970г. 0:00");
    EXPECT_EQ(lib::time_to_text(1204415999), "29 февраля 2008г. 23:59");
    EXPECT_EQ(lib::time_to_text(1173171900), "5 марта 2007г. 9:05");
    EXPECT_EQ(lib::time_to_text(1230768000 + 10 * 3600 + 30), "31 декабря 2008г. 10:00");
    EXPECT_EQ(lib::time_to_text(0), "0 января 1970г. 0:00");
    // Gregorian 6 February, one day later here because 2100 has a 29 February.
    EXPECT_EQ(lib::time_to_text(lib::no_time), "5 февраля 2106г. 6:28");

    EXPECT_EQ(lib::time_to_hhmm(lib::no_time), "---");
    EXPECT_EQ(lib::time_to_hhmm(86400 + 9 * 3600 + 5 * 60), "9:05");
    EXPECT_EQ(lib::time_to_hhmm(86400 + 23 * 3600 + 59 * 60 + 59), "23:59");
    EXPECT_EQ(lib::time_to_hhmm(86400), "0:00");
    EXPECT_EQ(lib::time_to_hhmm(lib::no_time - 1), "6:28");

    EXPECT_EQ(lib::time_to_datetime(1204415999), parts(2008, 2, 29, 23, 59, 59));

    // Exchange files keep one form whatever the locale's formats are.
    const lib::Locale kept = lib::Locale::current();
    lib::Locale::set({".", "M/d/yy", "h:mm:ss"});
    EXPECT_EQ(lib::iso_date_time(parts(2026, 3, 2, 6, 5, 9)), "2026-03-02 06:05:09");
    EXPECT_EQ(lib::iso_date_time(parts(987, 12, 31, 23, 0, 0), 'T'), "0987-12-31T23:00:00");
    lib::Locale::set(kept);
}

TEST(Mytime, CalendarDateTimeNumber) {
    EXPECT_EQ(lib::parts_to_datetime(parts(1899, 12, 30)), 0.0);
    EXPECT_EQ(lib::parts_to_datetime(parts(1900, 1, 1)), 2.0);
    EXPECT_EQ(lib::parts_to_datetime(parts(1900, 3, 1)), 61.0); // 1900 is no leap year here
    EXPECT_EQ(lib::parts_to_datetime(parts(2007, 3, 5, 12)), 39146.5);
    EXPECT_DOUBLE_EQ(lib::parts_to_datetime(parts(2007, 3, 5, 9, 5, 30)),
                     39146.0 + (9 * 3600 + 5 * 60 + 30) / 86400.0);
    EXPECT_EQ(lib::parts_to_datetime(parts(2007, 13, 1)),
              lib::parts_to_datetime(parts(2008, 1, 1)));
    EXPECT_EQ(lib::parts_to_datetime(parts(2007, 0, 1)),
              lib::parts_to_datetime(parts(2006, 12, 1)));

    EXPECT_EQ(lib::datetime_to_parts(39146.5), parts(2007, 3, 5, 12));
    EXPECT_EQ(lib::datetime_to_parts(0.0), parts(1899, 12, 30));
    EXPECT_EQ(lib::datetime_to_parts(-1.25), parts(1899, 12, 29, 6));
    EXPECT_EQ(lib::parts_to_datetime(parts(1899, 12, 29, 6)), -1.25);
    // Within a millisecond of midnight reads as that midnight.
    EXPECT_EQ(lib::datetime_to_parts(39146.9999999999), parts(2007, 3, 6));
    EXPECT_EQ(lib::datetime_to_parts(39146.0000000001), parts(2007, 3, 5));
}

TEST(Mytime, CalendarDateTimeNumberRoundTrips) {
    for (int day = -700; day < 80000; day += 37) {
        for (int sec = 0; sec < 86400; sec += 3671) {
            // Before day 0 the time of day is subtracted, as the journal stores it.
            const double fraction = sec / 86400.0;
            const time_parts p = lib::datetime_to_parts(day < 0 ? day - fraction : day + fraction);
            ASSERT_EQ(p.hour * 3600 + p.minute * 60 + p.second, sec) << day;
            ASSERT_EQ(lib::datetime_to_parts(lib::parts_to_datetime(p)), p) << day;
        }
    }
}

TEST(Mytime, CalendarDateTimeNumberSurvivesNonsense) {
    EXPECT_EQ(lib::datetime_to_parts(std::nan("")), parts(1899, 12, 30));
    EXPECT_EQ(lib::datetime_to_parts(std::numeric_limits<double>::infinity()).year, 9999);
    EXPECT_EQ(lib::datetime_to_parts(1e300), parts(9999, 12, 31, 23, 59, 59));
    EXPECT_EQ(lib::datetime_to_parts(-1e300), parts(1, 1, 1));
}

class MytimeFormat : public ::testing::Test {
protected:
    void TearDown() override { lib::Locale::set(lib::Locale::russian()); }
};

TEST_F(MytimeFormat, RussianShortDateAndLongTime) {
    EXPECT_EQ(lib::format_short_date(parts(2007, 3, 5, 9, 5, 7)), "05.03.2007");
    EXPECT_EQ(lib::format_long_time(parts(2007, 3, 5, 9, 5, 7)), "9:05:07");
    EXPECT_EQ(lib::format_long_time(parts(2007, 3, 5, 23, 59, 59)), "23:59:59");
}

TEST_F(MytimeFormat, PatternFields) {
    lib::Locale::set({".", "d/M/yy 'y'", "h.m.s HH"});
    EXPECT_EQ(lib::format_short_date(parts(2007, 3, 5, 0, 5, 7)), "5/3/07 '07'");
    EXPECT_EQ(lib::format_long_time(parts(2007, 3, 5, 0, 5, 7)), "12.5.7 00");
    EXPECT_EQ(lib::format_long_time(parts(2007, 3, 5, 13, 45, 17)), "1.45.17 13");
    lib::Locale::set({".", "yyyy-MM-dd (hh)", "hh:mm:ss, dd"});
    EXPECT_EQ(lib::format_short_date(parts(812, 11, 25, 13)), "0812-11-25 (hh)");
    EXPECT_EQ(lib::format_long_time(parts(812, 11, 25, 13, 4, 5)), "01:04:05, dd");
}

} // namespace
