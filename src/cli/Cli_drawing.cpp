// The options that render and print share: one parser, so both commands read them alike.
#include <QGuiApplication>

#include <climits>
#include <cmath>
#include <string>

#include "cli/Commands.h"
#include "datafile/Assembling.h"
#include "graph/Graphpoints.h"

namespace {

constexpr int lowest_dpi = 24, highest_dpi = 1200;

} // namespace

std::vector<std::string_view> with_drawing_options(std::initializer_list<std::string_view> own) {
    std::vector<std::string_view> names(own);
    names.insert(names.end(), {"--scale", "--curve", "--range", "--color", "--dpi",
                               "--block-weight", "--margin", "--min-seconds"});
    return names;
}

std::vector<std::string_view> with_drawing_flags(std::initializer_list<std::string_view> own) {
    std::vector<std::string_view> names(own);
    names.insert(names.end(), {"--no-events", "--no-slips"});
    return names;
}

DrawingOptions drawing_options(const ParsedArgs& parsed) {
    DrawingOptions o;
    o.events = !parsed.options.contains("--no-events");
    o.slips = !parsed.options.contains("--no-slips");
    o.activity = activity_settings(parsed);
    o.scale = whole_option(parsed, "--scale", o.scale, 0, GraphPoints::scale_count - 1);
    o.curve = whole_option(parsed, "--curve", o.curve, 0, INT_MAX);
    o.dpi = whole_option(parsed, "--dpi", o.dpi, lowest_dpi, highest_dpi);
    if (const auto it = parsed.options.find("--range"); it != parsed.options.end()) {
        const std::string_view text = it->second;
        const std::size_t colon = text.find(':');
        // A range that is empty, reversed or endless draws nothing sensible.
        if (colon == std::string_view::npos || !parse_number(text.substr(0, colon), o.left) ||
            !parse_number(text.substr(colon + 1), o.right) || !std::isfinite(o.left) ||
            !std::isfinite(o.right) || !(o.left < o.right))
            throw UsageError("--range needs L:R, two numbers with L below R");
    }
    if (const auto it = parsed.options.find("--color"); it != parsed.options.end()) {
        std::uint32_t rgb = 0;
        if (it->second.size() != 6 || !parse_number(it->second, rgb, 16))
            throw UsageError("--color needs six hexadecimal digits RRGGBB");
        o.bgr = (rgb >> 16 & 0xFFu) | (rgb & 0xFF00u) | (rgb & 0xFFu) << 16;
    }
    return o;
}

std::shared_ptr<const analysis::Activity> drawn_activity(const DrawingOptions& o,
                                                         const FileStorage& data) {
    if (!o.slips)
        return nullptr;
    return std::make_shared<const analysis::Activity>(
        analysis::analyse_activity(data, analysis::activity_curve(data), o.activity));
}

std::unique_ptr<QGuiApplication> drawing_application() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The application keeps a reference to argc for its whole life.
    static int argc = 1;
    static char name[] = "vornell-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}
