#pragma once
// GraphPoints on the strip chart: the one set-up and drawing of a graph window that the graph
// tab, the command-line renderer and graph printing share, and the one way a picture of it is
// saved.
#include <QColor>
#include <QString>

#include <cstdint>
#include <string>

#include "graph/Graphevents.h"
#include "graph/Graphmeasure.h"
#include "graph/Graphpoints.h"
#include "widgets/Stripchart.h"

class FileStorage;
class QImage;

// The chart as the graph tab shows it at dpi logical dots per inch: white, an inverted pixel axis
// down the left without labels, value labels along the bottom with a dotted minor grid, a line
// of ChartPenWidth(dpi).
void SetUpGraphChart(StripChart& chart, int dpi);

// Pens of the chart in logical pixels: 1 at 96 dots per inch and wider as the scale grows, so
// that at 200 % a line is two pixels as on paper, never a hairline. Drawn on a device with a
// pixel ratio, the painter scales them further.
int ChartPenWidth(int dpi);

// The light patch under the chart's texts: mostly opaque white.
QColor TextBackingColor();

// Fills the series and the marks with the pixel window that starts at offset top and is as
// high as the chart's plot, shows the events of its rows, and sets the vertical axis to exactly
// that window, one unit per pixel, and the value axis' unit to the curve's. An invalid curve
// leaves the chart empty.
void ShowGraphWindow(GraphPoints& points, ChartEvents& events, StripChart& chart, int top,
                     int curve, std::uint32_t bgr, double pixels_per_cm);

// Draws the points' time and date marks, then the events, then the measuring marks when there
// are any, over every finished paint of the chart.
void DrawMarksAfterChart(StripChart& chart, const GraphPoints& points, const ChartEvents& events,
                         const ChartMeasure* measure = nullptr);

// "05.03.2007 9:05:12" and the value with the parameter's unit, for the series point k of the
// last window; empty when the point has no record.
QString GraphPointText(const GraphPoints& points, const FileStorage& data, int curve,
                       std::size_t k);

// Writes the image as a PNG file through the library's replace of files, so a failed or killed
// save keeps the old picture; raises the file_error of a failure.
void save_png(const QImage& image, const std::string& path);

// The series interface of GraphPoints over a chart's line series.
class StripSeries : public GraphSeries {
public:
    explicit StripSeries(LineSeries& series) : series_(series) {}
    void Clear() override { series_.Clear(); }
    void SetColor(std::uint32_t bgr) override;
    void Reserve(std::size_t count) override { series_.Reserve(count); }
    void Add(double x, double y) override { series_.Add(x, y); }

private:
    LineSeries& series_;
};

// The canvas interface of GraphPoints over a chart being painted.
class StripMarkCanvas : public MarkCanvas {
public:
    StripMarkCanvas(const StripChart& chart, QPainter& painter)
        : chart_(chart), painter_(painter) {}
    Rect PlotRect() const override;
    double OffsetToY(double offset) const override { return chart_.LeftAxisToY(offset); }
    void SetSolidPen(std::uint32_t bgr, int width) override;
    void SetDashedPen(std::uint32_t bgr, int width) override;
    void SetGridPen(int width) override;
    void SetFont(int point_size, std::uint32_t bgr) override;
    int AxisLabelFontSize() const override;
    void Line(int x1, int y1, int x2, int y2) override;
    int TextWidth(const std::string& text) const override;
    int TextHeight() const override;
    void TextOut(int x, int y, const std::string& text) override;
    void Backing(int x, int y, int width, int height) override;

private:
    // A mark's width in pixels of 96 dots per inch, on the painter's device.
    int PenWidth(int width) const;

    const StripChart& chart_;
    QPainter& painter_;
    QColor text_color_;
};
