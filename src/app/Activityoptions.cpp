#include "app/Activityoptions.h"

#include <charconv>
#include <cmath>
#include <string>

void ActivityOptions::describe_ini(lib::ini_options_elements& e) {
    const std::string section = "Activity";
    e.add_double(block_weight, section, "block_weight");
    e.add_double(margin, section, "margin");
    e.add_int(min_seconds, section, "min_seconds");
}

analysis::ActivitySettings ActivityOptions::Settings() const {
    analysis::ActivitySettings s;
    if (block_weight >= lowest_block_weight && block_weight <= highest_block_weight)
        s.block_weight = block_weight;
    if (margin >= 0 && margin <= highest_margin)
        s.margin = margin;
    if (min_seconds >= 1 && min_seconds <= highest_min_seconds)
        s.min_seconds = static_cast<std::uint32_t>(min_seconds);
    return s;
}

std::optional<double> field_number(std::string_view text, double low, double high) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    std::string number(text);
    if (const auto comma = number.find(','); comma != std::string::npos)
        number[comma] = '.';
    double value = 0;
    const char* end = number.data() + number.size();
    const auto [ptr, ec] = std::from_chars(number.data(), end, value);
    if (number.empty() || ec != std::errc() || ptr != end || !std::isfinite(value) || value < low ||
        value > high)
        return std::nullopt;
    return value;
}
