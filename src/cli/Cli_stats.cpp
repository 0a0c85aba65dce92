// vornell-cli stats: the statistics of one parameter of a data file over a time interval, the
// numbers the chart's interval panel shows.
#include <climits>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>

#include "analysis/Statistics.h"
#include "cli/Commands.h"
#include "datafile/Assembling.h"
#include "library/Mytime.h"

namespace {

std::optional<std::uint32_t> when_option(const ParsedArgs& parsed, const char* name) {
    const auto it = parsed.options.find(name);
    if (it == parsed.options.end())
        return std::nullopt;
    return parse_when(it->second, name);
}

std::optional<double> threshold_option(const ParsedArgs& parsed) {
    const auto it = parsed.options.find("--above");
    if (it == parsed.options.end())
        return std::nullopt;
    double x = 0;
    if (!parse_number(it->second, x) || !std::isfinite(x))
        throw UsageError("--above needs a finite number");
    return x;
}

// Appends the statistics; an empty interval has a count and nulls for the rest.
void add_stats(nlohmann::ordered_json& j, const analysis::IntervalStats& s) {
    const auto known = [&s](const auto& value) {
        return s.count ? nlohmann::ordered_json(value) : nlohmann::ordered_json();
    };
    j["count"] = s.count;
    // The stored floats exactly, not their shortest decimal texts.
    j["min"] = known(static_cast<double>(s.min));
    j["min_time"] = known(s.min_time);
    j["max"] = known(static_cast<double>(s.max));
    j["max_time"] = known(s.max_time);
    j["mean"] = known(s.mean);
    j["std"] = known(s.stddev);
    j["first_time"] = known(s.first_time);
    j["last_time"] = known(s.last_time);
    j["span_s"] = known(s.span_s());
    if (s.above) {
        j["threshold"] = s.above->threshold;
        j["time_above_s"] = known(s.above->time_above_s);
        j["time_below_s"] = known(s.above->time_below_s);
        j["paused_s"] = known(s.paused_s);
        j["crossings_up"] = known(s.above->crossings_up);
    }
}

// A bound as given, else that of the records found.
nlohmann::ordered_json bound_json(std::optional<std::uint32_t> given, std::uint64_t count,
                                  std::uint32_t found) {
    if (given)
        return *given;
    return count ? nlohmann::ordered_json(found) : nlohmann::ordered_json();
}

} // namespace

int cmd_stats(const std::vector<std::string>& args) {
    const ParsedArgs parsed = parse_args(args, {"--curve", "--from", "--to", "--above"});
    if (parsed.positional.size() != 1)
        throw UsageError("expected exactly one FILE argument");
    const int curve = whole_option(parsed, "--curve", 0, 0, INT_MAX);
    const std::optional<std::uint32_t> from = when_option(parsed, "--from");
    const std::optional<std::uint32_t> to = when_option(parsed, "--to");
    if (from && to && *from > *to)
        throw UsageError("--from is after --to");
    const std::optional<double> threshold = threshold_option(parsed);

    const std::string& path = parsed.positional[0];
    FileStorage model;
    load_model(model, path);
    if (curve >= model.param_count())
        throw UsageError("--curve " + std::to_string(curve) + ": the file has " +
                         std::to_string(model.param_count()) + " parameters");
    const analysis::IntervalStats s = analysis::interval_stats(
        model, curve, from.value_or(0), to.value_or(lib::no_time), threshold);

    nlohmann::ordered_json j;
    j["curve"] = curve;
    j["name"] = model.param(curve)->name;
    j["unit"] = model.param(curve)->unit;
    j["from"] = bound_json(from, s.count, s.first_time);
    j["to"] = bound_json(to, s.count, s.last_time);
    add_stats(j, s);
    // Texts from files are valid UTF-8 after decoding; replace anything else rather than fail.
    std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return std::cout.flush() ? 0 : 1;
}
