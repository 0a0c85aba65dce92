// Locale::from_process_locale on POSIX: the environment's LC_NUMERIC and LC_TIME.
#include "library/Locale.h"

#include <algorithm>
#include <cstdlib>
#include <langinfo.h>
#include <locale.h>

namespace lib {

namespace {

// The locale name that the C library would pick for a category: LC_ALL, then the category's
// own variable, then LANG; unset or empty variables are skipped.
std::string env_locale_name(const char* category_var) {
    for (const char* var : {"LC_ALL", category_var, "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value)
            return value;
    }
    return "C";
}

bool is_c_locale(const std::string& name) {
    return name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

// Owns a locale_t for the length of a lookup.
class LocaleHandle {
public:
    LocaleHandle(int mask, const std::string& name) : handle_(newlocale(mask, name.c_str(), 0)) {}
    ~LocaleHandle() {
        if (handle_)
            freelocale(handle_);
    }
    LocaleHandle(const LocaleHandle&) = delete;
    LocaleHandle& operator=(const LocaleHandle&) = delete;

    explicit operator bool() const { return handle_ != nullptr; }
    std::string info(nl_item item) const { return nl_langinfo_l(item, handle_); }

private:
    locale_t handle_;
};

bool is_ascii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

Locale Locale::from_process_locale() {
    Locale result = russian();

    const std::string numeric = env_locale_name("LC_NUMERIC");
    if (is_c_locale(numeric)) {
        result.decimal_separator.assign(1, '.');
    } else if (LocaleHandle loc(LC_NUMERIC_MASK | LC_CTYPE_MASK, numeric); loc) {
        const std::string radix = loc.info(RADIXCHAR);
        // The radix comes in the locale's own code set; only ASCII or UTF-8 can be kept as is.
        if (!radix.empty() && (is_ascii(radix) || loc.info(CODESET) == "UTF-8"))
            result.decimal_separator = radix;
    }

    const std::string time = env_locale_name("LC_TIME");
    if (!is_c_locale(time)) {
        if (LocaleHandle loc(LC_TIME_MASK | LC_CTYPE_MASK, time); loc) {
            const bool utf8 = loc.info(CODESET) == "UTF-8";
            const std::string date = loc.info(D_FMT);
            const std::string clock = loc.info(T_FMT);
            if (utf8 || is_ascii(date))
                if (std::string p = pattern_from_strftime(date); !p.empty())
                    result.short_date_format = p;
            if (utf8 || is_ascii(clock))
                if (std::string p = pattern_from_strftime(clock); !p.empty())
                    result.long_time_format = p;
        }
    }
    return result;
}

} // namespace lib
