#pragma once
// number_to_text and text_to_number: numbers as the user reads and types them, with the locale's
// decimal separator.
#include <string>
#include <string_view>

namespace lib {

// decimals = -1: automatic (pattern by magnitude, trailing zeros stripped); >= 0: fixed.
// The locale's decimal separator; spaces on the left up to width.
std::string number_to_text(double v, int decimals = -1, int width = -1);
// A whole number with its digits in groups of three, a space between groups: "9 000 000".
std::string grouped_digits(long long n);
// Comma or point; the longest leading number; 0 when there is none. Never fails.
double text_to_number(std::string_view s);

} // namespace lib
