#include "library/Numstr.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "library/Locale.h"

namespace lib {

namespace {

// Beyond this many decimals a double has nothing left to show but zeros.
constexpr int max_decimals = 400;

// 7 decimals up to 0.0001, one fewer for each tenfold step up to 10, and 1 above.
int automatic_decimals(double magnitude) {
    constexpr double limits[] = {0.0001, 0.001, 0.01, 0.1, 1, 10};
    for (int i = 0; i < 6; ++i)
        if (magnitude <= limits[i])
            return 7 - i;
    return 1;
}

// Fixed-point text of |v| with `decimals` decimals, rounded half away from zero. The rounding
// works on the shortest decimal form of v, so a value entered as 1234.55 rounds to 1234.6 as the
// user expects, although the double just below it is what is stored.
void format_fixed(double v, int decimals, std::string& int_part, std::string& frac_part) {
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific);
    const std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    // sci is "d.ddde+XX" or "de+XX": collect the digits and the exponent of the first one.
    const std::size_t e_pos = sci.find('e');
    std::string digits;
    for (char c : sci.substr(0, e_pos))
        if (c != '.')
            digits += c;
    int exp = 0;
    std::from_chars(sci.data() + e_pos + (sci[e_pos + 1] == '+' ? 2 : 1), sci.data() + sci.size(),
                    exp);

