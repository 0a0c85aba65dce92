// vornell-cli activity: the block weight, the in-slips periods and their statistics.
#include <climits>
#include <cmath>
#include <iostream>
#include <optional>
#include <string>

#include "analysis/Activity.h"
#include "cli/Commands.h"
#include "document/Storage.h"

namespace {

// A finite number of at least 0 given as option name; fallback when it is not given.
std::optional<double> tonnes_option(const ParsedArgs& parsed, const char* name,
                                    std::optional<double> fallback) {
    const auto it = parsed.options.find(name);
    if (it == parsed.options.end())
        return fallback;
    double value = 0;
    if (!parse_number(it->second, value) || !std::isfinite(value) || value < 0)
        throw UsageError(std::string(name) + " needs a number of tonnes, 0 or more");
    return value;
}

} // namespace

analysis::ActivitySettings activity_settings(const ParsedArgs& parsed) {
    analysis::ActivitySettings settings;
    settings.block_weight = tonnes_option(parsed, "--block-weight", std::nullopt);
    settings.margin = *tonnes_option(parsed, "--margin", settings.margin);
    settings.min_seconds = static_cast<std::uint32_t>(
        whole_option(parsed, "--min-seconds", static_cast<int>(settings.min_seconds), 1, INT_MAX));
    return settings;
}

int cmd_activity(const std::vector<std::string>& args) {
    const ParsedArgs parsed =
        parse_args(args, {"--curve", "--block-weight", "--margin", "--min-seconds"});
    if (parsed.positional.size() != 1)
        throw UsageError("expected exactly one FILE argument");
    const analysis::ActivitySettings settings = activity_settings(parsed);
    const int asked = whole_option(parsed, "--curve", -1, 0, INT_MAX);

    const std::string& path = parsed.positional[0];
    Storage doc(stderr_reporter());
    if (!open_document(doc, path))
        return 1;
    const FileStorage& data = doc.Data();
    if (asked >= data.param_count())
        throw UsageError("--curve " + std::to_string(asked) + ": the file has " +
                         std::to_string(data.param_count()) + " curves");
    const int curve = asked >= 0 ? asked : analysis::activity_curve(data);
    const analysis::Activity a = analysis::analyse_activity(data, curve, settings);

    nlohmann::ordered_json j;
    j["curve"] = curve >= 0 ? nlohmann::ordered_json(curve) : nullptr;
    j["block_weight"] = a.block_weight ? nlohmann::ordered_json(*a.block_weight) : nullptr;
    j["block_weight_estimated"] = a.block_weight_estimated;
    j["margin"] = a.margin;
    j["min_seconds"] = a.min_seconds;
    j["periods"] = nlohmann::ordered_json::array();
    for (const analysis::SlipsPeriod& p : a.periods)
        j["periods"].push_back({{"start", p.start},
                                {"end", p.end},
                                {"seconds", p.seconds()},
                                {"on_hook_before", p.on_hook_before}});
    j["count"] = a.count();
    j["total_seconds"] = a.total_seconds;
    j["mean_seconds"] = a.mean_seconds;
    j["median_seconds"] = a.median_seconds;
    j["longest_seconds"] = a.longest_seconds;
    j["on_hook_seconds"] = a.on_hook_seconds;
    std::cout << j.dump(2) << "\n";
    return std::cout.flush() ? 0 : 1;
}
