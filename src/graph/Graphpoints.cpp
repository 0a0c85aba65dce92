#include "graph/Graphpoints.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <span>
#include <utility>

#include "datafile/Assembling.h"

const char* const GraphPoints::scale_texts[scale_count] = {
    "1 мин. на 1 см.",  "3 мин. на 1 см.",  "5 мин. на 1 см.",  "10 мин. на 1 см.",
    "15 мин. на 1 см.", "20 мин. на 1 см.", "30 мин. на 1 см.", "1 час на 1 см.",
    "2 час на 1 см.",   "6 час на 1 см."};
const int GraphPoints::scale_minutes[scale_count] = {1, 3, 5, 10, 15, 20, 30, 60, 120, 360};

namespace {

// Seconds a step between two records counts on the graph.
std::uint32_t graph_step(std::uint32_t before, std::uint32_t after) {
    const std::uint32_t gap = after - before;
    return gap == 0 || gap > GraphPoints::max_full_gap ? GraphPoints::short_gap : gap;
}

} // namespace

std::int32_t GraphPoints::OffsetOf(std::uint64_t elapsed) const {
    constexpr double max_offset = std::numeric_limits<std::int32_t>::max();
    // In this order, so that the half-way cases round as the documented formula does.
    const double offset =
        std::trunc(static_cast<double>(elapsed) * pixels_per_cm_ / seconds_per_cm_ + 0.5);
    return static_cast<std::int32_t>(std::min(offset, max_offset));
}

