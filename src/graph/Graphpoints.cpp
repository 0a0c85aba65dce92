#include "graph/Graphpoints.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "datafile/Assembling.h"

const char* const GraphPoints::scale_texts[scale_count] = {
    "1 мин. на 1 см.",  "3 мин. на 1 см.",  "5 мин. на 1 см.",  "10 мин. на 1 см.",
    "15 мин. на 1 см.", "20 мин. на 1 см.", "30 мин. на 1 см.", "1 час на 1 см.",
    "2 час на 1 см.",   "6 час на 1 см."};
const int GraphPoints::scale_minutes[scale_count] = {1, 3, 5, 10, 15, 20, 30, 60, 120, 360};

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

std::string GraphPoints::PauseText(std::uint32_t seconds) {
    const auto two = [](std::uint32_t big, const char* big_unit, std::uint32_t small,
                        const char* small_unit) {
        return std::to_string(big) + " " + big_unit + " " + std::to_string(small) + " " +
               small_unit;
    };
    std::string length;
    if (seconds >= 86400)
        length = two(seconds / 86400, "сут", seconds / 3600 % 24, "ч");
    else if (seconds >= 3600)
        length = two(seconds / 3600, "ч", seconds / 60 % 60, "мин");
    else
        length = two(seconds / 60, "мин", seconds % 60, "с");
    return "пауза " + length;
}

void GraphPoints::FillSeries(GraphSeries& series, int top, int bottom, int curve, std::uint32_t bgr,
                             double pixels_per_cm) {
    marks_.clear();
    pauses_.clear();
    series.SetColor(bgr);
    series.Clear();
    series_count_ = 0;
    if (curve < 0 || curve >= data_.param_count())
        return;

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
    // The pause before the first point counts too: it ends inside the window.
    const FileStorageItem* before = first > 0 ? data_.item(points_[first - 1].index) : nullptr;
    std::uint32_t previous_time = before ? before->time : 0;
    std::uint32_t previous_day = 0;
    std::int64_t previous_minutes = -1;
    for (int k = first; k < last; ++k) {
        const x_value_t& point = points_[k];
        const FileStorageItem* record = data_.item(point.index);
        if (!record) // points of data replaced since the last SetScale
            break;
        const FileStorageItem& item = *record;
        const std::uint32_t t = item.time;
        const std::uint32_t minutes = t / 60;
        // Whole days of the time value are calendar dates: a change of year, month or day.
        const std::uint32_t day = t / 86400;
        const double x = static_cast<std::size_t>(curve) < item.values.size()
                             ? static_cast<double>(item.values[curve])
                             : 0.0;
        const double offset = point.offset;
        // The first point always carries a date, also on day 0 of a time below one day.
        if (k != first && day == previous_day) {
            if (previous_minutes != -1 &&
                static_cast<std::uint32_t>(previous_minutes) / m != minutes / m)
                marks_.push_back({false, point.index, offset, lib::time_to_hhmm(t)});
        } else {
            marks_.push_back({true, point.index, offset, DateMarkText(lib::time_to_parts(t))});
        }
        if ((k != first || before) && t > previous_time && t - previous_time > max_full_gap)
            pauses_.push_back({point.index, offset, t - previous_time});
        series.Add(x, point.offset);
        previous_day = day;
        previous_minutes = minutes;
        previous_time = t;
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

int GraphPoints::MarkTextTop(int row, int text_height, const MarkCanvas::Rect& plot, bool above) {
    const int below_top = row + 2, above_top = row - 2 - text_height;
    const bool below_fits = below_top + text_height <= plot.bottom;
    const bool above_fits = above_top >= plot.top;
    if (above)
        return above_fits || !below_fits ? above_top : below_top;
    return below_fits || !above_fits ? below_top : above_top;
}

std::string GraphPoints::TopDateText(const MarkCanvas& canvas) const {
    const int top = canvas.PlotRect().top;
    const ScaleValue* shown = nullptr;
    for (const ScaleValue& mark : marks_) {
        if (!mark.date)
            continue;
        if (shown && canvas.OffsetToY(mark.offset) > top)
            break;
        shown = &mark;
    }
    return shown ? shown->text : std::string();
}

MarkCanvas::Rect GraphPoints::TopDateCorner(MarkCanvas& canvas) const {
    const MarkCanvas::Rect plot = canvas.PlotRect();
    MarkCanvas::Rect corner{plot.left + 1, plot.top + 1, plot.left + 1, plot.top + 1};
    const std::string text = TopDateText(canvas);
    if (!text.empty()) {
        canvas.SetFont(date_mark_font_size, date_mark_bgr);
        corner.right += canvas.TextWidth(" " + text + " ");
        corner.bottom += canvas.TextHeight();
    }
    return corner;
}

void GraphPoints::DrawScaleMarks(MarkCanvas& canvas) const {
    const MarkCanvas::Rect plot = canvas.PlotRect();
    const auto row_of = [&](double offset, int& row) {
        const double y = canvas.OffsetToY(offset);
        row = static_cast<int>(y);
        return y <= plot.bottom && y >= plot.top;
    };
    const auto text_out = [&](int x, int y, const std::string& text) {
        canvas.Backing(x, y, canvas.TextWidth(text), canvas.TextHeight());
        canvas.TextOut(x, y, text);
    };
    const MarkCanvas::Rect corner = TopDateCorner(canvas);
    int row = 0;
    canvas.SetSolidPen(0x000000, 1);
    for (const ScaleValue& mark : marks_) {
        if (!row_of(mark.offset, row))
            continue;
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
        const int y = MarkTextTop(row, canvas.TextHeight(), plot, false);
        // A time text under the corner's date would be lost: it goes beside it.
        if (!mark.date && y < corner.bottom && y + canvas.TextHeight() > corner.top)
            x = std::max(x, corner.right + 1);
        text_out(x, y, text);
    }
    // Over the time and date lines, which show between the dashes; the text above the line,
    // where the pause was.
    for (const PauseMark& pause : pauses_) {
        if (!row_of(pause.offset, row))
            continue;
        const std::string text = " " + PauseText(pause.seconds) + " ";
        canvas.SetDashedPen(pause_mark_bgr, 2);
        canvas.SetFont(canvas.AxisLabelFontSize(), pause_mark_bgr);
        canvas.Line(plot.left, row, plot.right, row);
        text_out((plot.left + plot.right - canvas.TextWidth(text)) / 2,
                 MarkTextTop(row, canvas.TextHeight(), plot, true), text);
    }
    if (corner.right > corner.left) {
        canvas.SetFont(date_mark_font_size, date_mark_bgr);
        text_out(corner.left, corner.top, " " + TopDateText(canvas) + " ");
    }
}
