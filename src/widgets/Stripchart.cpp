#include "widgets/Stripchart.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QLineF>
#include <QPaintDevice>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

#include "library/Numstr.h"

namespace {

// Points far outside the plot are pulled in this far, so the painter never meets coordinates
// it cannot rasterise; the slope of what remains visible hardly changes.
constexpr double far_outside = 1e6;

// v -> origin + (v - minimum) * factor, with the direction of the axis.
struct Mapping {
    double origin;
    double factor;
    double minimum;
    double operator()(double v) const { return origin + (v - minimum) * factor; }
};

// Device coordinates grow rightwards and downwards; a vertical axis grows upwards unless it is
// inverted.
Mapping axis_mapping(const ChartAxis& axis, int low, int high, bool vertical) {
    const double span = axis.maximum - axis.minimum;
    const double factor = span != 0 ? (high - low) / span : 0.0;
    if (axis.inverted != vertical)
        return {static_cast<double>(high), -factor, axis.minimum};
    return {static_cast<double>(low), factor, axis.minimum};
}

QString label_text(double v) {
    return QString::fromStdString(lib::number_to_text(v));
}

} // namespace

ChartAxis::ChartAxis() {
    label_font.setPointSize(8);
}

StripChart::StripChart() {
    left_.inverted = true;
    left_.labels = false;
    top_.visible = false;
    title_font_.setPointSize(10);
}

int StripChart::LabelHeight(const ChartAxis& axis, const QPaintDevice* device) const {
    if (!axis.visible)
        return 0;
    const int text =
        axis.labels ? static_cast<int>(std::ceil(QFontMetricsF(axis.label_font, device).height()))
                    : 0;
    return text + axis.tick_length + 1;
}

QRect StripChart::Layout(const QRect& area, const QPaintDevice* device) {
    int top = area.top() + margins_.top;
    int bottom = area.top() + area.height() - margins_.bottom;
    if (!title_.isEmpty())
        top += static_cast<int>(std::ceil(QFontMetricsF(title_font_, device).height())) + 2;
    top += LabelHeight(top_, device);
    bottom -= LabelHeight(bottom_, device) + 1;

    // Value labels are centred on their grid line: half of the widest one must fit beside the
    // plot on each side.
    widest_label_ = 0;
    double unit_room = 0;
    for (const ChartAxis* axis : {&bottom_, &top_}) {
        if (!axis->visible || !axis->labels)
            continue;
        const QFontMetricsF fm(axis->label_font, device);
        for (double v : {axis->minimum, axis->maximum, -88.8})
            widest_label_ = std::max(widest_label_, fm.horizontalAdvance(label_text(v)));
        if (!axis->unit.isEmpty()) {
            unit_gap_ = fm.horizontalAdvance(QLatin1Char(' '));
            unit_room = std::max(unit_room, unit_gap_ + fm.horizontalAdvance(axis->unit));
        }
    }
    const int half = static_cast<int>(std::ceil(widest_label_ / 2));
    plot_.left = area.left() + margins_.left + half;
    plot_.right = std::max(plot_.left, area.left() + area.width() - 1 - margins_.right - half -
                                           static_cast<int>(std::ceil(unit_room)));
    plot_.top = top;
    plot_.bottom = std::max(top, bottom);
    return QRect(QPoint(plot_.left, plot_.top), QPoint(plot_.right, plot_.bottom));
}

double StripChart::LeftAxisToY(double value) const {
    return axis_mapping(left_, plot_.top, plot_.bottom, true)(value);
}

double StripChart::YToLeftAxis(double y) const {
    const Mapping m = axis_mapping(left_, plot_.top, plot_.bottom, true);
    return m.factor != 0 ? m.minimum + (y - m.origin) / m.factor : left_.minimum;
}

double StripChart::BottomAxisToX(double value) const {
    return axis_mapping(bottom_, plot_.left, plot_.right, false)(value);
}

double StripChart::LabelStep(const ChartAxis& axis, double text_width) const {
    const double span = std::abs(axis.maximum - axis.minimum);
    if (!(span > 0) || !std::isfinite(span) || plot_.Width() <= 0)
        return 0;
    const double room = text_width + 8; // pixels each label needs
    const double wanted = span * room / plot_.Width();
    double power = std::pow(10.0, std::floor(std::log10(wanted)));
    for (;;) {
        for (double mantissa : {1.0, 2.0, 2.5, 5.0}) {
            if (mantissa * power >= wanted)
                return mantissa * power;
        }
        power *= 10;
    }
}

