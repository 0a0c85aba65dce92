#pragma once
// Records of the data model as drawable points of the downward-running graph: every record gets
// a pixel offset from the first one at a chosen number of minutes per centimetre, with pauses
// shortened, and a pixel window of them becomes a line series with time, date and pause marks.
// Nothing is kept per record: offsets are worked out from the record times as they are read,
// from a few anchors that SetScale leaves, and the series holds at most four points per pixel
// row (its first, smallest, largest and last value), which draw every pixel the records would.
// No toolkit here: the chart is reached through the two small interfaces below.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/Event_rows.h"
#include "library/Mytime.h"

class FileStorage;

// The line series that FillSeries fills: value across, pixel offset down.
class GraphSeries {
public:
    virtual ~GraphSeries() = default;
    virtual void Clear() = 0;
    virtual void SetColor(std::uint32_t bgr) = 0;
    virtual void Reserve(std::size_t count) = 0;
    virtual void Add(double x, double y) = 0;
};

// What DrawScaleMarks needs of a chart and its canvas. Coordinates are canvas pixels.
class MarkCanvas {
public:
    struct Rect {
        int left = 0, top = 0, right = 0, bottom = 0;
    };
    virtual ~MarkCanvas() = default;
    virtual Rect PlotRect() const = 0;
    // The vertical axis' canvas coordinate of an axis value (a pixel offset).
    virtual double OffsetToY(double offset) const = 0;
    virtual void SetSolidPen(std::uint32_t bgr, int width) = 0;
    virtual void SetDashedPen(std::uint32_t bgr, int width) = 0;
    // Style and colour of the vertical axis' grid pen.
    virtual void SetGridPen(int width) = 0;
    virtual void SetFont(int point_size, std::uint32_t bgr) = 0;
    virtual int AxisLabelFontSize() const = 0;
    virtual void Line(int x1, int y1, int x2, int y2) = 0;
    virtual int TextWidth(const std::string& text) const = 0;
    // Of a line of text in the current font.
    virtual int TextHeight() const = 0;
    // text's top-left corner at (x, y)
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    // A light patch under a text, so that the curve does not run through it.
    virtual void Backing(int x, int y, int width, int height) = 0;
};

class GraphPoints {
public:
    // offset: pixels from the first included record; index: the record's position in the data
    // model. The journal's events are placed on these rows.
    using x_value_t = analysis::RecordRow;

    // Where the points of records come, in record order, each computed when it is read.
    class PointList {
    public:
        class iterator {
        public:
            using iterator_category = std::forward_iterator_tag;
            using value_type = x_value_t;
            using difference_type = std::ptrdiff_t;
            using pointer = void;
            using reference = x_value_t;

            iterator() = default;
            x_value_t operator*() const { return {points_->OffsetOf(elapsed_), record_}; }
            iterator& operator++();
            iterator operator++(int) {
                iterator before = *this;
                ++*this;
                return before;
            }
            bool operator==(const iterator& other) const { return n_ == other.n_; }

        private:
            friend class GraphPoints;
            const GraphPoints* points_ = nullptr;
            int n_ = 0;                  // the point
            std::int32_t record_ = 0;    // its record
            std::uint64_t elapsed_ = 0;  // its shortened seconds from the first point
            std::uint32_t previous_ = 0; // the time of the point before it
        };

        explicit PointList(const GraphPoints& points) : points_(points) {}
        int size() const { return points_.PointCount(); }
        bool empty() const { return size() == 0; }
        iterator begin() const { return points_.At(0); }
        iterator end() const { return points_.End(); }
        // At any point: a walk from the anchor before it, a few hundred steps at most.
        x_value_t operator[](int n) const { return *points_.At(n); }
        x_value_t front() const { return (*this)[0]; }
        x_value_t back() const { return (*this)[size() - 1]; }

    private:
        const GraphPoints& points_;
    };

    struct ScaleValue {
        bool date = false; // a date mark, else a time mark
        int index = 0;     // the record's position
        double offset = 0; // pixels
        std::string text;
    };

    // A pause of more than max_full_gap seconds, drawn short: marked at the record after it.
    struct PauseMark {
        int index = 0;     // the record after the pause
        double offset = 0; // its offset, pixels
        std::uint32_t seconds = 0;
    };

    // Steps between records of 1 to max_full_gap seconds count in full; any other step
    // (a pause, a repeated time, a time running backwards) counts short_gap seconds.
    static constexpr std::uint32_t max_full_gap = 120;
    static constexpr std::uint32_t short_gap = 10;
    static constexpr std::uint32_t date_mark_bgr = 0x008000;
    static constexpr int date_mark_font_size = 12;
    static constexpr std::uint32_t pause_mark_bgr = 0x0070E0; // orange

