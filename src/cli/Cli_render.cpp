// vornell-cli render: the graph of a document drawn exactly as the graph tab draws it, for one
// pixel window, into a PNG file, with markers and a selection when they are asked for; the
// layout, the marks, the events, the in-slips periods and the measuring marks of the picture as
// JSON on stdout.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <climits>
#include <cstdint>
#include <iostream>
#include <string>

#include "analysis/Statistics.h"
#include "cli/Commands.h"
#include "datafile/Assembling.h"
#include "document/Storage.h"
#include "graph/Graphchart.h"
#include "graph/Graphpoints.h"
#include "graph/Graphslips.h"
#include "library/File_error.h"

namespace {

constexpr int max_side = 20000; // pixels; a larger picture is a typing error, not a graph

// The pixel window of the picture: its first row and its size.
struct RenderWindow {
    int top = 0;
    int width = 800, height = 1000;
};

RenderWindow parse_window(const ParsedArgs& parsed) {
    RenderWindow w;
    w.top = whole_option(parsed, "--top", w.top, 0, INT_MAX);
    if (const auto it = parsed.options.find("--size"); it != parsed.options.end()) {
        const std::string_view text = it->second;
        const std::size_t at = text.find('x');
        if (at == std::string_view::npos || !parse_number(text.substr(0, at), w.width) ||
            !parse_number(text.substr(at + 1), w.height) || w.width < 1 || w.height < 1 ||
            w.width > max_side || w.height > max_side)
            throw UsageError("--size needs WxH from 1 to 20000 pixels each");
    }
    return w;
}

// The moments of --marker (at most two) and --select FROM:TO.
struct MeasureRequest {
    std::vector<std::uint32_t> markers;
    bool select = false;
    std::uint32_t from = 0, to = 0;
};

MeasureRequest parse_measure(const ParsedArgs& parsed) {
    MeasureRequest m;
    for (const auto& [name, value] : parsed.given)
        if (name == "--marker")
            m.markers.push_back(parse_when(value, "--marker"));
    if (m.markers.size() > 2)
        throw UsageError("--marker may be given twice at most");
    if (const auto it = parsed.options.find("--select"); it != parsed.options.end()) {
        const std::string_view text = it->second;
        // Times hold colons too: the split is the colon with a moment on either side.
        for (std::size_t at = text.find(':'); at != std::string_view::npos && !m.select;
             at = text.find(':', at + 1)) {
            try {
                m.from = parse_when(text.substr(0, at), "--select");
                m.to = parse_when(text.substr(at + 1), "--select");
                m.select = true;
            } catch (const UsageError&) {
            }
        }
        if (!m.select)
            throw UsageError("--select needs FROM:TO, two moments as --marker takes them");
        if (m.from > m.to)
            throw UsageError("--select: FROM is after TO");
    }
    return m;
}

// The first and the last record, in record order, whose time lies in [from, to]; false when
// none does.
bool records_within(const FileStorage& data, std::uint32_t from, std::uint32_t to, int& first,
                    int& last) {
    first = last = -1;
    for (int i = 0; i < data.item_count(); ++i) {
        const std::uint32_t t = data.time(i);
        if (t < from || t > to)
            continue;
        if (first < 0)
            first = i;
        last = i;
    }
    return first >= 0;
}

} // namespace