std::uint64_t GraphPoints::FirstElapsedPast(std::int32_t offset) const {
    if (offset == std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::uint64_t>::max();
    // A guess from the inverse, then the exact edge by the formula itself, which only grows.
    const double guess = (offset + 0.5) * seconds_per_cm_ / pixels_per_cm_;
    if (!(guess < 1e18))
        return std::numeric_limits<std::uint64_t>::max();
    std::uint64_t e = guess > 0 ? static_cast<std::uint64_t>(guess) : 0;
    while (e > 0 && OffsetOf(e - 1) > offset)
        --e;
    while (OffsetOf(e) <= offset)
        ++e;
    return e;
}

void GraphPoints::SetScale(double seconds_per_cm, double pixels_per_cm) {
    minutes_per_cm_ = static_cast<int>(seconds_per_cm / 60 + 0.5);
    seconds_per_cm_ = seconds_per_cm;
    pixels_per_cm_ = pixels_per_cm;
    anchors_.clear();
    series_records_.clear();
    count_ = 0;
    const std::span<const std::uint32_t> times = data_.times();
    std::uint64_t elapsed = 0;
    std::uint32_t previous = 0;
    for (std::size_t i = 0; i < times.size(); ++i) {
        const std::uint32_t t = times[i];
        if (!InWindow(t))
            continue;
        if (count_ != 0)
            elapsed += graph_step(previous, t);
        if (count_ % anchor_every == 0)
            anchors_.push_back({elapsed, static_cast<std::int32_t>(i)});
        ++count_;
        previous = t;
    }
    total_height_ = count_ != 0 ? OffsetOf(elapsed) : 0;
}

GraphPoints::PointList::iterator& GraphPoints::PointList::iterator::operator++() {
    const std::span<const std::uint32_t> times = points_->data_.times();
    std::size_t r = static_cast<std::size_t>(record_) + 1;
    while (r < times.size() && !points_->InWindow(times[r]))
        ++r;
    // Past the last point, or past the records of a model that changed since SetScale.
    if (++n_ >= points_->count_ || r >= times.size()) {
        n_ = points_->count_;
        return *this;
    }
    elapsed_ += graph_step(times[static_cast<std::size_t>(record_)], times[r]);
    record_ = static_cast<std::int32_t>(r);
    return *this;
}

GraphPoints::PointList::iterator GraphPoints::End() const {
    PointList::iterator end;
    end.points_ = this;
    end.n_ = count_;
    return end;
}

GraphPoints::PointList::iterator GraphPoints::At(int n) const {
    if (n < 0 || n >= count_ || data_.item_count() == 0)
        return End();
    const Anchor& anchor = anchors_[static_cast<std::size_t>(n / anchor_every)];
    PointList::iterator it = End();
    it.n_ = n / anchor_every * anchor_every;
    it.record_ = anchor.record;
    it.elapsed_ = anchor.elapsed;
    while (it.n_ < n)
        ++it;
    return it;
}

template <class Before> int GraphPoints::FirstPointWhere(Before before) const {
    const auto after = std::partition_point(anchors_.begin(), anchors_.end(), [&](const Anchor& a) {
        return before(x_value_t{OffsetOf(a.elapsed), a.record});
    });
    const int start = after == anchors_.begin()
                          ? 0
                          : static_cast<int>(after - anchors_.begin() - 1) * anchor_every;
    PointList::iterator it = At(start);
    const PointList::iterator end = End();
    while (it != end && before(*it))
        ++it;
    return it == end ? count_ : it.n_;
}

int GraphPoints::FirstPointFrom(double offset) const {
    return FirstPointWhere([offset](const x_value_t& p) { return p.offset < offset; });
}

int GraphPoints::PointOfRecord(int index) const {
    return FirstPointWhere([index](const x_value_t& p) { return p.index < index; });
}

void GraphPoints::SetTimeWindow(const lib::time_parts& from, const lib::time_parts& to) {
    window_start_ =
        lib::parts_to_time(from.year, from.month, from.day, from.hour, from.minute, from.second);
    window_end_ = lib::parts_to_time(to.year, to.month, to.day, to.hour, to.minute, to.second);
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

namespace {

// A point of a pixel row: its value and its record.
struct RowPoint {
    float x;
    int record;
};

// Of the numbers at the start of values: how many there are, and the first smallest and the
// first largest of them, as the records would be taken one by one (a later equal value does not
// replace them).
struct Extremes {
    std::size_t count = 0, smallest = 0, largest = 0;
};

Extremes leading_extremes(std::span<const float> values) {
    if (values.empty() || !std::isfinite(values[0]))
        return {};
    // Two lanes of each, so that a comparison does not wait for the one before; x * 0 is a
    // number unless x is none, so the sum tells whether all were numbers.
    float low0 = values[0], low1 = values[0], high0 = values[0], high1 = values[0];
    float none0 = 0, none1 = 0;
    std::size_t i = 1;
    for (; i + 2 <= values.size(); i += 2) {
        low0 = std::min(low0, values[i]);
        high0 = std::max(high0, values[i]);
        none0 += values[i] * 0;
        low1 = std::min(low1, values[i + 1]);
        high1 = std::max(high1, values[i + 1]);
        none1 += values[i + 1] * 0;
    }
    if (i < values.size()) {
        low0 = std::min(low0, values[i]);
        high0 = std::max(high0, values[i]);
        none0 += values[i] * 0;
    }
    if (!std::isfinite(none0 + none1)) {
        const auto numbers =
            std::find_if(values.begin(), values.end(), [](float x) { return !std::isfinite(x); });
        return leading_extremes(values.first(static_cast<std::size_t>(numbers - values.begin())));
    }
    const auto at = [&](float v) {
        return static_cast<std::size_t>(std::find(values.begin(), values.end(), v) -
                                        values.begin());
    };
    return {values.size(), at(std::min(low0, low1)), at(std::max(high0, high1))};
}

} // namespace

void GraphPoints::FillSeries(GraphSeries& series, int top, int bottom, int curve, std::uint32_t bgr,
                             double pixels_per_cm) {
    marks_.clear();
    pauses_.clear();
    series_records_.clear();
    series.SetColor(bgr);
    series.Clear();
    if (curve < 0 || curve >= data_.param_count())
        return;

    const double upper = top - pixels_per_cm;
    const double lower = bottom + pixels_per_cm;
    const int first_point = FirstPointFrom(upper);
    if (first_point >= count_)
        return;
    const std::span<const std::uint32_t> times = data_.times();
    const std::span<const float> values = data_.values(curve);
    series.Reserve(static_cast<std::size_t>(4 * std::max(0.0, lower - upper + 1)));

    // The walk starts at the point before the first, whose time ends the pause before the
    // first point: that pause counts too, since it ends inside the window.
    PointList::iterator p = At(first_point > 0 ? first_point - 1 : first_point);
    const PointList::iterator end = End();
    if (p == end)
        return;
    const bool before = first_point > 0;
    std::uint32_t previous_time = before ? times[static_cast<std::size_t>(p.record_)] : 0;
    if (before && ++p == end)
        return;

    const auto add = [&](float x, std::int32_t row, int record) {
        series.Add(x, row);
        series_records_.push_back(record);
    };
    // A row's points go to the series as the first, the smallest and the largest value in
    // record order, and the last. Those draw every pixel of the row that all the row's records
    // would, and the lines to the rows before and after.
    const auto add_row = [&](std::int32_t row, RowPoint first, RowPoint low, RowPoint high,
                             RowPoint last) {
        add(first.x, row, first.record);
        const bool low_first = low.record < high.record;
        for (const RowPoint& p : {low_first ? low : high, low_first ? high : low})
            if (p.record != first.record && p.record != last.record)
                add(p.x, row, p.record);
        if (last.record != first.record)
            add(last.x, row, last.record);
    };
    // A scale below half a minute per centimetre would divide by zero; it marks every minute.
    const std::uint64_t m = static_cast<std::uint64_t>(std::max(minutes_per_cm_, 1));
    std::uint32_t previous_day = 0;
    std::uint32_t previous_minutes = 0;
    // While the times stay within one day and one mark's span, no mark is due.
    std::uint64_t quiet_from = 1, quiet_to = 0;
    bool broken = false;
    bool more = true;
    std::uint64_t next_row = 0;
    while (more) {
        // The offset changes once a row: it is worked out again only past the row's last
        // elapsed.
        const std::int32_t offset = OffsetOf(p.elapsed_);
        if (offset > lower)
            break;
        next_row = FirstElapsedPast(offset);
        bool open = false;
        RowPoint first{}, low{}, high{}, last{};
        do {
            const auto r = static_cast<std::size_t>(p.record_);
            const std::uint32_t t = times[r];
            const std::int32_t record = p.record_;
            if (t < quiet_from || t >= quiet_to) [[unlikely]] {
                const std::uint32_t minutes = t / 60;
                // Whole days of the time value are calendar dates: a change of year, month or
                // day.
                const std::uint32_t day = t / 86400;
                // The first point always carries a date, also on day 0 of a time below one day.
                if (p.n_ != first_point && day == previous_day) {
                    if (previous_minutes / m != minutes / m)
                        marks_.push_back({false, record, double(offset), lib::time_to_hhmm(t)});
                } else {
                    marks_.push_back(
                        {true, record, double(offset), DateMarkText(lib::time_to_parts(t))});
                }
                previous_day = day;
                previous_minutes = minutes;
                quiet_from =
                    std::max<std::uint64_t>(std::uint64_t{day} * 86400, minutes / m * m * 60);
                quiet_to = std::min<std::uint64_t>(std::uint64_t{day + 1} * 86400,
                                                   (minutes / m + 1) * m * 60);
            }
            if ((p.n_ != first_point || before) && t > previous_time &&
                t - previous_time > max_full_gap) [[unlikely]]
                pauses_.push_back({record, double(offset), t - previous_time});
            previous_time = t;
            const float x = values[r];
            if (std::isfinite(x)) [[likely]] {
                broken = false;
                if (!open) {
                    open = true;
                    first = low = high = last = {x, record};
                } else {
                    if (x < low.x)
                        low = {x, record};
                    if (x > high.x)
                        high = {x, record};
                    last = {x, record};
                }
                // The records right after it that are plain steps of the same row (in the
                // window, 1 to max_full_gap seconds on, no mark due, numbers): only their
                // extremes matter, and their offsets follow from their times, which grow.
                const std::uint64_t room = std::min(next_row - p.elapsed_, std::uint64_t{1} << 40);
                const std::uint64_t limit =
                    std::min({quiet_to, room + t, std::uint64_t{window_end_} + 1});
                const std::size_t end_k =
                    std::min(times.size(), r + static_cast<std::size_t>(count_ - p.n_));
                std::size_t k = r + 1;
                while (k < end_k && times[k] < limit && times[k] - times[k - 1] - 1 < max_full_gap)
                    ++k;
                const Extremes run = leading_extremes(values.subspan(r + 1, k - r - 1));
                if (run.count > 0) {
                    if (const float v = values[r + 1 + run.smallest]; v < low.x)
                        low = {v, static_cast<int>(r + 1 + run.smallest)};
                    if (const float v = values[r + 1 + run.largest]; v > high.x)
                        high = {v, static_cast<int>(r + 1 + run.largest)};
                    k = r + run.count;
                    last = {values[k], static_cast<int>(k)};
                    p.elapsed_ += times[k] - t;
                    p.n_ += static_cast<int>(k - r);
                    p.record_ = static_cast<std::int32_t>(k);
                    previous_time = times[k];
                }
            } else {
                // A value that is no number breaks the line; one break stands for a run of them.
                if (open)
                    add_row(offset, first, low, high, last);
                open = false;
                if (!broken)
                    add(x, offset, record);
                broken = true;
            }
            more = ++p != end;
        } while (more && p.elapsed_ < next_row);
        if (open)
            add_row(offset, first, low, high, last);
    }
}

int GraphPoints::SeriesRecord(int k) const {
    return k >= 0 && static_cast<std::size_t>(k) < series_records_.size()
               ? series_records_[static_cast<std::size_t>(k)]
               : -1;
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