    // Places from 10^hi down to 10^-decimals; digit k of `digits` sits at place exp - k.
    const int hi = exp > 0 ? exp : 0;
    std::string out(static_cast<std::size_t>(hi + decimals + 1), '0');
    for (int place = hi; place >= -decimals; --place) {
        const int k = exp - place;
        if (k >= 0 && k < static_cast<int>(digits.size()))
            out[static_cast<std::size_t>(hi - place)] = digits[static_cast<std::size_t>(k)];
    }
    const int round_k = exp + decimals + 1; // the first digit dropped
    if (round_k >= 0 && round_k < static_cast<int>(digits.size()) &&
        digits[static_cast<std::size_t>(round_k)] >= '5') {
        std::size_t i = out.size();
        while (i > 0 && out[i - 1] == '9')
            out[--i] = '0';
        if (i == 0)
            out.insert(out.begin(), '1');
        else
            ++out[i - 1];
    }
    const std::size_t int_len = out.size() - static_cast<std::size_t>(decimals);
    int_part = out.substr(0, int_len);
    frac_part = out.substr(int_len);
    const std::size_t first = int_part.find_first_not_of('0');
    int_part.erase(0, first == std::string::npos ? int_part.size() - 1 : first);
}

std::size_t utf8_length(const std::string& s) {
    std::size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

bool is_space(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The run of decimal digits that starts at s[from].
std::string_view digits_at(std::string_view s, std::size_t from) {
    std::size_t end = from;
    while (end < s.size() && s[end] >= '0' && s[end] <= '9')
        ++end;
    return s.substr(from, end - from);
}

// Rough power of ten of a plain number text ("123.4e5" gives 8, "0.01" gives -1): enough to tell
// an overflow from an underflow, the only two ways from_chars can leave the range. Too large for a
// double reads as the largest magnitude, too small as zero.
long long decimal_magnitude(std::string_view num) {
    const std::size_t e = std::min(num.find_first_of("eE"), num.size());
    const std::string_view mantissa(num.data(), e);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_not_of("0.");
    if (first == std::string_view::npos)
        return 0;
    long long mag = first < point ? static_cast<long long>(point - first)
                                  : -static_cast<long long>(first - point - 1);
    long long exp = 0;
    if (e < num.size()) {
        std::size_t i = e + 1;
        const bool neg = num[i] == '-';
        if (num[i] == '+' || num[i] == '-')
            ++i;
        for (; i < num.size() && exp < 1'000'000'000; ++i) // saturates; far beyond any double
            exp = exp * 10 + (num[i] - '0');
        if (neg)
            exp = -exp;
    }
    return mag + exp;
}

} // namespace

std::string number_to_text(double v, int decimals, int width) {
    const std::string& sep = Locale::current().decimal_separator;
    std::string text;
    if (std::isnan(v)) {
        text.append("NAN");
    } else if (std::isinf(v)) {
        text.append(v < 0 ? "-INF" : "INF");
    } else if (decimals < 0 && v == 0) {
        text.push_back('0');
    } else {
        const bool automatic = decimals < 0;
        const int n = automatic ? automatic_decimals(std::fabs(v))
                                : (decimals > max_decimals ? max_decimals : decimals);
        std::string int_part, frac_part;
        format_fixed(v, n, int_part, frac_part);
        if (automatic) {
            // Trailing zeros go, and the separator with them when nothing is left after it; the
            // integer part is never touched because there is always a separator before it.
            const std::size_t kept = frac_part.find_last_not_of('0');
            frac_part.erase(kept == std::string::npos ? 0 : kept + 1);
        }
        // A value that rounds to zero shows no minus sign.
        const bool zero = int_part == "0" && frac_part.find_first_not_of('0') == std::string::npos;
        if (v < 0 && !zero)
            text.push_back('-');
        text += int_part;
        if (!frac_part.empty() || (!automatic && n > 0)) {
            text += sep;
            text += frac_part;
        }
    }
    const std::size_t w = width < 1 ? 1 : static_cast<std::size_t>(width);
    const std::size_t len = utf8_length(text);
    if (len < w)
        text.insert(0, w - len, ' ');
    return text;
}

double text_to_number(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && is_space(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    // The common case in one pass: from_chars reads digits with a point, or none, and an exponent
    // with digits, and stops where the rules below stop. A comma (looked for first, so that a
    // number written with one is not read twice), a range error or no number at all takes the
    // long way.
    if (i < s.size() && ((s[i] >= '0' && s[i] <= '9') || s[i] == '.') &&
        s.find(',', i) == std::string_view::npos) {
        double value = 0.0;
        const auto res = std::from_chars(s.data() + i, s.data() + s.size(), value);
        if (res.ec == std::errc())
            return negative ? -value : value;
    }
    // The number is read where it stands: digits, a separator with digits on either side, an
    // exponent only when it has digits.
    const std::size_t begin = i;
    const std::size_t whole = digits_at(s, i).size();
    i += whole;
    bool comma = false;
    if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
        const std::size_t frac = digits_at(s, i + 1).size();
        if (whole != 0 || frac != 0) {
            comma = s[i] == ',';
            i += 1 + frac;
        }
    }
    if (i == begin)
        return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        const std::size_t sign = i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-') ? 1 : 0;
        const std::size_t exp_digits = digits_at(s, i + 1 + sign).size();
        if (exp_digits != 0)
            i += 1 + sign + exp_digits;
    }
    std::string_view num = s.substr(begin, i - begin);
    std::string with_point; // from_chars reads a point only
    if (comma) {
        with_point.assign(num);
        with_point[whole] = '.';
        num = with_point;
    }
    double value = 0.0;
    const auto res = std::from_chars(num.data(), num.data() + num.size(), value);
    if (res.ec == std::errc::result_out_of_range)
        value = decimal_magnitude(num) > 0 ? std::numeric_limits<double>::max() : 0.0;
    return negative ? -value : value;
}

std::string grouped_digits(long long n) {
    // Through the unsigned magnitude, so that the smallest long long has one too.
    unsigned long long magnitude =
        n < 0 ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
    std::string text;
    for (int digits = 0; digits == 0 || magnitude > 0; ++digits, magnitude /= 10) {
        if (digits > 0 && digits % 3 == 0)
            text.insert(text.begin(), ' ');
        text.insert(text.begin(), static_cast<char>('0' + magnitude % 10));
    }
    return n < 0 ? "-" + text : text;
}

} // namespace lib