void StripChart::DrawValueAxis(QPainter& p, const ChartAxis& axis, bool at_top) const {
    if (!axis.visible)
        return;
    const Mapping x = axis_mapping(axis, plot_.left, plot_.right, false);
    const double step = axis.labels ? LabelStep(axis, widest_label_) : 0;
    if (step > 0) {
        const double low = std::min(axis.minimum, axis.maximum);
        const double high = std::max(axis.minimum, axis.maximum);
        // Minor lines split a step of 1 or 5 into fifths, of 2 into quarters, of 2.5 into
        // fifths of 0.5.
        const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
        const int parts = std::abs(mantissa - 2) < 1e-9 ? 4 : 5;
        const double minor = step / parts;
        if (axis.minor_grid) {
            p.setPen(axis.minor_grid_pen);
            for (double k = std::ceil(low / minor); k * minor <= high; ++k) {
                if (std::fmod(std::round(k), parts) == 0)
                    continue;
                const int gx = static_cast<int>(std::lround(x(k * minor)));
                p.drawLine(gx, plot_.top, gx, plot_.bottom);
            }
        }
        const QFontMetricsF fm(axis.label_font, p.device());
        p.setFont(axis.label_font);
        for (double k = std::ceil(low / step); k * step <= high * (1 + 1e-12); ++k) {
            const double v = k * step;
            const int gx = static_cast<int>(std::lround(x(v)));
            p.setPen(axis.grid_pen);
            p.drawLine(gx, plot_.top, gx, plot_.bottom);
            p.setPen(axis.line_color);
            const int edge = at_top ? plot_.top : plot_.bottom;
            const int tick_end = at_top ? edge - axis.tick_length : edge + axis.tick_length;
            p.drawLine(gx, edge, gx, tick_end);
            const QString text = label_text(v);
            const double w = fm.horizontalAdvance(text);
            const double ty = at_top ? tick_end - 1 - fm.descent() : tick_end + 1 + fm.ascent();
            p.setPen(Qt::black);
            p.drawText(QPointF(gx - w / 2, ty), text);
        }
        if (!axis.unit.isEmpty()) {
            const int edge =
                at_top ? plot_.top - axis.tick_length : plot_.bottom + axis.tick_length;
            const double ty = at_top ? edge - 1 - fm.descent() : edge + 1 + fm.ascent();
            p.setPen(Qt::black);
            p.drawText(QPointF(plot_.right + std::ceil(widest_label_ / 2) + unit_gap_, ty),
                       axis.unit);
        }
    }
}

