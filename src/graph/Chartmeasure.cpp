#include "graph/Chartmeasure.h"

#include <algorithm>
#include <cmath>

#include "analysis/Activity.h"
#include "analysis/Statistics.h"
#include "datafile/Assembling.h"
#include "graph/Graphpoints.h"
#include "library/Mytime.h"
#include "library/Numstr.h"

namespace {

// A unit after a larger one takes two digits, as a clock shows them.
std::string two_digits(std::uint64_t v) {
    return (v < 10 ? "0" : "") + std::to_string(v);
}

} // namespace

bool ChartMarks::Interval(int& first, int& last) const {
    if (HasSelection()) {
        first = std::min(select_from, select_to);
        last = std::max(select_from, select_to);
        return true;
    }
    if (HasPair()) {
        first = std::min(a, b);
        last = std::max(a, b);
        return true;
    }
    return false;
}

std::string DurationText(std::int64_t seconds) {
    const std::string sign = seconds < 0 ? "−" : "";
    const std::uint64_t s =
        seconds < 0 ? 0 - static_cast<std::uint64_t>(seconds) : static_cast<std::uint64_t>(seconds);
    const auto two = two_digits;
    const std::uint64_t days = s / 86400, hours = s / 3600 % 24, minutes = s / 60 % 60;
    std::string text;
    if (days > 0)
        text = std::to_string(days) + " сут " + std::to_string(hours) + " ч " + two(minutes) +
               " мин " + two(s % 60) + " с";
    else if (hours > 0)
        text = std::to_string(hours) + " ч " + two(minutes) + " мин " + two(s % 60) + " с";
    else if (minutes > 0)
        text = std::to_string(minutes) + " мин " + two(s % 60) + " с";
    else
        text = std::to_string(s) + " с";
    return sign + text;
}

int RecordAtRow(const GraphPoints& points, double offset) {
    const int count = points.PointCount();
    if (count == 0)
        return -1;
    const auto& p = points.Points();
    const int next = std::min(points.FirstPointFrom(offset), count - 1);
    // Of several records on the row found, the first of them.
    int k = next;
    if (next > 0 && offset - p[next - 1].offset <= p[next].offset - offset)
        k = next - 1;
    return p[points.FirstPointFrom(p[k].offset)].index;
}

int RowOfRecord(const GraphPoints& points, int record) {
    const int k = points.PointOfRecord(record);
    return k < points.PointCount() ? points.Points()[k].offset : -1;
}

int StepRecord(const GraphPoints& points, int record, int step) {
    const int count = points.PointCount();
    if (count == 0)
        return -1;
    const int k = points.PointOfRecord(std::max(record, 0));
    // A record that is not shown stands between points k - 1 and k.
    const bool shown = k < count && points.Points()[k].index == record;
    const int from = shown || step < 0 ? k : k - 1;
    return points.Points()[std::clamp(from + step, 0, count - 1)].index;
}

int FitScale(const FileStorage& data, int first, int last, int rows, double pixels_per_cm) {
    first = std::max(first, 0);
    last = std::min(last, data.item_count() - 1);
    // The seconds the graph gives the steps, as GraphPoints::SetScale counts them.
    std::uint64_t elapsed = 0;
    for (int i = first + 1; i <= last; ++i) {
        std::uint32_t gap = data.time(i) - data.time(i - 1);
        if (gap == 0 || gap > GraphPoints::max_full_gap)
            gap = GraphPoints::short_gap;
        elapsed += gap;
    }
    for (int s = 0; s < GraphPoints::scale_count; ++s) {
        const double span = std::trunc(static_cast<double>(elapsed) * pixels_per_cm /
                                           (GraphPoints::scale_minutes[s] * 60.0) +
                                       0.5);
        if (span < rows)
            return s;
    }
    return GraphPoints::scale_count - 1;
}

