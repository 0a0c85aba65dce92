#pragma once
// The strip chart: value across, time (in pixel units) down, one fast line series. One paint
// function draws it into any paint device (the screen, a QImage, a QPicture, a printer);
// StripChartWidget is the thin widget over it.
//
// Use:
//   StripChart chart;
//   chart.BottomAxis().SetRange(0, 200);
//   chart.LeftAxis().SetRange(top, top + h);          // inverted: offsets grow downwards
//   chart.Series().Add(x, y) ...;
//   chart.SetAfterDraw([](QPainter& p) { ... });     // drawn over the finished chart
//   chart.Paint(painter, QRect(0, 0, w, h));
// For paper: TopAxis().visible = true, the label fonts at 12 points, SetTitle(...), a pen of
// width 2, and Layout() tells the room the title and axes take before anything is painted.
#include <QColor>
#include <QFont>
#include <QPen>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QWidget>

#include <cstddef>
#include <functional>
#include <vector>

class QPainter;
class QPaintDevice;

struct ChartAxis {
    // Manual range. The left axis counts pixel offsets; the others show values.
    double minimum = 0;
    double maximum = 1;
    bool inverted = false;
    bool visible = true;
    bool labels = true; // value labels, with ticks and the grid at each label
    int tick_length = 5;
    QColor line_color = QColor(0xC0, 0xC0, 0xC0);
    QPen grid_pen = QPen(QColor(0x80, 0x80, 0x80), 0, Qt::DotLine);
    bool minor_grid = false;
    QPen minor_grid_pen = QPen(QColor(0xE1, 0xE1, 0xE1), 0, Qt::DotLine);
    QFont label_font;
    // Shown after the labels, beyond the plot's right edge: "т".
    QString unit;

    ChartAxis();
    void SetRange(double min, double max) {
        minimum = min;
        maximum = max;
    }
};

// The points of the line, in drawing order. A label is made only when one is asked for.
class LineSeries {
public:
    void Clear() { points_.clear(); }
    void Reserve(std::size_t count) { points_.reserve(count); }
    void Add(double x, double y) { points_.emplace_back(x, y); }
    std::size_t Count() const { return points_.size(); }
    const QPointF& Point(std::size_t k) const { return points_[k]; }
    const std::vector<QPointF>& Points() const { return points_; }

    void SetColor(const QColor& color) { pen_.setColor(color); }
    QColor Color() const { return pen_.color(); }
    // Cosmetic and 1 pixel wide by default: the screen's fast pen.
    void SetPen(const QPen& pen) { pen_ = pen; }
    const QPen& Pen() const { return pen_; }
    // A line that shrinks to one point (a lone record) is a dot of this radius in painter
    // units, drawn over the marks so that it is never hidden under one.
    void SetDotRadius(double radius) { dot_radius_ = radius; }
    double DotRadius() const { return dot_radius_; }

    void SetLabelFunction(std::function<QString(std::size_t k)> label) {
        label_ = std::move(label);
    }
    QString Label(std::size_t k) const { return label_ && k < Count() ? label_(k) : QString(); }

private:
    std::vector<QPointF> points_;
    QPen pen_ = QPen(QColor(Qt::blue), 0);
    double dot_radius_ = 3;
    std::function<QString(std::size_t)> label_;
};

class StripChart {
public:
    StripChart();

    ChartAxis& LeftAxis() { return left_; }
    ChartAxis& BottomAxis() { return bottom_; }
    ChartAxis& TopAxis() { return top_; } // hidden by default
    const ChartAxis& LeftAxis() const { return left_; }
    const ChartAxis& BottomAxis() const { return bottom_; }
    const ChartAxis& TopAxis() const { return top_; }
    LineSeries& Series() { return series_; }
    const LineSeries& Series() const { return series_; }

    // An empty title takes no room.
    void SetTitle(const QString& title) { title_ = title; }
    const QString& Title() const { return title_; }
    QFont& TitleFont() { return title_font_; }
    void SetMargins(int left, int top, int right, int bottom) {
        margins_ = {left, top, right, bottom};
    }
    void SetBackground(const QColor& color) { background_ = color; }
    // Drawing without decimation exists for the test that proves decimation loses nothing.
    void SetDecimation(bool on) { decimate_ = on; }

    // Called with the painter after everything but the dots of lone points, clipped to nothing.
    void SetAfterDraw(std::function<void(QPainter&)> hook) { after_draw_ = std::move(hook); }
    // Called with the painter on the laid-out background, before the grid, the frame and the
    // line: what lies under the curve.
    void SetUnderDraw(std::function<void(QPainter&)> hook) { under_draw_ = std::move(hook); }

    // Computes the plot rectangle for area on device (fonts measured there) and keeps it.
    QRect Layout(const QRect& area, const QPaintDevice* device);
    // Lays out and draws the whole chart.
    void Paint(QPainter& painter, const QRect& area);

    // The plot rectangle of the last layout; its height is bottom - top, so the left axis'
    // range maps onto exactly Height() pixel rows.
    struct Plot {
        int left = 0, top = 0, right = 0, bottom = 0;
        int Width() const { return right - left; }
        int Height() const { return bottom - top; }
    };
    const Plot& PlotRect() const { return plot_; }

    // Axis value <-> device coordinate of the last layout.
    double LeftAxisToY(double value) const;
    double YToLeftAxis(double y) const;
    double BottomAxisToX(double value) const;

    // The series point nearest to pos whose row is within tolerance pixels, or -1.
    int PointNear(const QPointF& pos, double tolerance) const;

private:
    // Label step of a value axis: 1, 2, 2.5 or 5 times a power of ten, so labels do not meet.
    double LabelStep(const ChartAxis& axis, double text_width) const;
    int LabelHeight(const ChartAxis& axis, const QPaintDevice* device) const;
    void DrawValueAxis(QPainter& p, const ChartAxis& axis, bool at_top) const;
    // Draws the line; the points of lines that shrink to one point go into dots.
    void DrawSeries(QPainter& p, std::vector<QPointF>& dots) const;
    void DrawDots(QPainter& p, const std::vector<QPointF>& dots) const;

    ChartAxis left_, bottom_, top_;
    LineSeries series_;
    QString title_;
    QFont title_font_;
    struct {
        int left, top, right, bottom;
    } margins_ = {2, 2, 2, 2};
    QColor background_ = Qt::white;
    bool decimate_ = true;
    std::function<void(QPainter&)> after_draw_;
    std::function<void(QPainter&)> under_draw_;
    Plot plot_;
    double widest_label_ = 0;
    double unit_gap_ = 0; // between the last label's room and the unit
};

// The chart on screen. Shows a series point's label as a tool tip when the pointer is near it.
class StripChartWidget : public QWidget {
public:
    explicit StripChartWidget(QWidget* parent = nullptr);
    StripChart& Chart() { return chart_; }
    const StripChart& Chart() const { return chart_; }
    // The plot rectangle laid out for the current size.
    const StripChart::Plot& PlotRect();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    StripChart chart_;
};
