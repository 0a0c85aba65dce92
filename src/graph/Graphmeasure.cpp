#include "graph/Graphmeasure.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "graph/Graphpoints.h"
#include "widgets/Stripchart.h"

namespace {

const QColor readout_color(0x50, 0x50, 0x50);
const QColor marker_a_color(0xC8, 0x00, 0xA0);
const QColor marker_b_color(0x00, 0x8C, 0xA0);
const QColor selection_fill(0x46, 0x82, 0xDC, 48);
const QColor selection_edge(0x46, 0x82, 0xDC, 170);
const QColor label_back(0xFF, 0xFF, 0xFF, 215);

int scaled(int design, int dpi) {
    return std::max(1, static_cast<int>(std::lround(design * dpi / 120.0)));
}

} // namespace

MeasureLook MeasureLookAt(int dpi) {
    MeasureLook look;
    look.line = scaled(1, dpi);
    look.pad = scaled(3, dpi);
    look.inset = scaled(16, dpi);
    look.font.setPixelSize(scaled(13, dpi));
    return look;
}

void ChartMeasure::Draw(QPainter& p, const StripChart& chart, const QRect& keep_clear) const {
    if (points_.PointCount() == 0)
        return;
    const StripChart::Plot& plot = chart.PlotRect();
    const QRect plot_rect(QPoint(plot.left, plot.top), QPoint(plot.right, plot.bottom));
    // The canvas row of a record; nothing for one that is not drawn.
    const auto y_of = [&](int record, int& y) {
        const int row = RowOfRecord(points_, record);
        if (record < 0 || row < 0)
            return false;
        y = static_cast<int>(std::lround(chart.LeftAxisToY(row)));
        return true;
    };
    const QFontMetrics fm(look_.font, p.device());
    // A text on a white ground, its top-left corner at (x, top).
    const auto label = [&](int x, int top, const QString& text, const QColor& color) {
        const QRect box(x, top, fm.horizontalAdvance(text) + 2 * look_.pad,
                        fm.height() + 2 * look_.pad);
        p.fillRect(box, label_back);
        p.setPen(color);
        p.drawText(box.adjusted(look_.pad, look_.pad, -look_.pad, -look_.pad),
                   Qt::AlignLeft | Qt::AlignVCenter, text);
        return box;
    };
    const int label_height = fm.height() + 2 * look_.pad;

    p.save();
    p.setClipRect(plot_rect, Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setFont(look_.font);

    if (marks_.HasSelection()) {
        int y1 = 0, y2 = 0;
        if (y_of(marks_.select_from, y1) && y_of(marks_.select_to, y2)) {
            const int top = std::min(y1, y2), bottom = std::max(y1, y2);
            p.fillRect(QRect(plot.left, top, plot.right - plot.left, bottom - top + 1),
                       selection_fill);
            p.setPen(QPen(selection_edge, look_.line));
            p.drawLine(plot.left, top, plot.right, top);
            p.drawLine(plot.left, bottom, plot.right, bottom);
        }
    }
    const auto marker = [&](int record, const char* name, const QColor& color) {
        int y = 0;
        if (!y_of(record, y))
            return;
        p.setPen(QPen(color, look_.line));
        p.drawLine(plot.left, y, plot.right, y);
        const QString text =
            QString::fromStdString(std::string(name) + "  " + RecordTimeText(data_, record) +
                                   "   " + RecordValueText(data_, curve_, record));
        // Above its line, or below where the plot's top leaves no room; beside the corner date.
        const int top = y - label_height >= plot.top ? y - label_height : y + 1;
        int x = plot.left + look_.pad;
        if (keep_clear.intersects(
                QRect(x, top, fm.horizontalAdvance(text) + 2 * look_.pad, label_height)))
            x = keep_clear.right() + 1 + look_.pad;
        label(x, top, text, color);
    };
    marker(marks_.a, "A", marker_a_color);
    marker(marks_.b, "B", marker_b_color);

    int y = 0;
    if (y_of(readout_, y)) {
        p.setPen(QPen(readout_color, look_.line));
        p.drawLine(plot.left, y, plot.right, y);
        const QString text = QString::fromStdString(ReadoutText(data_, curve_, readout_));
        const int width = fm.horizontalAdvance(text) + 2 * look_.pad;
        const int x = std::max(plot.left, plot.right - look_.inset - width);
        const bool clear =
            !keep_clear.intersects(QRect(x, plot.top + look_.pad, width, label_height));
        label(x, clear ? plot.top + look_.pad : keep_clear.bottom() + 1 + look_.pad, text,
              Qt::black);
    }
    p.restore();
}