int cmd_render(const std::vector<std::string>& args) {
    const ParsedArgs parsed =
        parse_args(args, with_drawing_options({"--top", "--size", "--marker", "--select"}),
                   with_drawing_flags({}));
    if (parsed.positional.size() != 2)
        throw UsageError("expected FILE and OUT.png");
    const DrawingOptions o = drawing_options(parsed);
    const RenderWindow w = parse_window(parsed);
    const MeasureRequest asked = parse_measure(parsed);
    check_output(parsed.positional[0], parsed.positional[1], {"png"});
    Storage doc(stderr_reporter());
    if (!open_document(doc, parsed.positional[0]))
        return 1;

    const auto app = drawing_application();

    const double pixels_per_cm = o.dpi / 2.54;
    GraphPoints points(doc.Data());
    points.SetScale(GraphPoints::scale_minutes[o.scale] * 60.0, pixels_per_cm);
    StripChart chart;
    SetUpGraphChart(chart, o.dpi);
    chart.BottomAxis().SetRange(o.left, o.right);
    ChartEvents events;
    if (o.events)
        events.Place(doc.Journal(), doc.Data(), points);
    events.SetLook(EventStripLookAt(o.dpi));
    ChartMeasure measure(doc.Data(), points);
    measure.SetCurve(o.curve);
    measure.SetLook(MeasureLookAt(o.dpi));
    ChartMarks& marks = measure.Marks();
    if (!asked.markers.empty())
        marks.a = analysis::record_at(doc.Data(), asked.markers[0]);
    if (asked.markers.size() > 1)
        marks.b = analysis::record_at(doc.Data(), asked.markers[1]);
    if (asked.select)
        records_within(doc.Data(), asked.from, asked.to, marks.select_from, marks.select_to);
    DrawMarksAfterChart(chart, points, events, &measure);
    ChartSlips slips;
    slips.SetActivity(drawn_activity(o, doc.Data()));
    slips.Place(points);
    slips.SetVisible(o.slips);
    slips.SetLook(SlipsLookAt(o.dpi));
    DrawSlipsUnderChart(chart, slips);

    QImage image(w.width, w.height, QImage::Format_RGB32);
    const int dots_per_metre = static_cast<int>(o.dpi / 0.0254 + 0.5);
    image.setDotsPerMeterX(dots_per_metre);
    image.setDotsPerMeterY(dots_per_metre);
    chart.Layout(image.rect(), &image);
    ShowGraphWindow(points, events, chart, w.top, o.curve, o.bgr, pixels_per_cm);
    slips.ShowWindow(w.top, w.top + chart.PlotRect().Height(), o.curve);
    {
        QPainter painter(&image);
        chart.Paint(painter, image.rect());
    }
    try {
        save_png(image, parsed.positional[1]);
    } catch (const std::exception& e) {
        std::cerr << "Не удалось записать файл " << parsed.positional[1] << ": "
                  << lib::io::error_message(e) << "\n";
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
    j["events"] = nlohmann::ordered_json::array();
    for (const analysis::EventRow& e : events.Shown())
        j["events"].push_back({{"index", e.index},
                               {"code", e.code},
                               {"row", e.row},
                               {"end_row", e.has_end() ? nlohmann::ordered_json(e.end_row)
                                                       : nlohmann::ordered_json()}});
    // Rows are the vertical axis' offsets: the picture's row is plot top + row - top.
    const auto row_json = [&](int record) {
        const int row = RowOfRecord(points, record);
        return record >= 0 && row >= 0 ? nlohmann::ordered_json(row) : nlohmann::ordered_json();
    };
    const auto record_json = [](int record) {
        return record >= 0 ? nlohmann::ordered_json(record) : nlohmann::ordered_json();
    };
    j["markers"] = nlohmann::ordered_json::array();
    for (std::size_t k = 0; k < asked.markers.size(); ++k) {
        const int record = k == 0 ? marks.a : marks.b;
        j["markers"].push_back({{"record", record_json(record)}, {"row", row_json(record)}});
    }
    j["selection"] = nullptr;
    if (asked.select)
        j["selection"] = {{"first", record_json(marks.select_from)},
                          {"last", record_json(marks.select_to)},
                          {"top_row", row_json(marks.select_from)},
                          {"bottom_row", row_json(marks.select_to)}};
    j["periods"] = nlohmann::ordered_json::array();
    for (const SlipsRows& r : slips.Shown())
        j["periods"].push_back({{"start_row", r.row}, {"end_row", r.end_row}});
    std::cout << j.dump() << "\n";
    return 0;
}
