#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "library/Mytime.h"

#include "Graph_records.h"
#include "datafile/Assembling.h"
#include "graph/Graphchart.h"

namespace {

constexpr double pixels_per_cm = 96 / 2.54;
const QRgb blue = qRgb(0, 0, 255);

// Renders the window at top as the graph tab would, for records 1 s apart from 23:50:00 of
// 31 January 2008 at 1 minute per centimetre.
struct Rendered {
    explicit Rendered(int top, bool marks = true, int height = 500)
        : points(data), image(400, height, QImage::Format_RGB32) {
        fill_records(data, lib::parts_to_time(2008, 1, 31, 23, 50, 0), 3600, 1);
        points.SetScale(60, pixels_per_cm);
        SetUpGraphChart(chart, 96);
        chart.BottomAxis().SetRange(0, 200);
        if (marks)
            DrawMarksAfterChart(chart, points, events);
        chart.Layout(image.rect(), &image);
        ShowGraphWindow(points, events, chart, top, 0, 0xFF0000, pixels_per_cm);
        QPainter p(&image);
        chart.Paint(p, image.rect());
    }
    int row_of(double offset) const { return static_cast<int>(chart.LeftAxisToY(offset)); }
    int column_of(double value) const {
        return static_cast<int>(std::lround(chart.BottomAxisToX(value)));
    }

