#include "graph/Graphslips.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "graph/Graphpoints.h"
#include "library/Numstr.h"
#include "widgets/Stripchart.h"

namespace {

constexpr int design_dpi = 120;
const QColor shade(0xDC, 0xF0, 0xD8);
const QColor highlight_shade(0xB4, 0xDC, 0xAA);
const QColor level_color(0x2E, 0x7D, 0x32);

int scaled(int design, int dpi) {
    return std::max(1, static_cast<int>(std::lround(design * dpi / double(design_dpi))));
}

} // namespace

SlipsLook SlipsLookAt(int dpi) {
    SlipsLook look;
    look.line_width = scaled(1, dpi);
    look.font.setPixelSize(scaled(13, dpi));
    look.font.setBold(true);
    return look;
}

void ChartSlips::SetActivity(std::shared_ptr<const analysis::Activity> activity) {
    activity_ = std::move(activity);
    placed_.clear();
    shown_.clear();
    level_shown_ = false;
    highlight_ = -1;
}

void ChartSlips::Place(const GraphPoints& points) {
    placed_.clear();
    shown_.clear();
    if (!activity_ || points.PointCount() == 0)
        return;
    const int count = points.PointCount();
    const std::vector<analysis::SlipsPeriod>& periods = activity_->periods;
    for (std::size_t k = 0; k < periods.size(); ++k) {
        const analysis::SlipsPeriod& p = periods[k];
        const int first = points.PointOfRecord(p.first_index);
        if (first >= count)
            break; // the later periods are beyond the points too
        const GraphPoints::x_value_t start = points.Points()[first];
        if (start.index > p.end_index)
            continue; // none of its records is shown
        const int last = std::min(points.PointOfRecord(p.end_index), count - 1);
        placed_.push_back({static_cast<int>(k), start.offset, points.Points()[last].offset});
    }
}

void ChartSlips::ShowWindow(int top, int bottom, int curve) {
    // Rows grow with the periods, so the window's periods are one run of them.
    const auto from = std::partition_point(placed_.begin(), placed_.end(),
                                           [top](const SlipsRows& r) { return r.end_row < top; });
    const auto to = std::partition_point(from, placed_.end(),
                                         [bottom](const SlipsRows& r) { return r.row <= bottom; });
    shown_.assign(from, to);
    level_shown_ = activity_ && activity_->block_weight && curve == activity_->curve;
}

const SlipsRows* ChartSlips::Find(int period) const {
    const auto it = std::find_if(placed_.begin(), placed_.end(),
                                 [period](const SlipsRows& r) { return r.period == period; });
    return it == placed_.end() ? nullptr : &*it;
}

void ChartSlips::Draw(QPainter& p, const StripChart& chart) const {
    const StripChart::Plot& plot = chart.PlotRect();
    const auto y_of = [&](int row) { return static_cast<int>(chart.LeftAxisToY(row)); };
    p.save();
    p.setClipRect(QRect(QPoint(plot.left, plot.top), QPoint(plot.right, plot.bottom)),
                  Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const SlipsRows& r : shown_) {
        const bool lit = r.period == highlight_;
        if (!visible_ && !lit)
            continue;
        const int y0 = y_of(r.row), y1 = std::max(y_of(r.end_row), y0 + 1);
        p.fillRect(QRect(QPoint(plot.left, y0), QPoint(plot.right, y1)),
                   lit ? highlight_shade : shade);
        if (lit) {
            p.setPen(QPen(level_color, look_.line_width));
            p.drawLine(plot.left, y0, plot.right, y0);
            p.drawLine(plot.left, y1, plot.right, y1);
        }
    }
    const ChartAxis& values = chart.BottomAxis();
    if (visible_ && level_shown_ && values.minimum <= *activity_->block_weight &&
        *activity_->block_weight <= values.maximum) {
        const int x = static_cast<int>(std::lround(chart.BottomAxisToX(*activity_->block_weight)));
        p.setPen(QPen(level_color, look_.line_width, Qt::DashLine, Qt::FlatCap));
        p.drawLine(x, plot.top, x, plot.bottom);
        const QString text =
            QString::fromStdString(lib::number_to_text(*activity_->block_weight, 1) + " т");
        p.setFont(look_.font);
        const QFontMetricsF fm(look_.font, p.device());
        // Right of the line, or left of it near the plot's right edge.
        const double gap = 3 * look_.line_width;
        double left = x + gap;
        if (left + fm.horizontalAdvance(text) > plot.right)
            left = x - gap - fm.horizontalAdvance(text);
        // At the bottom: the plot's top-left corner holds the date of its top row.
        p.drawText(QPointF(left, plot.bottom - gap - fm.descent()), text);
    }
    p.restore();
}

void DrawSlipsUnderChart(StripChart& chart, const ChartSlips& slips) {
    chart.SetUnderDraw([&chart, &slips](QPainter& painter) { slips.Draw(painter, chart); });
}
