#include "graph/Graphchart.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "datafile/Assembling.h"
#include "library/Binary_io.h"
#include "library/File_error.h"
#include "library/Fileworks.h"
#include "library/Mytime.h"
#include "library/Numstr.h"
#include "widgets/Simplegraphics.h"

int ChartPenWidth(int dpi) {
    return std::max(1, static_cast<int>(std::lround(dpi / 96.0)));
}

QColor TextBackingColor() {
    return QColor(255, 255, 255, 210);
}

void SetUpGraphChart(StripChart& chart, int dpi) {
    chart.SetBackground(Qt::white);
    chart.SetMargins(2, 2, 2, 2);
    ChartAxis& left = chart.LeftAxis();
    left.inverted = true;
    left.labels = false;
    left.tick_length = 5;
    ChartAxis& bottom = chart.BottomAxis();
    bottom.labels = true;
    bottom.minor_grid = true;
    bottom.minor_grid_pen = QPen(color_from_bgr(0xE1E1E1), 0, Qt::DotLine);
    chart.Series().SetPen(QPen(chart.Series().Color(), ChartPenWidth(dpi)));
}

void ShowGraphWindow(GraphPoints& points, ChartEvents& events, StripChart& chart, int top,
                     int curve, std::uint32_t bgr, double pixels_per_cm) {
    const int height = chart.PlotRect().Height();
    StripSeries series(chart.Series());
    points.FillSeries(series, top, top + height, curve, bgr, pixels_per_cm);
    // A chart without a point (no curve, no records there) shows no event either; any point
    // filled carries a date mark.
    events.ShowWindow(top, points.Marks().empty() ? top - 1 : top + height);
    chart.LeftAxis().SetRange(top, top + height);
    const FileStorageParam* param = points.Data().param(curve);
    chart.BottomAxis().unit = param ? QString::fromStdString(param->unit) : QString();
}

void DrawMarksAfterChart(StripChart& chart, const GraphPoints& points, const ChartEvents& events,
                         const ChartMeasure* measure) {
    chart.SetAfterDraw([&chart, &points, &events, measure](QPainter& painter) {
        StripMarkCanvas canvas(chart, painter);
        points.DrawScaleMarks(canvas);
        events.Draw(painter, chart);
        if (measure) {
            const MarkCanvas::Rect corner = points.TopDateCorner(canvas);
            measure->Draw(painter, chart,
                          QRect(QPoint(corner.left, corner.top),
                                QPoint(corner.right - 1, corner.bottom - 1)));
        }
    });
}

QString GraphPointText(const GraphPoints& points, const FileStorage& data, int curve,
                       std::size_t k) {
    const int record = points.SeriesRecord(static_cast<int>(k));
    const FileStorageParam* param = data.param(curve);
    if (record < 0 || record >= data.item_count() || !param)
        return QString();
    const lib::time_parts parts = lib::time_to_parts(data.time(record));
    std::string text = lib::format_short_date(parts) + " " + lib::format_long_time(parts) + "\n" +
                       param->name + ": " + lib::number_to_text(data.value(record, curve));
    if (!param->unit.empty())
        text += " " + param->unit;
    return QString::fromStdString(text);
}

void StripSeries::SetColor(std::uint32_t bgr) {
    series_.SetColor(color_from_bgr(bgr));
}

MarkCanvas::Rect StripMarkCanvas::PlotRect() const {
    const StripChart::Plot& plot = chart_.PlotRect();
    return {plot.left, plot.top, plot.right, plot.bottom};
}

int StripMarkCanvas::PenWidth(int width) const {
    return width * ChartPenWidth(painter_.device() ? painter_.device()->logicalDpiY() : 96);
}

void StripMarkCanvas::SetSolidPen(std::uint32_t bgr, int width) {
    painter_.setPen(QPen(color_from_bgr(bgr), PenWidth(width), Qt::SolidLine, Qt::FlatCap));
}

void StripMarkCanvas::SetDashedPen(std::uint32_t bgr, int width) {
    painter_.setPen(QPen(color_from_bgr(bgr), PenWidth(width), Qt::DashLine, Qt::FlatCap));
}

void StripMarkCanvas::SetGridPen(int width) {
    QPen pen = chart_.LeftAxis().grid_pen;
    pen.setWidth(PenWidth(width));
    painter_.setPen(pen);
}

void StripMarkCanvas::SetFont(int point_size, std::uint32_t bgr) {
    QFont font = chart_.LeftAxis().label_font;
    font.setPointSize(point_size);
    painter_.setFont(font);
    text_color_ = color_from_bgr(bgr);
}

int StripMarkCanvas::AxisLabelFontSize() const {
    const QFont& font = chart_.LeftAxis().label_font;
    if (font.pointSize() > 0)
        return font.pointSize();
    // A font given in pixels, as paper charts have it.
    const int dpi = painter_.device() ? painter_.device()->logicalDpiY() : 96;
    return std::max(1, font.pixelSize() * 72 / dpi);
}

void StripMarkCanvas::Line(int x1, int y1, int x2, int y2) {
    painter_.drawLine(x1, y1, x2, y2);
}

int StripMarkCanvas::TextWidth(const std::string& text) const {
    return QFontMetrics(painter_.font(), painter_.device())
        .horizontalAdvance(QString::fromStdString(text));
}

int StripMarkCanvas::TextHeight() const {
    return QFontMetrics(painter_.font(), painter_.device()).height();
}

void StripMarkCanvas::TextOut(int x, int y, const std::string& text) {
    const QPen line_pen = painter_.pen();
    painter_.setPen(text_color_);
    const QFontMetrics fm(painter_.font(), painter_.device());
    painter_.drawText(x, y + fm.ascent(), QString::fromStdString(text));
    painter_.setPen(line_pen);
}

void StripMarkCanvas::Backing(int x, int y, int width, int height) {
    painter_.fillRect(QRect(x, y, width, height), TextBackingColor());
}

void save_png(const QImage& image, const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        throw lib::io::file_error(lib::io::FileErrorKind::write_failed, "QImage::save: PNG",
                                  "QImage::save: PNG");
    lib::io::replace_files({{path, [&](lib::io::BinaryOutputStream& out) {
                                 out.write(bytes.constData(),
                                           static_cast<std::size_t>(bytes.size()));
                             }}});
}
