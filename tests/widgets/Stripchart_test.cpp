#include <QImage>
#include <QPainter>
#include <QPicture>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "widgets/Stripchart.h"

namespace {

QImage render(StripChart& chart, QSize size = {400, 600}) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    chart.Paint(p, image.rect());
    return image;
}

int count_colour(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

// A chart like the graph tab's: one axis unit of the left axis per pixel row.
void set_up(StripChart& chart, double top) {
    chart.BottomAxis().SetRange(0, 200);
    chart.BottomAxis().minor_grid = true;
    const QImage device(400, 600, QImage::Format_RGB32);
    chart.Layout(device.rect(), &device);
    chart.LeftAxis().SetRange(top, top + chart.PlotRect().Height());
    chart.Series().SetColor(Qt::blue);
}

TEST(StripChart, LeftAxisCountsPixelRowsDownwards) {
    StripChart chart;
    set_up(chart, 1000);
    const auto& plot = chart.PlotRect();
    EXPECT_GT(plot.Height(), 500);
    EXPECT_DOUBLE_EQ(chart.LeftAxisToY(1000), plot.top);
    EXPECT_DOUBLE_EQ(chart.LeftAxisToY(1010), plot.top + 10);
    EXPECT_DOUBLE_EQ(chart.YToLeftAxis(plot.top + 25), 1025);
    EXPECT_DOUBLE_EQ(chart.BottomAxisToX(0), plot.left);
    EXPECT_DOUBLE_EQ(chart.BottomAxisToX(200), plot.right);
}

TEST(StripChart, CurveCrossesThePredictedPixels) {
    StripChart chart;
    set_up(chart, 0);
    // A vertical line at value 100, then a horizontal one at offset 300 from 100 to 150.
    chart.Series().Add(100, 0);
    chart.Series().Add(100, 300);
    chart.Series().Add(150, 300);
    int hook_calls = 0;
    chart.SetAfterDraw([&](QPainter&) { ++hook_calls; });
    const QImage image = render(chart);
    EXPECT_EQ(hook_calls, 1);
    const auto& plot = chart.PlotRect();
    const int x100 = static_cast<int>(std::lround(chart.BottomAxisToX(100)));
    const int x150 = static_cast<int>(std::lround(chart.BottomAxisToX(150)));
    const QRgb blue = qRgb(0, 0, 255);
    EXPECT_EQ(image.pixel(x100, plot.top + 150), blue);
    EXPECT_EQ(image.pixel((x100 + x150) / 2, plot.top + 300), blue);
    EXPECT_NE(image.pixel((x100 + x150) / 2, plot.top + 301), blue);
    EXPECT_NE(image.pixel(x100, plot.top + 320), blue);
    // Nothing of the line outside the plot.
    for (int y = 0; y < plot.top; ++y)
        EXPECT_NE(image.pixel(x100, y), blue);
}

TEST(StripChart, DecimatedDrawingEqualsEverySegment) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 30);
    for (double records_per_row : {0.3, 1.0, 7.0, 300.0}) {
        StripChart chart;
        set_up(chart, 50);
        double value = 100;
        for (int k = 0; k < 200000; ++k) {
            value = std::clamp(value + noise(random), -80.0, 280.0);
            // Offsets are whole pixels, as the graph's are; a few values are missing.
            const double x = k % 9973 == 0 ? std::nan("") : value;
            chart.Series().Add(x, std::floor(k / records_per_row));
            if (k / records_per_row > 800)
                break;
        }
        const QImage decimated = render(chart);
        chart.SetDecimation(false);
        const QImage full = render(chart);
        EXPECT_GT(count_colour(full, qRgb(0, 0, 255)), 500) << records_per_row;
        EXPECT_TRUE(decimated == full) << records_per_row << " records per row";
    }
}

TEST(StripChart, PaintsIntoAPictureWithTheTopAxisAndTitle) {
    StripChart chart;
    chart.TopAxis().visible = true;
    chart.TopAxis().SetRange(0, 200);
    chart.TopAxis().label_font.setPointSize(12);
    chart.BottomAxis().label_font.setPointSize(12);
    const QRect screen_like = chart.Layout(QRect(0, 0, 400, 600), nullptr);
    chart.SetTitle("Вес на крюке, т");
    const QRect with_title = chart.Layout(QRect(0, 0, 400, 600), nullptr);
    EXPECT_GT(with_title.top(), screen_like.top());
    EXPECT_EQ(with_title.bottom(), screen_like.bottom());

    QPicture picture;
    QPainter p(&picture);
    chart.Series().Add(10, 0);
    chart.Series().Add(20, 1);
    chart.Paint(p, QRect(0, 0, 400, 600));
    p.end();
    EXPECT_FALSE(picture.isNull());
}

TEST(StripChart, NearestPointGivesItsLabelOnDemand) {
    StripChart chart;
    set_up(chart, 0);
    int made = 0;
    chart.Series().SetLabelFunction([&](std::size_t k) {
        ++made;
        return QString::number(k);
    });
    for (int k = 0; k < 100; ++k)
        chart.Series().Add(100, k * 5);
    EXPECT_EQ(made, 0);
    const double y = chart.LeftAxisToY(50);
    EXPECT_EQ(chart.PointNear({chart.BottomAxisToX(100) + 1, y + 1}, 4), 10);
    EXPECT_EQ(chart.PointNear({chart.BottomAxisToX(100) + 30, y}, 4), -1);
    EXPECT_EQ(chart.Series().Label(10), "10");
    EXPECT_EQ(chart.Series().Label(100), "");
    EXPECT_EQ(made, 1);
}

} // namespace
