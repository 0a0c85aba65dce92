#include "library/Locale.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <langinfo.h>
#include <locale.h>

namespace lib {

namespace {

Locale& current_locale() {
    static Locale locale;
    return locale;
}

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

bool is_pattern_letter(char c) {
    return c == 'd' || c == 'M' || c == 'y' || c == 'H' || c == 'h' || c == 'm' || c == 's';
}

// The conversions that are fields, with their padded and unpadded ("%-d") patterns.
struct Field {
    char code;
    const char* padded;
    const char* bare;
};
constexpr Field fields[] = {
    {'d', "dd", "d"},
    {'e', "d", "d"},
    {'m', "MM", "M"},
    {'y', "yy", "yy"},
    {'Y', "yyyy", "yyyy"},
    {'H', "HH", "H"},
    {'k', "H", "H"},
    {'I', "hh", "h"},
    {'l', "h", "h"},
    {'M', "mm", "m"},
    {'S', "ss", "s"},
    {'D', "MM/dd/yy", "MM/dd/yy"},
    {'F', "yyyy-MM-dd", "yyyy-MM-dd"},
    {'T', "HH:mm:ss", "HH:mm:ss"},
    {'R', "HH:mm", "HH:mm"},
};

} // namespace

Locale Locale::russian() {
    return Locale{",", "dd.MM.yyyy", "H:mm:ss"};
}

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

const Locale& Locale::current() {
    return current_locale();
}

void Locale::set(const Locale& locale) {
    current_locale() = locale;
}

std::string pattern_from_strftime(std::string_view format) {
    // %r is the locale's 12-hour time; glibc spells it out the same way.
    constexpr std::string_view clock12 = "%I:%M:%S %p";
    std::string expanded(format);
    for (std::size_t at = expanded.find("%r"); at != std::string::npos;
         at = expanded.find("%r", at + clock12.size()))
        expanded.replace(at, 2, clock12);
    const bool has_marker =
        expanded.find("%p") != std::string::npos || expanded.find("%P") != std::string::npos;

    std::string out;
    bool any_field = false;
    for (std::size_t i = 0; i < expanded.size(); ++i) {
        const char c = expanded[i];
        if (c != '%') {
            if (is_pattern_letter(c))
                return {}; // a literal letter would read as a field
            out += c;
            continue;
        }
        bool unpadded = false;
        ++i;
        // glibc flags and field width, then the E/O modifiers.
        while (i < expanded.size() &&
               std::string_view("-_0^#").find(expanded[i]) != std::string_view::npos) {
            unpadded = unpadded || expanded[i] == '-';
            ++i;
        }
        while (i < expanded.size() && expanded[i] >= '0' && expanded[i] <= '9')
            ++i;
        if (i < expanded.size() && (expanded[i] == 'E' || expanded[i] == 'O'))
            ++i;
        if (i >= expanded.size())
            return {};
        // Under an AM/PM marker the 12-hour fields read as their 24-hour twins.
        char code = expanded[i];
        if (has_marker && (code == 'I' || code == 'l'))
            code = code == 'I' ? 'H' : 'k';
        const auto known = std::find_if(std::begin(fields), std::end(fields),
                                        [&](const Field& f) { return f.code == code; });
        if (known != std::end(fields)) {
            out += unpadded ? known->bare : known->padded;
            any_field = true;
            continue;
        }
        switch (code) {
        case 'p':
        case 'P':
            // Drop the marker together with the space that set it apart.
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
            while (i + 1 < expanded.size() && expanded[i + 1] == ' ')
                ++i;
            break;
        case 'n':
        case 't':
            out += ' ';
            break;
        case '%':
            out += '%';
            break;
        default:
            return {}; // names of days and months and the like have no pattern
        }
    }
    return any_field ? out : std::string{};
}

} // namespace lib
