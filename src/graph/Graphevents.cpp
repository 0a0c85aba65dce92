#include "graph/Graphevents.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

#include "graph/Graphpoints.h"
#include "widgets/Stripchart.h"

using analysis::EventGroup;
using analysis::EventRow;

namespace {

constexpr int design_dpi = 120;
constexpr int most_lines = 15; // of a tool tip
const QColor highlight_band(255, 214, 0, 120);

int scaled(int design, int dpi) {
    return std::max(1, static_cast<int>(std::lround(design * dpi / double(design_dpi))));
}

} // namespace

EventStripLook EventStripLookAt(int dpi) {
    EventStripLook look;
    look.width = scaled(12, dpi);
    look.marker = scaled(9, dpi) | 1; // odd: the tip on the row, as much above it as below
    look.count_font.setPixelSize(scaled(11, dpi));
    look.count_font.setBold(true);
    return look;
}

QColor EventColor(EventGroup group) {
    switch (group) {
    case EventGroup::set_point:
        return QColor(0xE0, 0x10, 0x10);
    case EventGroup::power:
        return QColor(0xF0, 0x80, 0x00);
    case EventGroup::memory:
        return QColor(0x90, 0x30, 0xD0);
    case EventGroup::other:
        break;
    }
    return QColor(0x80, 0x80, 0x80);
}

std::vector<EventMarker> EventMarkers(const std::vector<EventRow>& events) {
    std::vector<const EventRow*> by_row;
    by_row.reserve(events.size());
    for (const EventRow& e : events)
        by_row.push_back(&e);
    std::stable_sort(by_row.begin(), by_row.end(),
                     [](const EventRow* a, const EventRow* b) { return a->row < b->row; });
    std::vector<EventMarker> markers;
    for (const EventRow* e : by_row) {
        if (markers.empty() || markers.back().row != e->row)
            markers.push_back({e->row, EventGroup::other, {}});
        EventMarker& m = markers.back();
        m.group = std::min(m.group, analysis::event_group(e->code));
        m.events.push_back(e->index);
    }
    return markers;
}

QString EventsText(const LogStorage& journal, const std::vector<int>& events) {
    QStringList lines;
    for (int index : events) {
        if (lines.size() == most_lines) {
            lines << QStringLiteral("… всего событий: %1").arg(events.size());
            break;
        }
        lines << QString::fromStdString(journal.CellText(1, index) + "  " +
                                        journal.CellText(2, index));
    }
    return lines.join('\n');
}

void ChartEvents::Place(const LogStorage& journal, const FileStorage& data,
                        const GraphPoints& points) {
    placed_ = analysis::EventRows(journal, data, points.Points());
    shown_.clear();
}

void ChartEvents::ShowWindow(int top, int bottom) {
    shown_ = placed_.Window(top, bottom);
}

void ChartEvents::Draw(QPainter& p, const StripChart& chart) const {
    const StripChart::Plot& plot = chart.PlotRect();
    const auto y_of = [&](int row) { return static_cast<int>(chart.LeftAxisToY(row)); };
    const int x0 = std::max(plot.left, plot.right - look_.width);
    const int x1 = plot.right - 1; // the border line stays
    const int half = look_.marker / 2;
    const QRect plot_rect(QPoint(plot.left, plot.top), QPoint(plot.right, plot.bottom));
    const std::vector<EventMarker> markers = EventMarkers(shown_);

    p.save();
    p.setClipRect(plot_rect, Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing, false);
    const auto highlighted = std::find_if(shown_.begin(), shown_.end(),
                                          [&](const EventRow& e) { return e.index == highlight_; });
    if (highlighted != shown_.end()) {
        const int y = y_of(highlighted->row);
        p.fillRect(QRect(plot.left, y - look_.marker, plot.right - plot.left, 2 * look_.marker + 1),
                   highlight_band);
    }
    if (visible_) {
        // Set-point lines across the plot, so the moment shows against the curve.
        QColor line = EventColor(EventGroup::set_point);
        line.setAlpha(170);
        p.setPen(QPen(line, 1));
        for (const EventRow& e : shown_)
            if (analysis::event_group(e.code) == EventGroup::set_point)
                p.drawLine(plot.left, y_of(e.row), x0, y_of(e.row));
        // Bars of the events with an end, in the strip's right half, under the markers.
        const int bar_left = x0 + look_.width / 2;
        for (const EventRow& e : shown_) {
            if (!e.has_end())
                continue;
            QColor fill = EventColor(analysis::event_group(e.code));
            fill.setAlpha(150);
            p.fillRect(QRect(QPoint(bar_left, y_of(e.row)), QPoint(x1, y_of(e.end_row))), fill);
        }
    }
    p.restore();

    // Markers whole also at the plot's top and bottom row.
    p.save();
    p.setClipRect(plot_rect.adjusted(0, -half - 1, 0, half + 1), Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QFontMetricsF fm(look_.count_font, p.device());
    for (const EventMarker& m : markers) {
        const bool lit = std::find(m.events.begin(), m.events.end(), highlight_) != m.events.end();
        if (!visible_ && !lit)
            continue;
        const double y = y_of(m.row) + 0.5;
        const QColor color = EventColor(m.group);
        p.setPen(QPen(lit ? QColor(Qt::black) : color.darker(140), lit ? 2 : 1));
        p.setBrush(color);
        // Pointing at the curve, its tip on the row.
        p.drawPolygon(QPolygonF({QPointF(x0, y), QPointF(x1 + 0.5, y - half - 0.5),
                                 QPointF(x1 + 0.5, y + half + 0.5)}));
        if (m.events.size() < 2)
            continue;
        const QString count = QString::number(m.events.size());
        const double w = fm.horizontalAdvance(count) + 4;
        const QRectF box(x0 - 2 - w, y - fm.height() / 2, w, fm.height());
        p.setPen(QPen(color, 1));
        p.setBrush(Qt::white);
        p.drawRect(box);
        p.setFont(look_.count_font);
        p.setPen(color.darker(130));
        p.drawText(box, Qt::AlignCenter, count);
    }
    p.restore();
}

std::vector<int> ChartEvents::At(const StripChart& chart, const QPointF& pos) const {
    if (!visible_)
        return {};
    const StripChart::Plot& plot = chart.PlotRect();
    const double x0 = std::max(plot.left, plot.right - look_.width);
    // The count box of a crowded marker stands left of the strip.
    if (pos.x() < x0 - 3 * look_.width || pos.x() > plot.right)
        return {};
    const double reach = look_.marker / 2 + 1;
    const EventMarker* best = nullptr;
    double best_distance = reach;
    const std::vector<EventMarker> markers = EventMarkers(shown_);
    for (const EventMarker& m : markers) {
        const double d = std::abs(chart.LeftAxisToY(m.row) + 0.5 - pos.y());
        if (d <= best_distance) {
            best_distance = d;
            best = &m;
        }
    }
    if (best)
        return best->events;
    std::vector<int> bars;
    if (pos.x() >= x0)
        for (const EventRow& e : shown_)
            if (e.has_end() && chart.LeftAxisToY(e.row) <= pos.y() &&
                pos.y() <= chart.LeftAxisToY(e.end_row) + 1)
                bars.push_back(e.index);
    return bars;
}