std::string RecordTimeText(const FileStorage& data, int record) {
    return data.item(record) ? TimeText(data.time(record)) : std::string();
}

std::string TimeText(std::uint32_t t) {
    const lib::time_parts p = lib::time_to_parts(t);
    const auto two = [](int v) { return two_digits(static_cast<std::uint64_t>(v)); };
    return two(p.day) + "." + two(p.month) + "." + std::to_string(p.year) + " " + two(p.hour) +
           ":" + two(p.minute) + ":" + two(p.second);
}

namespace {

std::string value_text(const FileStorage& data, int curve, double value) {
    const FileStorageParam* param = data.param(curve);
    std::string text = lib::number_to_text(value);
    if (param && !param->unit.empty())
        text += " " + param->unit;
    return text;
}

// The value of curve at record; NaN without one.
double record_value(const FileStorage& data, int curve, int record) {
    if (record < 0 || record >= data.item_count())
        return std::nan("");
    const analysis::CurveView view(data, curve);
    return record < view.size() ? view.at(record).value : std::nan("");
}

} // namespace

std::string RecordValueText(const FileStorage& data, int curve, int record) {
    const double v = record_value(data, curve, record);
    return std::isfinite(v) ? value_text(data, curve, v) : "—";
}

std::string ReadoutText(const FileStorage& data, int curve, int record) {
    if (!data.item(record))
        return std::string();
    return RecordTimeText(data, record) + "   " + RecordValueText(data, curve, record) + "   № " +
           std::to_string(record + 1);
}

std::vector<PanelLine> MeasurePanel(const FileStorage& data, int curve, const ChartMarks& marks) {
    std::vector<PanelLine> lines;
    const auto marker = [&](const char* key, const char* label, int record) {
        if (data.item(record))
            lines.push_back(
                {key, label,
                 RecordTimeText(data, record) + "   " + RecordValueText(data, curve, record)});
    };
    marker("a", "A", marks.a);
    marker("b", "B", marks.b);
    if (marks.HasPair() && data.item(marks.a) && data.item(marks.b)) {
        const std::int64_t dt = std::int64_t(data.time(marks.b)) - std::int64_t(data.time(marks.a));
        lines.push_back({"dt", "Δt", DurationText(dt)});
        const double dv = record_value(data, curve, marks.b) - record_value(data, curve, marks.a);
        lines.push_back({"dvalue", "Δ", std::isfinite(dv) ? value_text(data, curve, dv) : "—"});
    }
    int first = 0, last = 0;
    if (!marks.Interval(first, last) || !data.item(first) || !data.item(last))
        return lines;
    const std::uint32_t t1 = data.time(first), t2 = data.time(last);
    const analysis::IntervalStats s =
        analysis::interval_stats(data, curve, std::min(t1, t2), std::max(t1, t2));
    lines.push_back({"title", marks.HasSelection() ? "Выделенный интервал" : "Интервал A – B", ""});
    lines.push_back({"from", "С", TimeText(std::min(t1, t2))});
    lines.push_back({"to", "По", TimeText(std::max(t1, t2))});
    lines.push_back(
        {"span", "Длительность",
         DurationText(std::int64_t(std::max(t1, t2)) - std::int64_t(std::min(t1, t2)))});
    lines.push_back({"count", "Записей", std::to_string(s.count)});
    if (s.count == 0)
        return lines;
    lines.push_back({"min", "Минимум",
                     value_text(data, curve, s.min) + "   " + TimeText(s.min_time).substr(11)});
    lines.push_back({"max", "Максимум",
                     value_text(data, curve, s.max) + "   " + TimeText(s.max_time).substr(11)});
    lines.push_back({"mean", "Среднее", value_text(data, curve, s.mean)});
    lines.push_back({"std", "Ср. кв. откл.", value_text(data, curve, s.stddev)});
    lines.push_back({"paused", "Паузы", DurationText(std::int64_t(s.paused_s))});
    return lines;
}
