#pragma once
// The rig activity over the strip chart: every in-slips period shaded across the plot in a
// light colour under the curve, and the block-weight level as a dashed line with its value.
// The graph tab, vornell-cli render and graph printing all draw it through ChartSlips, from the
// chart's under-draw hook.
#include <QFont>

#include <memory>
#include <vector>

#include "analysis/Activity.h"

class GraphPoints;
class QPainter;
class StripChart;

// Sizes in the painter's units, which are the chart's pixels.
struct SlipsLook {
    int line_width = 1; // of the level line and a highlighted period's edges
    QFont font;         // of the level's value
};

// The look at a design size (at 120 pixels per inch) scaled to dpi.
SlipsLook SlipsLookAt(int dpi);

// A period on the chart's rows.
struct SlipsRows {
    int period = 0; // its position in the activity
    int row = 0;
    int end_row = 0;
};

class ChartSlips {
public:
    // What is drawn; none draws nothing. Place it after every change.
    void SetActivity(std::shared_ptr<const analysis::Activity> activity);
    const std::shared_ptr<const analysis::Activity>& Activity() const { return activity_; }
    // Places the periods on the points' rows: after every SetScale of the points and every new
    // activity. A period whose records the points leave out is not placed.
    void Place(const GraphPoints& points);
    // The periods that meet the rows from top to bottom are the ones drawn; the level line only
    // over the curve the activity was found on.
    void ShowWindow(int top, int bottom, int curve);

    const std::vector<SlipsRows>& Placed() const { return placed_; }
    const std::vector<SlipsRows>& Shown() const { return shown_; }
    // The rows of the activity's period k; null when it is not on the chart.
    const SlipsRows* Find(int period) const;
    // The level line is shown.
    bool LevelShown() const { return level_shown_; }

    // Hidden periods and level draw nothing but a highlighted period.
    void SetVisible(bool visible) { visible_ = visible; }
    bool Visible() const { return visible_; }
    // The period drawn highlighted, whether the rest is visible or not; -1 for none.
    void SetHighlight(int period) { highlight_ = period; }
    int Highlight() const { return highlight_; }
    void SetLook(const SlipsLook& look) { look_ = look; }

    // Draws the shown periods and the level over the chart's last layout.
    void Draw(QPainter& p, const StripChart& chart) const;

private:
    std::shared_ptr<const analysis::Activity> activity_;
    std::vector<SlipsRows> placed_; // by row
    std::vector<SlipsRows> shown_;
    bool level_shown_ = false;
    bool visible_ = true;
    int highlight_ = -1;
    SlipsLook look_;
};

// Draws the slips under the chart's curve at every paint.
void DrawSlipsUnderChart(StripChart& chart, const ChartSlips& slips);
