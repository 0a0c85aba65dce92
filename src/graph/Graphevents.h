#pragma once
// The journal's events over the strip chart: a narrow strip inside the plot along its right
// edge with one marker per row of events (their count beside it when there are several), a bar
// from start to end for an event with an end, and a line across the plot at every set-point
// event. The graph tab, vornell-cli render and graph printing all draw them through
// ChartEvents::Draw, a step of its own after the chart and its marks.
#include <QColor>
#include <QFont>
#include <QPointF>
#include <QString>

#include <vector>

#include "analysis/Event_rows.h"

class GraphPoints;
class QPainter;
class StripChart;

// Sizes in the painter's units, which are the chart's pixels.
struct EventStripLook {
    int width = 10;   // of the strip
    int marker = 7;   // height of a marker
    QFont count_font; // of the counts beside crowded markers
};

// The look at a design size (at 120 pixels per inch) scaled to dpi.
EventStripLook EventStripLookAt(int dpi);

QColor EventColor(analysis::EventGroup group);

// One marker: the events that share a row.
struct EventMarker {
    int row = 0;
    analysis::EventGroup group = analysis::EventGroup::other; // the most urgent of them
    std::vector<int> events;                                  // journal positions
};

// The markers of a window's events, one per row, by row.
std::vector<EventMarker> EventMarkers(const std::vector<analysis::EventRow>& events);

// "02.03.2026 8:15:23  Превышение установок (95,3)", a line per event, as the journal grid
// words them; a long list ends with how many more there are.
QString EventsText(const LogStorage& journal, const std::vector<int>& events);

class ChartEvents {
public:
    // Places the journal's events on the points' rows: after every SetScale of the points and
    // every change of the journal.
    void Place(const LogStorage& journal, const FileStorage& data, const GraphPoints& points);
    // The events of the rows from top to bottom are the ones drawn.
    void ShowWindow(int top, int bottom);

    const analysis::EventRows& Placed() const { return placed_; }
    const std::vector<analysis::EventRow>& Shown() const { return shown_; }

    // Hidden events draw nothing, and none is found under the pointer.
    void SetVisible(bool visible) { visible_ = visible; }
    bool Visible() const { return visible_; }
    // The event (journal position) drawn highlighted, whether the strip is visible or not;
    // -1 for none.
    void SetHighlight(int index) { highlight_ = index; }
    int Highlight() const { return highlight_; }
    void SetLook(const EventStripLook& look) { look_ = look; }
    const EventStripLook& Look() const { return look_; }

    // Draws the shown events over the chart's last layout.
    void Draw(QPainter& p, const StripChart& chart) const;
    // The events of the marker at pos, or else of the bars there; empty when there are none.
    std::vector<int> At(const StripChart& chart, const QPointF& pos) const;

private:
    analysis::EventRows placed_;
    std::vector<analysis::EventRow> shown_;
    bool visible_ = true;
    int highlight_ = -1;
    EventStripLook look_;
};