    FileStorage data;
    GraphPoints points;
    ChartEvents events;
    StripChart chart;
    QImage image;
};

TEST(GraphChart, CurvePassesThroughEveryRecordOfTheWindow) {
    Rendered r(100, false); // no marks over the curve
    const auto& plot = r.chart.PlotRect();
    EXPECT_EQ(r.chart.LeftAxis().minimum, 100);
    EXPECT_EQ(r.chart.LeftAxis().maximum, 100 + plot.Height());
    int checked = 0;
    for (const auto& point : r.points.Points()) {
        const int y = r.row_of(point.offset);
        if (y <= plot.top || y >= plot.bottom)
            continue;
        const float value = r.data.item(point.index)->values[0];
        const int x = r.column_of(value);
        if (r.image.pixel(x, y) != blue)
            ADD_FAILURE() << "record " << point.index << " at " << x << "," << y;
        ++checked;
    }
    EXPECT_GT(checked, 600);
    // Nothing of the curve left of its smallest value or outside the plot.
    for (int y = 0; y < r.image.height(); ++y)
        for (int x = 0; x < r.column_of(0); ++x)
            ASSERT_NE(r.image.pixel(x, y), blue) << x << "," << y;
}

bool greenish(QRgb c) {
    return qGreen(c) > qRed(c) + 40 && qGreen(c) > qBlue(c) + 40;
}

TEST(GraphChart, DateMarkLineAndTextLandWhereTheMarkSays) {
    Rendered r(200);
    const GraphPoints::ScaleValue* date = nullptr;
    for (const auto& m : r.points.Marks())
        if (m.date && m.text == " 1.2.2008 ")
            date = &m;
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(r.data.item(date->index)->time, lib::parts_to_time(2008, 2, 1, 0, 0, 0));
    const auto& plot = r.chart.PlotRect();
    const int y = r.row_of(date->offset);
    ASSERT_GT(y, plot.top);
    ASSERT_LT(y, plot.bottom);
    // A black line across the plot, two pixels wide at y.
    int black = 0;
    for (int x = plot.left; x < plot.right; ++x)
        black += r.image.pixel(x, y) == qRgb(0, 0, 0) || r.image.pixel(x, y - 1) == qRgb(0, 0, 0);
    EXPECT_GT(black, plot.Width() - 5);
    // Green text just below it, ending at the plot's right edge.
    int green_right = 0, green_top = r.image.height(), green = 0;
    for (int yy = y - 10; yy < y + 40; ++yy)
        for (int x = plot.left; x <= plot.right; ++x)
            if (greenish(r.image.pixel(x, yy))) {
                ++green;
                green_right = std::max(green_right, x);
                green_top = std::min(green_top, yy);
            }
    EXPECT_GT(green, 30);
    EXPECT_GT(green_top, y + 2);
    EXPECT_LT(green_top, y + 12);
    EXPECT_GT(green_right, plot.right - 15);
    // The time mark of the next minute: its text at the plot's left, below its line.
    const auto& marks = r.points.Marks();
    const auto time =
        std::find_if(marks.begin(), marks.end(), [](const auto& m) { return m.text == "0:01"; });
    ASSERT_NE(time, marks.end());
    EXPECT_EQ(r.data.item(time->index)->time, lib::parts_to_time(2008, 2, 1, 0, 1, 0));
    const int ty = r.row_of(time->offset);
    int dark = 0;
    for (int yy = ty + 2; yy < ty + 16; ++yy)
        for (int x = plot.left; x < plot.left + 40; ++x)
            dark += qGray(r.image.pixel(x, yy)) < 100;
    EXPECT_GT(dark, 10);
}

TEST(GraphChart, MarksOutsideThePlotAreNotDrawn) {
    // A plot lower than the centimetre between two marks, starting one pixel after 0:00 of
    // 1 February: that date mark is in the centimetre filled above, 0:01 in the one below.
    const int midnight = static_cast<int>(std::trunc(600 * pixels_per_cm / 60 + 0.5));
    Rendered with(midnight + 1, true, 60);
    const int last_shown = midnight + 1 + with.chart.PlotRect().Height();
    ASSERT_GT(with.points.Marks().size(), 1u);
    for (const auto& m : with.points.Marks())
        ASSERT_TRUE(m.offset < midnight + 1 || m.offset > last_shown) << m.text;
    Rendered without(midnight + 1, false, 60);
    // Only the corner's date differs: that of the top row, 1 February.
    const auto& plot = with.chart.PlotRect();
    int green = 0;
    for (int y = 0; y < with.image.height(); ++y)
        for (int x = 0; x < with.image.width(); ++x) {
            const bool corner = x < plot.left + 100 && y < plot.top + 20;
            if (!corner)
                ASSERT_EQ(with.image.pixel(x, y), without.image.pixel(x, y)) << x << "," << y;
            else
                green += greenish(with.image.pixel(x, y));
        }
    EXPECT_GT(green, 30);
}

TEST(GraphChart, TheCornerShowsTheTopRowsDateOverTheCurveAndTheAxisTheUnit) {
    const int midnight = static_cast<int>(std::trunc(600 * pixels_per_cm / 60 + 0.5));
    for (const auto& [top, date] : {std::pair{0, " 31.1.2008 "},
                                    {midnight - 5, " 31.1.2008 "},
                                    {midnight, " 1.2.2008 "},
                                    {midnight + 400, " 1.2.2008 "}}) {
        Rendered r(top);
        QPainter p(&r.image);
        EXPECT_EQ(r.points.TopDateText(StripMarkCanvas(r.chart, p)), date) << top;
    }
    // The date's backing hides the curve: a window whose curve crosses the corner shows none
    // of it there.
    const auto in_corner = [](const Rendered& r, const std::function<bool(QRgb)>& is) {
        const auto& plot = r.chart.PlotRect();
        int n = 0;
        for (int y = plot.top + 3; y < plot.top + 12; ++y)
            for (int x = plot.left + 10; x < plot.left + 60; ++x)
                n += is(r.image.pixel(x, y));
        return n;
    };
    const auto is_blue = [](QRgb c) { return c == blue; };
    int top = midnight + 400;
    while (in_corner(Rendered(top, false), is_blue) < 3 && top < midnight + 600)
        top += 10;
    Rendered r(top);
    ASSERT_GT(in_corner(Rendered(top, false), is_blue), 2);
    EXPECT_EQ(in_corner(r, is_blue), 0);
    EXPECT_GT(in_corner(r, greenish), 20);
    ASSERT_EQ(r.chart.BottomAxis().unit, "т");
    const auto& plot = r.chart.PlotRect();
    // The unit right of every value label: drawn again without it, those columns are empty.
    QImage bare = r.image;
    r.chart.BottomAxis().unit.clear();
    {
        QPainter p(&bare);
        r.chart.Paint(p, bare.rect());
    }
    const auto rightmost_dark = [&](const QImage& image) {
        int right = 0;
        for (int y = plot.bottom + 3; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 100)
                    right = std::max(right, x);
        return right;
    };
    EXPECT_GT(rightmost_dark(r.image), rightmost_dark(bare) + 2);
}

} // namespace

