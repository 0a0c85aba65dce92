#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Graph_records.h"
#include "analysis/Statistics.h"
#include "graph/Chartmeasure.h"
#include "graph/Graphpoints.h"
#include "library/Mytime.h"
#include "library/Numstr.h"

namespace {

const std::uint32_t t0 = lib::parts_to_time(2026, 3, 5, 14, 2, 17);

TEST(ChartMeasure, DurationsReadAsAClockWithTheLargestUnitsFirst) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "0 с"},
        {5, "5 с"},
        {60, "1 мин 00 с"},
        {65, "1 мин 05 с"},
        {4325, "1 ч 12 мин 05 с"},
        {3600, "1 ч 00 мин 00 с"},
        {86410, "1 сут 0 ч 00 мин 10 с"},
        {31 * 86400 + 3 * 3600 + 61, "31 сут 3 ч 01 мин 01 с"},
        {-4325, "−1 ч 12 мин 05 с"},
        {-4294967295LL, "−49710 сут 6 ч 28 мин 15 с"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(DurationText(seconds), text) << seconds;
}

TEST(ChartMeasure, RowsAndRecordsMapBothWaysAcrossRepeatsPausesAndAWindow) {
    FileStorage data;
    // At 60 s per 60 px one second is one pixel; a repeated time and a pause count 10 px.
    add_records(data, {t0, t0 + 4, t0 + 4, t0 + 8, t0 + 1000, t0 + 1004, t0 + 2000});
    GraphPoints g(data);
    g.SetScale(60, 60);
    // Offsets: 0, 4, 14, 18, 28, 32, 42.
    const std::pair<double, int> at_row[] = {
        {-5, 0}, {0, 0}, {2, 0}, {2.1, 1}, {9, 1}, {9.1, 2}, {17, 3}, {30, 4}, {31, 5}, {500, 6},
    };
    for (const auto& [offset, record] : at_row)
        EXPECT_EQ(RecordAtRow(g, offset), record) << offset;
    EXPECT_EQ(RowOfRecord(g, 2), 14);
    EXPECT_EQ(RowOfRecord(g, 7), -1);
    // Step by step through the records, held at both ends.
    const std::tuple<int, int, int> steps[] = {
        {0, -1, 0}, {0, 1, 1}, {3, 1, 4}, {6, 1, 6}, {6, -2, 4}, {2, -1, 1},
    };
    for (const auto& [record, step, expected] : steps)
        EXPECT_EQ(StepRecord(g, record, step), expected) << record << " " << step;

    // Records outside the window are not on the chart: rows and steps skip them.
    g.SetTimeWindow(lib::time_to_parts(t0 + 4), lib::time_to_parts(t0 + 1004));
    g.SetScale(60, 60);
    EXPECT_EQ(RecordAtRow(g, -100), 1);
    EXPECT_EQ(RowOfRecord(g, 0), 0); // shown as the next record, 1
    EXPECT_EQ(StepRecord(g, 0, 1), 1);
    EXPECT_EQ(StepRecord(g, 6, -1), 5);
    EXPECT_EQ(StepRecord(g, 6, 1), 5);

    const GraphPoints empty(data);
    EXPECT_EQ(RecordAtRow(empty, 0), -1);
    EXPECT_EQ(StepRecord(empty, 0, 1), -1);
}

TEST(ChartMeasure, TheFinestScaleThatHoldsTheIntervalIsChosen) {
    FileStorage data;
    fill_records(data, t0, 4000, 1);
    add_records(data, {t0 + 100000, t0 + 100001}); // after a pause the graph draws 10 s long
    constexpr double ppcm = 96 / 2.54;             // 60 s at scale 0 is 37.8 px
    struct Case {
        int first, last, rows, scale;
    };
    const Case cases[] = {
        {0, 0, 100, 0},      // one record fits anywhere
        {0, 150, 100, 0},    // 94.5 px
        {0, 159, 100, 1},    // 100.2 px at 1 min/cm, 33.4 at 3
        {0, 3999, 500, 3},   // 3999 s: 840 px at 3 min/cm, 504 at 5, 252 at 10
        {0, 3999, 5, 9},     // fits nowhere: the coarsest
        {3990, 4001, 20, 0}, // 9 s + the pause's 10 s + 1 s: 12.6 px
        {100, 899, 504, 0},  // 503.3 px rounds to 503
        {100, 899, 503, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitScale(data, c.first, c.last, c.rows, ppcm), c.scale)
            << c.first << ".." << c.last << " in " << c.rows;
}

// The keys of the panel's lines, in order.
std::vector<std::string> keys(const std::vector<PanelLine>& lines) {
    std::vector<std::string> k;
    for (const PanelLine& line : lines)
        k.push_back(line.key);
    return k;
}

std::string value(const std::vector<PanelLine>& lines, const std::string& key) {
    for (const PanelLine& line : lines)
        if (line.key == key)
            return line.value;
    return "(none)";
}

TEST(ChartMeasure, ThePanelShowsTheMarkersTheirDifferencesAndTheIntervalsStatistics) {
    FileStorage data;
    fill_records(data, t0, 300, 4); // value i % 200
    add_records(data, {t0 + 5000}); // a pause of 3804 s before it, value 0
    ChartMarks marks;
    EXPECT_TRUE(MeasurePanel(data, 0, marks).empty());

    marks.a = 250;
    EXPECT_EQ(keys(MeasurePanel(data, 0, marks)), std::vector<std::string>{"a"});
    EXPECT_EQ(value(MeasurePanel(data, 0, marks), "a"), "05.03.2026 14:18:57   50 т");

    // B before A: the differences are B − A, negative.
    marks.b = 10;
    auto lines = MeasurePanel(data, 0, marks);
    EXPECT_EQ(keys(lines),
              (std::vector<std::string>{"a", "b", "dt", "dvalue", "title", "from", "to", "span",
                                        "count", "min", "max", "mean", "std", "paused"}));
    EXPECT_EQ(value(lines, "dt"), "−16 мин 00 с");
    EXPECT_EQ(value(lines, "dvalue"), "-40 т");
    EXPECT_EQ(value(lines, "from"), "05.03.2026 14:02:57");
    EXPECT_EQ(value(lines, "count"), "241");
    EXPECT_EQ(value(lines, "min"), "0 т   14:15:37");
    EXPECT_EQ(value(lines, "max"), "199 т   14:15:33");

    // A selection wins over the pair for the statistics: the same numbers as the core gives,
    // a pause included in the span and counted apart.
    marks.select_from = 300;
    marks.select_to = 250;
    lines = MeasurePanel(data, 0, marks);
    const analysis::IntervalStats s = analysis::interval_stats(data, 0, t0 + 1000, t0 + 5000);
    EXPECT_EQ(value(lines, "count"), std::to_string(s.count));
    EXPECT_EQ(value(lines, "mean"), lib::number_to_text(s.mean) + " т");
    EXPECT_EQ(value(lines, "std"), lib::number_to_text(s.stddev) + " т");
    EXPECT_EQ(value(lines, "span"), "1 ч 06 мин 40 с");
    EXPECT_EQ(value(lines, "paused"), "1 ч 03 мин 24 с");

    // Another curve than the model has: the markers stand, without values or statistics.
    lines = MeasurePanel(data, 3, marks);
    EXPECT_EQ(value(lines, "dvalue"), "—");
    EXPECT_EQ(value(lines, "count"), "0");
    EXPECT_EQ(value(lines, "mean"), "(none)");
}

} // namespace