void StripChart::DrawSeries(QPainter& p, std::vector<QPointF>& dots) const {
    const std::vector<QPointF>& points = series_.Points();
    if (points.empty())
        return;
    const Mapping mx = axis_mapping(bottom_, plot_.left, plot_.right, false);
    const Mapping my = axis_mapping(left_, plot_.top, plot_.bottom, true);
    const double x_low = plot_.left - far_outside;
    const double x_high = plot_.right + far_outside;
    // On pixels, points snap to whole pixels like the grid does; a picture or a printer
    // keeps the fractions for the finer device the drawing ends up on.
    const int type = p.device()->devType();
    const bool snap = type != QInternal::Picture && type != QInternal::Printer;
    auto map = [&](const QPointF& v) {
        const double x = std::clamp(mx(v.x()), x_low, x_high);
        const double y = my(v.y());
        return snap ? QPointF(std::round(x), std::round(y)) : QPointF(x, y);
    };

    p.save();
    // Within any clip the caller set: a printed page clips the chart to its own slice.
    p.setClipRect(QRect(QPoint(plot_.left, plot_.top), QPoint(plot_.right, plot_.bottom)),
                  Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(series_.Pen());
    std::vector<QPointF> line;
    line.reserve(std::min<std::size_t>(points.size(), 4 * (plot_.Height() + 2) + 16));
    // Each segment is stroked on its own, ends included: the joins of a polyline depend on
    // the directions of its segments, which the decimated line does not keep.
    std::vector<QLineF> segments;
    auto flush = [&] {
        // A decimated line on one row has at most four points.
        if (!line.empty() && line.size() <= 4 &&
            std::all_of(line.begin(), line.end(), [&](const QPointF& q) { return q == line[0]; })) {
            // Centred on the pixel that a snapped point stands for.
            dots.push_back(snap ? line.front() + QPointF(0.5, 0.5) : line.front());
            line.clear();
            return;
        }
        segments.clear();
        for (std::size_t k = 1; k < line.size(); ++k)
            segments.emplace_back(line[k - 1], line[k]);
        p.drawLines(segments.data(), static_cast<int>(segments.size()));
        line.clear();
    };
    const std::size_t n = points.size();
    std::size_t i = 0;
    while (i < n) {
        const QPointF first = map(points[i]);
        if (!std::isfinite(points[i].x())) { // a missing value breaks the line
            flush();
            ++i;
            continue;
        }
        line.push_back(first);
        if (!decimate_) {
            ++i;
            continue;
        }
        // The run of points on the same row: first, minimum, maximum and last cover every
        // pixel the segments between them would.
        std::size_t low = i, high = i, last = i;
        QPointF low_p = first, high_p = first, last_p = first;
        std::size_t j = i + 1;
        for (; j < n; ++j) {
            if (!std::isfinite(points[j].x()))
                break;
            const QPointF q = map(points[j]);
            if (q.y() != first.y())
                break;
            if (q.x() < low_p.x())
                low = j, low_p = q;
            if (q.x() > high_p.x())
                high = j, high_p = q;
            last = j, last_p = q;
        }
        const bool low_first = low < high;
        for (const auto& [k, q] : {low_first ? std::pair{low, low_p} : std::pair{high, high_p},
                                   low_first ? std::pair{high, high_p} : std::pair{low, low_p}}) {
            if (k != i && k != last)
                line.push_back(q);
        }
        if (last != i)
            line.push_back(last_p);
        i = j;
    }
    flush();
    p.restore();
}

void StripChart::DrawDots(QPainter& p, const std::vector<QPointF>& dots) const {
    if (dots.empty())
        return;
    const double r = series_.DotRadius();
    p.save();
    // Whole also at the plot's top and bottom edge, where a lone record lies.
    p.setClipRect(
        QRectF(QPointF(plot_.left, plot_.top - r), QPointF(plot_.right, plot_.bottom + r)),
        Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(series_.Color());
    for (const QPointF& dot : dots)
        p.drawEllipse(dot, r, r);
    p.restore();
}

void StripChart::Paint(QPainter& p, const QRect& area) {
    Layout(area, p.device());
    p.save();
    p.fillRect(area, background_);
    if (under_draw_) {
        p.save();
        under_draw_(p);
        p.restore();
    }

    if (!title_.isEmpty()) {
        p.setFont(title_font_);
        p.setPen(Qt::black);
        const QRect title_rect(area.left(), area.top() + margins_.top, area.width(),
                               static_cast<int>(QFontMetricsF(title_font_, p.device()).height()));
        p.drawText(title_rect, Qt::AlignHCenter | Qt::AlignTop, title_);
    }
    DrawValueAxis(p, bottom_, false);
    DrawValueAxis(p, top_, true);
    // The frame first, so that a curve along an edge stays visible.
    p.setPen(left_.line_color);
    p.drawLine(plot_.left, plot_.top, plot_.left, plot_.bottom);
    p.drawLine(plot_.right, plot_.top, plot_.right, plot_.bottom);
    p.setPen(bottom_.line_color);
    p.drawLine(plot_.left, plot_.bottom, plot_.right, plot_.bottom);
    p.setPen(top_.visible ? top_.line_color : bottom_.line_color);
    p.drawLine(plot_.left, plot_.top, plot_.right, plot_.top);
    std::vector<QPointF> dots;
    DrawSeries(p, dots);

    p.restore();

    if (after_draw_) {
        p.save();
        after_draw_(p);
        p.restore();
    }
    DrawDots(p, dots);
}

int StripChart::PointNear(const QPointF& pos, double tolerance) const {
    int best = -1;
    double best_distance = tolerance * tolerance;
    const std::vector<QPointF>& points = series_.Points();
    for (std::size_t k = 0; k < points.size(); ++k) {
        const double dy = LeftAxisToY(points[k].y()) - pos.y();
        if (std::abs(dy) > tolerance)
            continue;
        const double dx = BottomAxisToX(points[k].x()) - pos.x();
        const double d = dx * dx + dy * dy;
        if (d <= best_distance) {
            best_distance = d;
            best = static_cast<int>(k);
        }
    }
    return best;
}

StripChartWidget::StripChartWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

const StripChart::Plot& StripChartWidget::PlotRect() {
    chart_.Layout(rect(), this);
    return chart_.PlotRect();
}

bool StripChartWidget::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const int k = chart_.PointNear(help->pos(), 4);
        const QString text =
            k >= 0 ? chart_.Series().Label(static_cast<std::size_t>(k)) : QString();
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(e);
}

void StripChartWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    chart_.Paint(p, rect());
}

void StripChartWidget::resizeEvent(QResizeEvent* e) {
    chart_.Layout(rect(), this);
    QWidget::resizeEvent(e);
}
