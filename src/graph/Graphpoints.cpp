#include "graph/Graphpoints.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "datafile/Assembling.h"

void GraphPoints::SetScale(double seconds_per_cm, double pixels_per_cm) {
    minutes_per_cm_ = static_cast<int>(seconds_per_cm / 60 + 0.5);
    points_.clear();
    series_count_ = 0;
    const int count = data_.item_count();
    // Exactly one point per record at most, and the capacity of the last call is reused.
    points_.reserve(static_cast<std::size_t>(count));
    constexpr double max_offset = std::numeric_limits<std::int32_t>::max();
    std::uint64_t elapsed = 0;
    std::uint32_t previous = 0;
    bool first = true;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t t = data_.item(i)->time;
        if (t < window_start_ || t > window_end_)
            continue;
        if (!first) {
            std::uint32_t gap = t - previous;
            if (gap == 0 || gap > max_full_gap)
                gap = short_gap;
            elapsed += gap;
        }
        first = false;
        // In this order, so that the half-way cases round as the documented formula does.
        const double offset =
            std::trunc(static_cast<double>(elapsed) * pixels_per_cm / seconds_per_cm + 0.5);
        points_.push_back({static_cast<std::int32_t>(std::min(offset, max_offset)), i});
        previous = t;
    }
}

void GraphPoints::SetTimeWindow(const lib::time_parts& from, const lib::time_parts& to) {
    window_start_ =
        lib::parts_to_time(from.year, from.month, from.day, from.hour, from.minute, from.second);
    window_end_ = lib::parts_to_time(to.year, to.month, to.day, to.hour, to.minute, to.second);
}

int GraphPoints::FirstPointFrom(double offset) const {
    const auto it = std::partition_point(
        points_.begin(), points_.end(), [offset](const x_value_t& p) { return p.offset < offset; });
    return static_cast<int>(it - points_.begin());
}

std::string GraphPoints::DateMarkText(const lib::time_parts& parts) {
    return " " + std::to_string(parts.day) + "." + std::to_string(parts.month) + "." +
           std::to_string(parts.year) + " ";
}

void GraphPoints::FillSeries(GraphSeries& series, int top, int bottom, int curve, std::uint32_t bgr,
                             double pixels_per_cm) {
    if (curve < 0 || curve >= data_.param_count())
        return;
    marks_.clear();
    series.SetColor(bgr);
    series.Clear();

    const double upper = top - pixels_per_cm;
    const double lower = bottom + pixels_per_cm;
    const int first = FirstPointFrom(upper);
    const auto end =
        std::partition_point(points_.begin() + first, points_.end(),
                             [lower](const x_value_t& p) { return p.offset <= lower; });
    const int last = static_cast<int>(end - points_.begin());
    series_first_ = first;
    series_count_ = last - first;
    series.Reserve(static_cast<std::size_t>(series_count_));

    // A scale below half a minute per centimetre would divide by zero; it marks every minute.
    const std::uint32_t m = static_cast<std::uint32_t>(std::max(minutes_per_cm_, 1));
    std::uint32_t previous_calendar_day = 0;
    int previous_day = 0;
    std::int64_t previous_minutes = -1;
    lib::time_parts parts;
    for (int k = first; k < last; ++k) {
        const x_value_t& point = points_[k];
        const FileStorageItem* record = data_.item(point.index);
        if (!record) // points of data replaced since the last SetScale
            break;
        const FileStorageItem& item = *record;
        const std::uint32_t t = item.time;
        const std::uint32_t minutes = t / 60;
        // The calendar date depends on the day count alone, and the year-by-year split is
        // too slow to repeat for every record of a wide window.
        if (k == first || t / 86400 != previous_calendar_day) {
            parts = lib::time_to_parts(t);
            previous_calendar_day = t / 86400;
        }
        const double x = static_cast<std::size_t>(curve) < item.values.size()
                             ? static_cast<double>(item.values[curve])
                             : 0.0;
        // The first point always carries a date, also on day 0 of a time below one day.
        if (k != first && parts.day == previous_day) {
            if (previous_minutes != -1 &&
                static_cast<std::uint32_t>(previous_minutes) / m != minutes / m)
                marks_.push_back(
                    {false, point.index, static_cast<double>(point.offset), lib::time_to_hhmm(t)});
        } else {
            marks_.push_back(
                {true, point.index, static_cast<double>(point.offset), DateMarkText(parts)});
        }
        series.Add(x, point.offset);
        previous_day = parts.day;
        previous_minutes = minutes;
    }
}

int GraphPoints::PointOfRecord(int index) const {
    const auto it = std::partition_point(points_.begin(), points_.end(),
                                         [index](const x_value_t& p) { return p.index < index; });
    return static_cast<int>(it - points_.begin());
}

int GraphPoints::SeriesRecord(int k) const {
    if (k < 0 || k >= series_count_ || series_first_ + k >= PointCount())
        return -1;
    return points_[series_first_ + k].index;
}

void GraphPoints::DrawScaleMarks(MarkCanvas& canvas) const {
    const MarkCanvas::Rect plot = canvas.PlotRect();
    canvas.SetSolidPen(0x000000, 1);
    for (const ScaleValue& mark : marks_) {
        const double y = canvas.OffsetToY(mark.offset);
        if (y > plot.bottom || y < plot.top)
            continue;
        const int row = static_cast<int>(y);
        const std::string text = " " + mark.text + " ";
        int x;
        if (mark.date) {
            canvas.SetSolidPen(0x000000, 2);
            canvas.SetFont(date_mark_font_size, date_mark_bgr);
            x = plot.right - canvas.TextWidth(text);
        } else {
            canvas.SetGridPen(1);
            canvas.SetFont(canvas.AxisLabelFontSize(), 0x000000);
            x = plot.left;
        }
        canvas.Line(plot.left, row, plot.right, row);
        canvas.TextOut(x, row + 2, text);
    }
}
