#include "library/Locale.h"

#include <algorithm>
#include <iterator>

namespace lib {

namespace {

Locale& current_locale() {
    static Locale locale;
    return locale;
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

std::string pattern_from_windows(std::string_view format) {
    // The marker may stand anywhere, so look for it before the hour fields come.
    bool has_marker = false;
    for (std::size_t i = 0, quoted = 0; i < format.size(); ++i) {
        quoted ^= format[i] == '\'' ? 1 : 0;
        has_marker = has_marker || (!quoted && format[i] == 't');
    }
    std::string out;
    bool any_field = false;
    for (std::size_t i = 0; i < format.size();) {
        const char c = format[i];
        if (c == '\'') {
            const std::size_t close = std::min(format.find('\'', i + 1), format.size());
            const std::string_view literal = format.substr(i + 1, close - i - 1);
            if (std::any_of(literal.begin(), literal.end(), is_pattern_letter))
                return {}; // a literal letter would read as a field
            out += literal;
            i = close + 1;
            continue;
        }
        std::size_t run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        i += run;
        switch (c) {
        case 'd':
        case 'M':
            if (run > 2)
                return {}; // names of days and months
            out.append(run, c);
            break;
        case 'y':
            out += run > 2 ? "yyyy" : "yy";
            break;
        case 'h':
        case 'H':
        case 'm':
        case 's':
            out.append(std::min<std::size_t>(run, 2), c == 'h' && has_marker ? 'H' : c);
            break;
        case 't':
            // Drop the marker together with the space that set it apart.
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
            while (i < format.size() && format[i] == ' ')
                ++i;
            continue;
        case 'g':
            return {}; // an era
        default:
            out.append(run, c);
            continue;
        }
        any_field = true;
    }
    return any_field ? out : std::string{};
}

} // namespace lib