    // The time scales the graph offers, finest first: minutes of recording per centimetre, and
    // how the scale list names them.
    static constexpr int scale_count = 10;
    static constexpr int default_scale = 4; // "15 мин. на 1 см."
    static const char* const scale_texts[scale_count];
    static const int scale_minutes[scale_count];

    explicit GraphPoints(const FileStorage& data) : data_(data) {}

    // Recomputes every point for seconds_per_cm seconds per pixels_per_cm pixels. The data
    // model must not change until the next SetScale.
    void SetScale(double seconds_per_cm, double pixels_per_cm);
    // Records outside from..to (both inclusive) are left out from the next SetScale on.
    void SetTimeWindow(const lib::time_parts& from, const lib::time_parts& to);
    // Fills series and marks with the points from top to bottom, plus one centimetre beyond
    // each edge so that lines run off the plot: per pixel row the first, the smallest, the
    // largest and the last value, in record order; a value that is no number breaks the line.
    // An invalid curve fills nothing: the chart of a document without that parameter is empty.
    void FillSeries(GraphSeries& series, int top, int bottom, int curve, std::uint32_t bgr,
                    double pixels_per_cm);
    // Draws the marks of the last FillSeries; those outside the plot are skipped, and a text
    // that would run past the plot's edge goes to the other side of its line. Every text has a
    // light backing. The plot's top-left corner shows the date of its top row; a time text
    // there moves to the right of it.
    void DrawScaleMarks(MarkCanvas& canvas) const;

    int PointCount() const { return count_; }
    // Offset of the last point; only meaningful when PointCount is not 0.
    int TotalHeight() const { return total_height_; }
    int MinutesPerCm() const { return minutes_per_cm_; }
    PointList Points() const { return PointList(*this); }
    // What the points keep in memory, in bytes.
    std::size_t MemoryBytes() const { return anchors_.capacity() * sizeof(Anchor); }
    const std::vector<ScaleValue>& Marks() const { return marks_; }
    const std::vector<PauseMark>& Pauses() const { return pauses_; }
    // The date text of the marks in force on the plot's top row: of the last date mark on or
    // above it, or the first one when all lie below. Empty without marks.
    std::string TopDateText(const MarkCanvas& canvas) const;
    // Where DrawScaleMarks puts that date, one pixel inside the plot's top-left corner; an
    // empty rectangle at the corner without one. Leaves the canvas's font set for the date.
    MarkCanvas::Rect TopDateCorner(MarkCanvas& canvas) const;
    const FileStorage& Data() const { return data_; }
    // The record shown by the k-th point of the last filled series, or -1.
    int SeriesRecord(int k) const;
    // The first point whose offset is at least offset (PointCount when there is none).
    int FirstPointFrom(double offset) const;
    // The first point of the record index or of a later one (PointCount when there is none).
    int PointOfRecord(int index) const;

    // " D.M.YYYY " without leading zeros.
    static std::string DateMarkText(const lib::time_parts& parts);
    // "пауза 2 мин 1 с", "пауза 2 ч 15 мин", "пауза 31 сут 0 ч": the two largest units.
    static std::string PauseText(std::uint32_t seconds);
    // The top row of a text text_height high for a mark line at row: below the line, or above
    // it when above is asked for, unless that side runs past the plot and the other does not.
    static int MarkTextTop(int row, int text_height, const MarkCanvas::Rect& plot, bool above);

private:
    // Every anchor_every'th point: where a walk through the points can start.
    static constexpr int anchor_every = 128;
    struct Anchor {
        std::uint64_t elapsed;
        std::int32_t record;
    };

    std::int32_t OffsetOf(std::uint64_t elapsed) const;
    // The smallest elapsed whose offset is past offset.
    std::uint64_t FirstElapsedPast(std::int32_t offset) const;
    bool InWindow(std::uint32_t t) const { return t >= window_start_ && t <= window_end_; }
    // Point n (0 .. PointCount), walked to from its anchor.
    PointList::iterator At(int n) const;
    PointList::iterator End() const;
    // The first point from the anchor before the first one that before() is false for on.
    template <class Before> int FirstPointWhere(Before before) const;

    const FileStorage& data_;
    int minutes_per_cm_ = 0;
    double seconds_per_cm_ = 1;
    double pixels_per_cm_ = 0;
    std::uint32_t window_start_ = 0;
    std::uint32_t window_end_ = lib::no_time;
    int count_ = 0;
    int total_height_ = 0;
    std::vector<Anchor> anchors_;
    std::vector<ScaleValue> marks_;
    std::vector<PauseMark> pauses_;
    std::vector<int> series_records_; // of the points of the last filled series
};
