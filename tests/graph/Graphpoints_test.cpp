#include "graph/Graphpoints.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "Graph_records.h"
#include "datafile/Assembling.h"

namespace {

struct RecordedSeries : GraphSeries {
    void Clear() override { points.clear(); }
    void SetColor(std::uint32_t bgr) override { color = bgr; }
    void Reserve(std::size_t) override {}
    void Add(double x, double y) override { points.emplace_back(x, y); }
    std::uint32_t color = 0;
    std::vector<std::pair<double, double>> points;
};

std::vector<int> offsets(const GraphPoints& g) {
    std::vector<int> out;
    for (const auto& p : g.Points())
        out.push_back(p.offset);
    return out;
}

const std::uint32_t t0 = lib::parts_to_time(2007, 3, 5, 9, 0, 0);

TEST(GraphPoints, OneSecondRecordsAtTenMinutesPerCm) {
    FileStorage data;
    fill_records(data, t0, 5000, 1);
    GraphPoints g(data);
    g.SetScale(600, 37.8);
    ASSERT_EQ(g.PointCount(), 5000);
    EXPECT_EQ(g.MinutesPerCm(), 10);
    for (int n = 0; n < 5000; ++n) {
        ASSERT_EQ(g.Points()[n].offset, static_cast<int>(std::trunc(n * 37.8 / 600 + 0.5))) << n;
        ASSERT_EQ(g.Points()[n].index, n);
    }
    EXPECT_EQ(g.TotalHeight(), static_cast<int>(std::trunc(4999 * 37.8 / 600 + 0.5)));
}

TEST(GraphPoints, PausesRepeatsAndBackwardTimesAreShortened) {
    FileStorage data;
    // 120 s counts in full, 121 s counts 10, the same time 10, a step back 10, then 1 s.
    add_records(data, {t0, t0 + 120, t0 + 241, t0 + 241, t0 + 200, t0 + 201});
    GraphPoints g(data);
    g.SetScale(60, 60); // one pixel per second
    EXPECT_EQ(offsets(g), (std::vector<int>{0, 120, 130, 140, 150, 151}));
}

TEST(GraphPoints, EmptyModelHasNoPointsAndFillsAnEmptySeries) {
    FileStorage data;
    data.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
    GraphPoints g(data);
    g.SetScale(600, 37.8);
    EXPECT_EQ(g.PointCount(), 0);
    RecordedSeries series;
    series.points = {{1, 1}};
    g.FillSeries(series, 0, 500, 0, 0xFF0000, 37.8);
    EXPECT_TRUE(series.points.empty());
    EXPECT_TRUE(g.Marks().empty());
    EXPECT_EQ(g.SeriesRecord(0), -1);
}

TEST(GraphPoints, WindowIsInclusiveAndItsFirstPointIsAtZero) {
    FileStorage data;
    fill_records(data, t0, 100, 10);
    GraphPoints g(data);
    // Records 30..60 fall inside; the end is inclusive.
    g.SetTimeWindow(lib::time_to_parts(t0 + 295), lib::time_to_parts(t0 + 600));
    g.SetScale(60, 60);
    ASSERT_EQ(g.PointCount(), 31);
    EXPECT_EQ(g.Points().front().offset, 0);
    EXPECT_EQ(g.Points().front().index, 30);
    EXPECT_EQ(g.Points().back().index, 60);
    EXPECT_EQ(g.TotalHeight(), 300);
}

TEST(GraphPoints, PointsCostAtMostEightBytesPerRecord) {
    FileStorage data;
    fill_records(data, t0, 100000, 1);
    GraphPoints g(data);
    g.SetScale(600, 37.8);
    g.SetScale(60, 37.8);
    EXPECT_LE(g.MemoryBytes(), 8u * 100000);
}

TEST(GraphPoints, FillSeriesTakesOneCentimetreBeyondEachEdge) {
    FileStorage data;
    data.add_param({"a", "a", "", "a", 0, 1});
    data.add_param({"b", "b", "", "b", 0, 1});
    for (int i = 0; i < 1000; ++i) {
        FileStorageItem item;
        item.time = t0 + i;
        item.values = {float(i), float(-i)};
        data.add_item(item);
    }
    GraphPoints g(data);
    g.SetScale(60, 60); // offset == record number
    RecordedSeries series;
    g.FillSeries(series, 300, 400, 1, 0x00FF00, 50);
    ASSERT_EQ(series.points.size(), 201u); // offsets 250..450
    EXPECT_EQ(series.points.front(), std::make_pair(-250.0, 250.0));
    EXPECT_EQ(series.points.back(), std::make_pair(-450.0, 450.0));
    EXPECT_EQ(series.color, 0x00FF00u);
    EXPECT_EQ(g.SeriesRecord(0), 250);
    EXPECT_EQ(g.SeriesRecord(201), -1);

    // An invalid curve leaves nothing of the last fill: a document without it shows nothing.
    for (int curve : {2, -1}) {
        g.FillSeries(series, 300, 400, 1, 0x00FF00, 50);
        ASSERT_FALSE(g.Marks().empty());
        g.FillSeries(series, 300, 400, curve, 0, 50);
        EXPECT_TRUE(series.points.empty()) << curve;
        EXPECT_TRUE(g.Marks().empty()) << curve;
        EXPECT_EQ(g.SeriesRecord(0), -1) << curve;
    }
}

TEST(GraphPoints, MarksFollowTheClockAcrossDayAndMonth) {
    FileStorage data;
    // Every 7 s from 31 January 2008 23:38:30 to 1 February 0:21:50 at 10 min per cm.
    const std::uint32_t start = lib::parts_to_time(2008, 1, 31, 23, 38, 30);
    fill_records(data, start, 372, 7);
    GraphPoints g(data);
    g.SetScale(600, 37.8);
    RecordedSeries series;
    g.FillSeries(series, 0, g.TotalHeight(), 0, 0xFF0000, 37.8);

    std::vector<std::pair<bool, std::string>> seen;
    for (const auto& m : g.Marks()) {
        seen.emplace_back(m.date, m.text);
        const std::uint32_t t = data.item(m.index)->time;
        const std::uint32_t before = m.index > 0 ? data.item(m.index - 1)->time : 0;
        // Each mark is at the first record at or after its whole ten minutes.
        if (!m.date) {
            EXPECT_EQ(t / 600 - 1, before / 600) << m.text;
        }
        EXPECT_EQ(m.offset, g.Points()[m.index].offset);
    }
    const std::vector<std::pair<bool, std::string>> expected = {
        {true, " 31.1.2008 "}, {false, "23:40"}, {false, "23:50"},
        {true, " 1.2.2008 "},  {false, "0:10"},  {false, "0:20"}};
    EXPECT_EQ(seen, expected);
    // The date mark sits on the first record of the new day.
    const auto& day_mark = g.Marks()[3];
    EXPECT_EQ(lib::time_to_parts(data.item(day_mark.index)->time).day, 1);
    EXPECT_EQ(lib::time_to_parts(data.item(day_mark.index - 1)->time).day, 31);
}

TEST(GraphPoints, PausesOverTwoMinutesAreMarkedWithTheirRealLengthAndStillCountTenSeconds) {
    const struct {
        std::int64_t step; // from the second record to the third
        const char* text;  // of the pause mark; none without
    } cases[] = {{120, nullptr},
                 {121, "пауза 2 мин 1 с"},
                 {3599, "пауза 59 мин 59 с"},
                 {8100, "пауза 2 ч 15 мин"},
                 {86399, "пауза 23 ч 59 мин"},
                 {31 * 86400 + 1800, "пауза 31 сут 0 ч"},
                 {0, nullptr},
                 {-400, nullptr}};
    for (const auto& c : cases) {
        FileStorage data;
        const std::uint32_t third = static_cast<std::uint32_t>(t0 + 1000 + c.step);
        add_records(data, {t0 + 990, t0 + 1000, third, third + 5});
        GraphPoints g(data);
        g.SetScale(60, 60); // one pixel per second
        RecordedSeries series;
        g.FillSeries(series, 0, 1000, 0, 0, 60);
        ASSERT_EQ(g.Pauses().size(), c.text ? 1u : 0u) << c.step;
        if (c.text) {
            const GraphPoints::PauseMark& pause = g.Pauses()[0];
            EXPECT_EQ(pause.index, 2);
            EXPECT_EQ(pause.offset, 20); // counted as 10 s
            EXPECT_EQ(pause.seconds, c.step);
            EXPECT_EQ(GraphPoints::PauseText(pause.seconds), c.text);
        }
    }

    // A window whose reach begins at the record after a pause still marks it.
    FileStorage data;
    fill_records(data, t0, 200, 1);
    fill_records(data, t0 + 1199, 200, 1); // 1000 s after the last record
    GraphPoints g(data);
    g.SetScale(60, 60);
    RecordedSeries series;
    g.FillSeries(series, 209 + 60, 400, 0, 0, 60);
    ASSERT_EQ(g.Pauses().size(), 1u);
    EXPECT_EQ(g.Pauses()[0].index, 200);
    g.FillSeries(series, 209 + 61, 400, 0, 0, 60);
    EXPECT_TRUE(g.Pauses().empty());
}

TEST(GraphPoints, EveryChangeOfCalendarDateGetsADateMark) {
    const std::uint32_t first = lib::parts_to_time(2007, 5, 3, 10, 30, 0);
    const std::pair<std::uint32_t, const char*> cases[] = {
        {lib::parts_to_time(2007, 6, 3, 10, 30, 0), " 3.6.2007 "},
        {lib::parts_to_time(2008, 5, 3, 10, 30, 0), " 3.5.2008 "},
        {lib::parts_to_time(2007, 5, 4, 10, 30, 0), " 4.5.2007 "},
        {lib::parts_to_time(2007, 5, 4, 0, 0, 0), " 4.5.2007 "},
        {lib::parts_to_time(2007, 5, 3, 23, 59, 59), ""},
        {lib::parts_to_time(2007, 4, 3, 10, 30, 0), " 3.4.2007 "},
        {first, ""}};
    for (const auto& [second, date] : cases) {
        FileStorage data;
        add_records(data, {first, second});
        GraphPoints g(data);
        g.SetScale(600, 37.8);
        RecordedSeries series;
        g.FillSeries(series, 0, 100, 0, 0, 37.8);
        std::string dates; // of the second record
        for (const auto& m : g.Marks())
            dates += m.date && m.index == 1 ? m.text : "";
        EXPECT_EQ(dates, date) << lib::time_to_text(second);
    }
}

TEST(GraphPoints, FirstFilledPointAlwaysCarriesADate) {
    FileStorage data;
    fill_records(data, 100, 10, 1); // day 0 of January 1970
    GraphPoints g(data);
    g.SetScale(20, 37.8); // rounds to 0 minutes per centimetre
    RecordedSeries series;
    g.FillSeries(series, 0, 100, 0, 0, 37.8);
    ASSERT_FALSE(g.Marks().empty());
    EXPECT_TRUE(g.Marks()[0].date);
    EXPECT_EQ(g.Marks()[0].text, " 0.1.1970 ");
}

struct RecordedCanvas : MarkCanvas {
    Rect PlotRect() const override { return {10, 20, 210, 120}; }
    double OffsetToY(double offset) const override { return 20 + offset - shift; }
    void SetSolidPen(std::uint32_t bgr, int width) override {
        pen = "solid " + std::to_string(bgr) + " " + std::to_string(width);
    }
    void SetDashedPen(std::uint32_t bgr, int width) override {
        pen = "dashed " + std::to_string(bgr) + " " + std::to_string(width);
    }
    void SetGridPen(int width) override { pen = "grid " + std::to_string(width); }
    void SetFont(int size, std::uint32_t bgr) override {
        font = std::to_string(size) + " " + std::to_string(bgr);
    }
    int AxisLabelFontSize() const override { return 8; }
    void Line(int x1, int y1, int x2, int y2) override {
        log.push_back(pen + " line " + std::to_string(x1) + "," + std::to_string(y1) + "-" +
                      std::to_string(x2) + "," + std::to_string(y2));
    }
    int TextWidth(const std::string& text) const override { return static_cast<int>(text.size()); }
    int TextHeight() const override { return 10; }
    void TextOut(int x, int y, const std::string& text) override {
        log.push_back(font + " text " + std::to_string(x) + "," + std::to_string(y) + " [" + text +
                      "]");
    }
    void Backing(int x, int y, int width, int height) override {
        log.push_back("back " + std::to_string(x) + "," + std::to_string(y) + " " +
                      std::to_string(width) + "x" + std::to_string(height));
    }
    double shift = 0;
    std::string pen, font;
    std::vector<std::string> log;
};

TEST(GraphPoints, DrawScaleMarksStylesAndSkipsMarksOutsideThePlot) {
    FileStorage data;
    const std::uint32_t start = lib::parts_to_time(2008, 1, 31, 23, 58, 0);
    fill_records(data, start, 300, 1); // 23:58:00 .. 0:02:59
    GraphPoints g(data);
    g.SetScale(60, 60); // one pixel per second, a time mark every minute
    RecordedSeries series;
    g.FillSeries(series, 0, 299, 0, 0, 60);
    ASSERT_EQ(g.Marks().size(), 5u); // date, 23:59, date, 0:01, 0:02

    RecordedCanvas canvas;
    canvas.shift = 50; // plot shows offsets 50..150
    g.DrawScaleMarks(canvas);
    // Each text on its backing; the top row's date in the corner last.
    const std::vector<std::string> expected = {
        "grid 1 line 10,30-210,30", "back 10,32 7x10",
        "8 0 text 10,32 [ 23:59 ]", "solid 0 2 line 10,90-210,90",
        "back 198,92 12x10",        "12 32768 text 198,92 [  1.2.2008  ]",
        "back 11,21 13x10",         "12 32768 text 11,21 [  31.1.2008  ]"};
    EXPECT_EQ(canvas.log, expected);

    // A time text that would lie under the corner's date goes beside it.
    RecordedCanvas higher;
    higher.shift = 55;
    g.DrawScaleMarks(higher);
    EXPECT_EQ(higher.log.at(2), "8 0 text 25,27 [ 23:59 ]");
    EXPECT_EQ(higher.log.back(), "12 32768 text 11,21 [  31.1.2008  ]");
}

TEST(GraphPoints, MarkTextsStayInsideThePlotOnTheSideTheirLineLeaves) {
    const MarkCanvas::Rect plot{10, 20, 210, 120};
    const struct {
        int row;
        bool above; // asked for
        int top;    // of the text, 10 high
    } cases[] = {{50, false, 52}, {108, false, 110}, {109, false, 97},
                 {50, true, 38},  {32, true, 20},    {31, true, 33}};
    for (const auto& c : cases)
        EXPECT_EQ(GraphPoints::MarkTextTop(c.row, 10, plot, c.above), c.top)
            << c.row << (c.above ? " above" : " below");
    // Neither side fits a plot lower than the text: the asked side wins.
    EXPECT_EQ(GraphPoints::MarkTextTop(25, 10, {10, 20, 210, 30}, false), 27);
    EXPECT_EQ(GraphPoints::MarkTextTop(25, 10, {10, 20, 210, 30}, true), 13);

    // A pause on the plot's last row: its text above, the time mark's moved up too.
    FileStorage data;
    fill_records(data, lib::parts_to_time(2008, 1, 31, 10, 58, 0), 50, 1);
    fill_records(data, lib::parts_to_time(2008, 1, 31, 12, 0, 0), 60, 1);
    GraphPoints g(data);
    g.SetScale(60, 60);
    RecordedSeries series;
    g.FillSeries(series, 0, 299, 0, 0, 60);
    RecordedCanvas canvas;
    canvas.shift = -41; // plot shows offsets -41..59: the pause record at 59 is on its last row
    g.DrawScaleMarks(canvas);
    const std::vector<std::string> expected = {"solid 0 2 line 10,61-210,61",
                                               "back 197,63 13x10",
                                               "12 32768 text 197,63 [  31.1.2008  ]",
                                               "grid 1 line 10,120-210,120",
                                               "back 10,108 7x10",
                                               "8 0 text 10,108 [ 12:00 ]",
                                               "dashed 28896 2 line 10,120-210,120",
                                               "back 97,108 26x10",
                                               "8 28896 text 97,108 [ пауза 1 ч 1 мин ]",
                                               "back 11,21 13x10",
                                               "12 32768 text 11,21 [  31.1.2008  ]"};
    EXPECT_EQ(canvas.log, expected);
}

// What a fill must give, worked out point by point from the point list: per pixel row the
// first, smallest, largest and last value in record order, one break per run of values that
// are no number, a date mark at the first point and at each new day, a time mark at each new
// span of the scale's minutes, and a pause mark after a step of over max_full_gap seconds.
struct ExpectedFill {
    std::vector<std::pair<double, double>> points;
    std::vector<int> records;
    std::vector<std::tuple<bool, int, double>> marks;
    std::vector<std::tuple<int, double, std::uint32_t>> pauses;
};

ExpectedFill fill_point_by_point(const GraphPoints& g, double upper, double lower) {
    ExpectedFill out;
    const auto add = [&](float x, int row, int record) {
        out.points.emplace_back(x, row);
        out.records.push_back(record);
    };
    struct Taken {
        float x;
        int record;
    };
    std::vector<Taken> row_points;
    int row = 0;
    const auto end_row = [&] {
        if (row_points.empty())
            return;
        const auto [low, high] =
            std::minmax_element(row_points.begin(), row_points.end(),
                                [](const Taken& a, const Taken& b) { return a.x < b.x; });
        // minmax_element gives the last largest; the first is wanted.
        const auto first_high = std::find_if(row_points.begin(), row_points.end(),
                                             [&](const Taken& p) { return p.x == high->x; });
        std::vector<Taken> kept{row_points.front()};
        for (const Taken* p :
             low < first_high ? std::vector{&*low, &*first_high} : std::vector{&*first_high, &*low})
            if (p->record != kept[0].record && p->record != row_points.back().record)
                kept.push_back(*p);
        if (row_points.back().record != kept[0].record)
            kept.push_back(row_points.back());
        for (const Taken& p : kept)
            add(p.x, row, p.record);
        row_points.clear();
    };
    const std::uint32_t m = std::max(g.MinutesPerCm(), 1);
    std::uint32_t previous_time = 0, previous_day = 0, previous_span = 0;
    bool started = false, broken = false, had_before = false;
    for (const auto& p : g.Points()) {
        const std::uint32_t t = g.Data().time(p.index);
        if (p.offset < upper) {
            previous_time = t;
            had_before = true;
            continue;
        }
        if (p.offset > lower)
            break;
        const std::uint32_t day = t / 86400, span = t / 60 / m;
        if (!started || day != previous_day)
            out.marks.emplace_back(true, p.index, p.offset);
        else if (span != previous_span)
            out.marks.emplace_back(false, p.index, p.offset);
        if ((started || had_before) && t > previous_time &&
            t - previous_time > GraphPoints::max_full_gap)
            out.pauses.emplace_back(p.index, p.offset, t - previous_time);
        started = true;
        previous_day = day;
        previous_span = span;
        previous_time = t;
        const float x = g.Data().value(p.index, 0);
        if (!std::isfinite(x)) {
            end_row();
            if (!broken)
                add(x, p.offset, p.index);
            broken = true;
            continue;
        }
        broken = false;
        if (!row_points.empty() && p.offset != row)
            end_row();
        row = p.offset;
        row_points.push_back({x, p.index});
    }
    end_row();
    return out;
}

TEST(GraphPoints, FillSeriesGivesWhatTakingEveryPointInTurnGives) {
    // Mostly one-second steps, with repeated, backward and paused times, days changing, and
    // runs of values that are no number; the values wander and repeat.
    FileStorage data;
    add_hook_load(data);
    std::uint32_t t = lib::parts_to_time(2007, 3, 5, 22, 50, 0), seed = 7;
    float x = 100;
    for (int i = 0; i < 60000; ++i) {
        seed = seed * 1103515245 + 12345;
        const std::uint32_t roll = seed >> 16 & 1023;
        t += roll < 3    ? 0
             : roll < 5  ? -30
             : roll < 7  ? 500
             : roll < 8  ? 90000
             : roll < 10 ? 120 + roll % 2
             : roll < 40 ? 5
                         : 1;
        x = roll % 97 == 0 ? x : x + static_cast<float>(static_cast<int>(roll % 9) - 4) * 0.5f;
        const float value = roll >= 1000 ? NAN : roll == 999 ? INFINITY : x;
        data.set_value(data.append_record(t), 0, value);
    }
    struct Case {
        double seconds_per_cm;
        int top, bottom;
        bool window;
    };
    for (const Case& c :
         {Case{60, 0, 700, false}, Case{600, 150, 900, false}, Case{3600, 40, 400, false},
          Case{21600, 0, 2000, false}, Case{600, 0, 600, true}, Case{3600, 10, 300, true}}) {
        GraphPoints g(data);
        if (c.window)
            g.SetTimeWindow(lib::time_to_parts(data.time(5000)),
                            lib::time_to_parts(data.time(40000)));
        g.SetScale(c.seconds_per_cm, 37.8);
        RecordedSeries series;
        g.FillSeries(series, c.top, c.bottom, 0, 0, 37.8);
        const ExpectedFill want = fill_point_by_point(g, c.top - 37.8, c.bottom + 37.8);
        SCOPED_TRACE(testing::Message() << c.seconds_per_cm << " s/cm from " << c.top);
        ASSERT_GT(want.points.size(), 100u);
        ASSERT_EQ(series.points.size(), want.points.size());
        for (std::size_t k = 0; k < want.points.size(); ++k) {
            ASSERT_EQ(g.SeriesRecord(static_cast<int>(k)), want.records[k]) << k;
            ASSERT_EQ(series.points[k].second, want.points[k].second) << k;
            if (std::isnan(want.points[k].first))
                ASSERT_TRUE(std::isnan(series.points[k].first)) << k;
            else
                ASSERT_EQ(series.points[k].first, want.points[k].first) << k;
        }
        std::vector<std::tuple<bool, int, double>> marks;
        for (const auto& mark : g.Marks())
            marks.emplace_back(mark.date, mark.index, mark.offset);
        EXPECT_EQ(marks, want.marks);
        std::vector<std::tuple<int, double, std::uint32_t>> pauses;
        for (const auto& pause : g.Pauses())
            pauses.emplace_back(pause.index, pause.offset, pause.seconds);
        EXPECT_EQ(pauses, want.pauses);
    }
}

} // namespace
