#pragma once
// The chart as a measuring instrument, apart from any widget: the record under a row and the
// row of a record, the read-out and marker texts, the real time between two records in words,
// the finest scale that shows an interval whole, and the lines of the measuring panel. The
// graph tab, vornell-cli render and the tests share them.
#include <cstdint>
#include <string>
#include <vector>

class FileStorage;
class GraphPoints;

// Markers A and B and a selected interval, as records of the data model (-1: not set). The
// selection's ends may be in either order.
struct ChartMarks {
    int a = -1, b = -1;
    int select_from = -1, select_to = -1;

    bool HasSelection() const { return select_from >= 0 && select_to >= 0; }
    bool HasPair() const { return a >= 0 && b >= 0; }
    // The interval the panel measures and "Показать интервал" shows: the selection, else the
    // records from A to B; false when there is neither.
    bool Interval(int& first, int& last) const;
    bool Empty() const { return a < 0 && b < 0 && !HasSelection(); }
};

// "1 ч 12 мин 05 с", "12 мин 05 с", "5 с", "2 сут 0 ч 00 мин 10 с"; "−" before a negative one.
std::string DurationText(std::int64_t seconds);

// The record drawn nearest to the pixel offset (the earlier one of two equally near); -1 when
// there are no points.
int RecordAtRow(const GraphPoints& points, double offset);
// The offset of the record's row: of its point or, for a record left out, of the next one
// shown; -1 when there is none.
int RowOfRecord(const GraphPoints& points, int record);
// The shown record step records after (or before, step < 0) record, kept within the points;
// -1 when there are no points.
int StepRecord(const GraphPoints& points, int record, int step);

// The finest of GraphPoints' scales at which the records first..last of the data (record
// order) lie within rows pixel rows at pixels_per_cm, as the graph shortens pauses; the
// coarsest when none does.
int FitScale(const FileStorage& data, int first, int last, int rows, double pixels_per_cm);

// "05.03.2026 14:02:17", a moment as the read-out shows it.
std::string TimeText(std::uint32_t t);
// The record's moment as TimeText words it; empty for no record.
std::string RecordTimeText(const FileStorage& data, int record);
// "125,3 т": the record's value of curve with the parameter's unit; "—" without a value.
std::string RecordValueText(const FileStorage& data, int curve, int record);
// "05.03.2026 14:02:17   125,3 т   № 1235" (the record's number counts from 1).
std::string ReadoutText(const FileStorage& data, int curve, int record);

// One line of the measuring panel: key names it for the tests and the widget ("a", "b", "dt",
// "dvalue", "title", "from", "to", "span", "count", "min", "max", "mean", "std", "paused").
struct PanelLine {
    std::string key;
    std::string label;
    std::string value;
};
// The panel's lines: the markers with Δt and Δvalue when both are set, then the statistics of
// the interval (the selection, else A to B) over the times from its earlier to its later end.
std::vector<PanelLine> MeasurePanel(const FileStorage& data, int curve, const ChartMarks& marks);
