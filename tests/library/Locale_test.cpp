#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "library/Locale.h"

namespace {

TEST(Locale, PatternFromStrftime) {
    EXPECT_EQ(lib::pattern_from_strftime("%d.%m.%Y"), "dd.MM.yyyy");
    EXPECT_EQ(lib::pattern_from_strftime("%H:%M:%S"), "HH:mm:ss");
    EXPECT_EQ(lib::pattern_from_strftime("%m/%d/%y"), "MM/dd/yy");
    EXPECT_EQ(lib::pattern_from_strftime("%Y-%m-%d"), "yyyy-MM-dd");
    EXPECT_EQ(lib::pattern_from_strftime("%e.%-m.%Y"), "d.M.yyyy");
    EXPECT_EQ(lib::pattern_from_strftime("%k:%M:%S"), "H:mm:ss");
    EXPECT_EQ(lib::pattern_from_strftime("%D"), "MM/dd/yy");
    EXPECT_EQ(lib::pattern_from_strftime("%F"), "yyyy-MM-dd");
    EXPECT_EQ(lib::pattern_from_strftime("%T"), "HH:mm:ss");
    EXPECT_EQ(lib::pattern_from_strftime("%Ey/%Om/%Od"), "yy/MM/dd");
    EXPECT_EQ(lib::pattern_from_strftime("%Y年%m月%d日"), "yyyy年MM月dd日");
    EXPECT_EQ(lib::pattern_from_strftime("%I.%M"), "hh.mm");
    EXPECT_EQ(lib::pattern_from_strftime("100%%"), "");
}

TEST(Locale, TwelveHourClockWithMarkerBecomesTwentyFourHour) {
    EXPECT_EQ(lib::pattern_from_strftime("%r"), "HH:mm:ss");
    EXPECT_EQ(lib::pattern_from_strftime("%I:%M:%S %p"), "HH:mm:ss");
    EXPECT_EQ(lib::pattern_from_strftime("%l:%M %P"), "H:mm");
    EXPECT_EQ(lib::pattern_from_strftime("%p %I:%M:%S"), "HH:mm:ss");
}

TEST(Locale, FormatsWithoutPatternAreRefused) {
    EXPECT_EQ(lib::pattern_from_strftime(""), "");
    EXPECT_EQ(lib::pattern_from_strftime("%a %d %b %Y"), ""); // day and month names
    EXPECT_EQ(lib::pattern_from_strftime("%d de %m"), "");    // literal 'd' reads as a day
    EXPECT_EQ(lib::pattern_from_strftime("%d.%m.%"), "");     // cut conversion
    EXPECT_EQ(lib::pattern_from_strftime("%p"), "");
}

TEST(Locale, PatternFromWindows) {
    const std::pair<const char*, const char*> cases[] = {
        {"dd.MM.yyyy", "dd.MM.yyyy"},
        {"H:mm:ss", "H:mm:ss"},
        {"M/d/yyyy", "M/d/yyyy"},
        {"d.M.yy", "d.M.yy"},
        {"y-MM-dd", "yy-MM-dd"},
        {"yyyy年M月d日", "yyyy年M月d日"},
        {"HH:mm", "HH:mm"},
        {"hh.mm.ss", "hh.mm.ss"},  // no marker: the 12-hour clock stays
        {"h:mm:ss tt", "H:mm:ss"}, // under a marker the clock is 24-hour
        {"tt hh:mm:ss", "HH:mm:ss"},
        {"dd.MM.yyyy' г.'", "dd.MM.yyyy г."},
        {"dddd, d MMMM yyyy", ""}, // names
        {"dd MMM yy", ""},
        {"gg yyyy", ""}, // an era
        {"'de' dd", ""}, // a quoted letter would read as a field
        {"", ""},
        {"'only text'", ""},
    };
    for (const auto& [picture, pattern] : cases)
        EXPECT_EQ(lib::pattern_from_windows(picture), pattern) << picture;
}

#ifdef _WIN32
TEST(Locale, WindowsRegionalSettingsGiveUsablePatterns) {
    // Windows has no LC_* variables; whatever the user's settings, the result formats.
    const lib::Locale loc = lib::Locale::from_process_locale();
    EXPECT_FALSE(loc.decimal_separator.empty());
    EXPECT_NE(loc.short_date_format.find('d'), std::string::npos);
    EXPECT_NE(loc.long_time_format.find('m'), std::string::npos);
}
#else
// Sets locale variables for one test and puts the old values back.
class LocaleEnv : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : names_) {
            const char* v = std::getenv(name);
            saved_.push_back(v ? std::optional<std::string>(v) : std::nullopt);
            unsetenv(name);
        }
    }
    void TearDown() override {
        for (std::size_t i = 0; i < names_.size(); ++i) {
            if (saved_[i])
                setenv(names_[i], saved_[i]->c_str(), 1);
            else
                unsetenv(names_[i]);
        }
    }

    std::vector<const char*> names_ = {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LANG"};
    std::vector<std::optional<std::string>> saved_;
};

TEST_F(LocaleEnv, CLocaleUsesPointAndRussianFormats) {
    for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
        setenv("LC_ALL", name, 1);
        const lib::Locale loc = lib::Locale::from_process_locale();
        EXPECT_EQ(loc.decimal_separator, ".") << name;
        EXPECT_EQ(loc.short_date_format, "dd.MM.yyyy") << name;
        EXPECT_EQ(loc.long_time_format, "H:mm:ss") << name;
    }
    unsetenv("LC_ALL"); // nothing set at all is the C locale too
    EXPECT_EQ(lib::Locale::from_process_locale().decimal_separator, ".");
}

TEST_F(LocaleEnv, UnknownLocaleFallsBackToRussian) {
    setenv("LANG", "xx_NOWHERE.UTF-8", 1);
    const lib::Locale loc = lib::Locale::from_process_locale();
    EXPECT_EQ(loc.decimal_separator, ",");
    EXPECT_EQ(loc.short_date_format, "dd.MM.yyyy");
    EXPECT_EQ(loc.long_time_format, "H:mm:ss");
}

TEST_F(LocaleEnv, CategoriesAreResolvedSeparately) {
    setenv("LANG", "xx_NOWHERE.UTF-8", 1);
    setenv("LC_NUMERIC", "C", 1);
    EXPECT_EQ(lib::Locale::from_process_locale().decimal_separator, ".");
    setenv("LC_ALL", "xx_NOWHERE", 1); // LC_ALL overrides the category
    EXPECT_EQ(lib::Locale::from_process_locale().decimal_separator, ",");
    setenv("LC_ALL", "", 1); // empty counts as unset
    EXPECT_EQ(lib::Locale::from_process_locale().decimal_separator, ".");
}

TEST_F(LocaleEnv, ReadingTheEnvironmentLeavesTheCLocaleAlone) {
    const std::string before = std::setlocale(LC_ALL, nullptr);
    setenv("LC_ALL", "C.UTF-8", 1);
    lib::Locale::from_process_locale();
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
}
#endif

TEST(Locale, SetReplacesTheCurrentConventions) {
    lib::Locale custom{".", "yyyy-MM-dd", "HH:mm"};
    lib::Locale::set(custom);
    EXPECT_EQ(lib::Locale::current().decimal_separator, ".");
    EXPECT_EQ(lib::Locale::current().short_date_format, "yyyy-MM-dd");
    lib::Locale::set(lib::Locale::russian());
    EXPECT_EQ(lib::Locale::current().decimal_separator, ",");
    EXPECT_EQ(lib::Locale::current().long_time_format, "H:mm:ss");
}

} // namespace
