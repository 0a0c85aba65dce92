// vornell-cli render: the graph of a document drawn exactly as the graph tab draws it, for one
// pixel window, into a PNG file; the layout and the marks of the picture as JSON on stdout.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <charconv>
#include <cstdint>
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "document/Storage.h"
#include "graph/Graphchart.h"
#include "graph/Graphicsform.h"
#include "widgets/Simplegraphics.h"

namespace {

constexpr int max_side = 20000; // pixels; a larger picture is a typing error, not a graph

template <class Number> Number number(const std::string& text, const char* option) {
    Number value{};
    const char* const end = text.data() + text.size();
    const auto [tail, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || tail != end || text.empty())
        throw UsageError(std::string(option) + " needs a number, not '" + text + "'");
    return value;
}

struct RenderOptions {
    int scale = 3;
    int curve = 0;
    double left = 0, right = 200;
    std::uint32_t bgr = 0xFF0000; // written RRGGBB as 0000FF
    int top = 0;
    int width = 800, height = 1000;
    double dpi = 96;
};

// "A:B" or "WxH": two numbers around one separator.
template <class Number>
std::pair<Number, Number> pair_of(const std::string& text, char separator, const char* option) {
    const auto at = text.find(separator);
    if (at == std::string::npos)
        throw UsageError(std::string(option) + " needs two numbers around '" + separator + "'");
    return {number<Number>(text.substr(0, at), option),
            number<Number>(text.substr(at + 1), option)};
}

RenderOptions parse_options(const ParsedArgs& parsed) {
    RenderOptions o;
    const auto& opts = parsed.options;
    if (opts.contains("--scale")) {
        o.scale = number<int>(opts.at("--scale"), "--scale");
        if (o.scale < 0 || o.scale >= TGrForm::scale_count)
            throw UsageError("--scale needs a scale index from 0 to 9");
    }
    if (opts.contains("--curve"))
        o.curve = number<int>(opts.at("--curve"), "--curve");
    if (opts.contains("--range")) {
        std::tie(o.left, o.right) = pair_of<double>(opts.at("--range"), ':', "--range");
        if (!(o.left < o.right))
            throw UsageError("--range needs L:R with L below R");
    }
    if (opts.contains("--color")) {
        const std::string& text = opts.at("--color");
        std::uint32_t rgb = 0;
        const auto [tail, error] = std::from_chars(text.data(), text.data() + text.size(), rgb, 16);
        if (text.size() != 6 || error != std::errc() || tail != text.data() + text.size())
            throw UsageError("--color needs six hexadecimal digits RRGGBB");
        o.bgr = (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
    }
    if (opts.contains("--top")) {
        o.top = number<int>(opts.at("--top"), "--top");
        if (o.top < 0)
            throw UsageError("--top needs a pixel offset from 0");
    }
    if (opts.contains("--size")) {
        std::tie(o.width, o.height) = pair_of<int>(opts.at("--size"), 'x', "--size");
        if (o.width < 1 || o.height < 1 || o.width > max_side || o.height > max_side)
            throw UsageError("--size needs WxH from 1 to 20000 pixels each");
    }
    if (opts.contains("--dpi")) {
        o.dpi = number<double>(opts.at("--dpi"), "--dpi");
        if (!(o.dpi >= 10 && o.dpi <= 2400))
            throw UsageError("--dpi needs a resolution from 10 to 2400");
    }
    return o;
}

} // namespace

int cmd_render(const std::vector<std::string>& args) {
    const ParsedArgs parsed =
        parse_args(args, {"--scale", "--curve", "--range", "--color", "--top", "--size", "--dpi"});
    if (parsed.positional.size() != 2)
        throw UsageError("expected FILE and OUT.png");
    const RenderOptions o = parse_options(parsed);
    Storage doc(stderr_reporter());
    if (!doc.Open(parsed.positional[0]))
        return 1;

    // Drawing needs a GUI application but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "vornell-cli";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    const double pixels_per_cm = o.dpi / 2.54;
    GraphPoints points(doc.Data());
    points.SetScale(TGrForm::scale_minutes[o.scale] * 60.0, pixels_per_cm);
    StripChart chart;
    SetUpGraphChart(chart);
    chart.BottomAxis().SetRange(o.left, o.right);
    DrawMarksAfterChart(chart, points);

    QImage image(o.width, o.height, QImage::Format_RGB32);
    const int dots_per_metre = static_cast<int>(o.dpi / 0.0254 + 0.5);
    image.setDotsPerMeterX(dots_per_metre);
    image.setDotsPerMeterY(dots_per_metre);
    chart.Layout(image.rect(), &image);
    ShowGraphWindow(points, chart, o.top, o.curve, o.bgr, pixels_per_cm);
    {
        QPainter painter(&image);
        chart.Paint(painter, image.rect());
    }
    if (!save_png_replacing(image, parsed.positional[1])) {
        std::cerr << "Не удалось записать файл " << parsed.positional[1] << "\n";
        return 1;
    }

    const StripChart::Plot& plot = chart.PlotRect();
    nlohmann::ordered_json j;
    j["points"] = points.PointCount();
    j["total_height"] = points.PointCount() > 0 ? points.TotalHeight() : 0;
    j["pixels_per_cm"] = pixels_per_cm;
    j["plot"] = {plot.left, plot.top, plot.right, plot.bottom};
    // The marks and pauses the picture shows: those on a row of the plot. An invalid curve
    // fills none.
    const auto shown = [&](double offset) {
        const double y = chart.LeftAxisToY(offset);
        return y >= plot.top && y <= plot.bottom;
    };
    j["marks"] = nlohmann::ordered_json::array();
    for (const auto& m : points.Marks())
        if (shown(m.offset))
            j["marks"].push_back(
                {{"date", m.date}, {"index", m.index}, {"offset", m.offset}, {"text", m.text}});
    j["pauses"] = nlohmann::ordered_json::array();
    for (const auto& pause : points.Pauses())
        if (shown(pause.offset))
            j["pauses"].push_back(
                {{"index", pause.index}, {"offset", pause.offset}, {"seconds", pause.seconds}});
    std::cout << j.dump() << "\n";
    return 0;
}
