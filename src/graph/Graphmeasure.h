#pragma once
// The measuring marks over the strip chart: the read-out line with the record under it at the
// plot's top right, markers A and B as labelled lines across the plot, and a selected interval
// shaded. The graph tab and vornell-cli render draw them through ChartMeasure::Draw, a step of
// its own after the chart, its marks and the events.
#include <QFont>
#include <QRect>

#include "graph/Chartmeasure.h"

class FileStorage;
class GraphPoints;
class QPainter;
class StripChart;

// Sizes in the painter's units, which are the chart's pixels.
struct MeasureLook {
    int line = 1;   // width of the lines
    int pad = 3;    // around a label's text
    int inset = 14; // of the read-out from the plot's right edge, clear of the event strip
    QFont font;
};

// The look at a design size (at 120 pixels per inch) scaled to dpi.
MeasureLook MeasureLookAt(int dpi);

class ChartMeasure {
public:
    ChartMeasure(const FileStorage& data, const GraphPoints& points)
        : data_(data), points_(points) {}

    void SetCurve(int curve) { curve_ = curve; }
    int Curve() const { return curve_; }
    // The record of the read-out line; -1 hides it.
    void SetReadout(int record) { readout_ = record; }
    int Readout() const { return readout_; }
    ChartMarks& Marks() { return marks_; }
    const ChartMarks& Marks() const { return marks_; }
    void SetLook(const MeasureLook& look) { look_ = look; }

    // Draws the selection, the markers and the read-out over the chart's last layout; records
    // off the plot's rows draw nothing. The texts keep clear of keep_clear (the plot's corner
    // date): a marker's goes beside it, the read-out's below it.
    void Draw(QPainter& p, const StripChart& chart, const QRect& keep_clear = QRect()) const;

private:
    const FileStorage& data_;
    const GraphPoints& points_;
    int curve_ = 0;
    int readout_ = -1;
    ChartMarks marks_;
    MeasureLook look_;
};