namespace {

TEST(GraphChart, ALoneRecordIsADotOverItsDateLine) {
    FileStorage data;
    add_records(data, {lib::parts_to_time(2008, 1, 31, 12, 0, 0)});
    GraphPoints points(data);
    points.SetScale(60, pixels_per_cm);
    StripChart chart;
    SetUpGraphChart(chart, 96);
    chart.BottomAxis().SetRange(-100, 100);
    ChartEvents events;
    DrawMarksAfterChart(chart, points, events);
    QImage image(400, 300, QImage::Format_RGB32);
    chart.Layout(image.rect(), &image);
    ShowGraphWindow(points, events, chart, 0, 0, 0xFF0000, pixels_per_cm);
    QPainter p(&image);
    chart.Paint(p, image.rect());
    p.end();
    const int x = static_cast<int>(std::lround(chart.BottomAxisToX(0))), top = chart.PlotRect().top;
    int dot = 0;
    for (int y = std::max(0, top - 4); y <= top + 4; ++y)
        for (int xx = x - 4; xx <= x + 4; ++xx)
            dot += image.pixel(xx, y) == blue;
    EXPECT_GE(dot, 15);
    EXPECT_EQ(image.pixel(x, top), blue) << "over the date line";
}

TEST(GraphChart, TheLastTimeMarksTextStaysAboveTheAxisLabels) {
    // The window whose plot ends three rows below the 23:55 mark.
    const int mark = static_cast<int>(std::trunc(300 * pixels_per_cm / 60 + 0.5));
    const int top = mark - Rendered(0).chart.PlotRect().Height() + 3;
    Rendered with(top), without(top, false);
    const auto& plot = with.chart.PlotRect();
    for (int y = plot.bottom + 1; y < with.image.height(); ++y)
        for (int x = 0; x < with.image.width(); ++x)
            ASSERT_EQ(with.image.pixel(x, y), without.image.pixel(x, y)) << x << "," << y;
    int dark = 0; // the text above its line instead
    for (int y = plot.bottom - 20; y < plot.bottom - 3; ++y)
        for (int x = plot.left + 4; x < plot.left + 40; ++x)
            dark += qGray(with.image.pixel(x, y)) < 100 && qGray(without.image.pixel(x, y)) >= 100;
    EXPECT_GT(dark, 10);
}

TEST(GraphChart, ToolTipTextNamesTheRecordsDateTimeAndValue) {
    Rendered r(100, false);
    const int record = r.points.SeriesRecord(5);
    ASSERT_GE(record, 0);
    EXPECT_EQ(r.points.Points()[r.points.FirstPointFrom(100 - pixels_per_cm) + 5].index, record);
    const auto parts = lib::time_to_parts(r.data.item(record)->time);
    const std::string value = std::to_string(record % 200);
    EXPECT_EQ(GraphPointText(r.points, r.data, 0, 5).toStdString(),
              "31.01.2008 23:" + std::to_string(parts.minute) + ":" +
                  (parts.second < 10 ? "0" : "") + std::to_string(parts.second) +
                  "\nВес на крюке: " + value + " т");
    EXPECT_TRUE(GraphPointText(r.points, r.data, 1, 5).isEmpty()); // no such curve
    EXPECT_TRUE(GraphPointText(r.points, r.data, 0, 100000).isEmpty());
}

} // namespace
