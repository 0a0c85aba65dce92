// The graph tab measuring: the pointer, clicks, Shift+click, a drag and the keys, read back
// from the panel.
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "Graph_records.h"
#include "analysis/Statistics.h"
#include "datafile/Assembling.h"
#include "graph/Graphicsform.h"
#include "library/Mytime.h"
#include "library/Numstr.h"
#include "widgets/Stripchart.h"

namespace {

const std::uint32_t t0 = lib::parts_to_time(2026, 3, 5, 14, 0, 0);

struct MeasureFixture : ::testing::Test {
    MeasureFixture() {
        fill_records(data, t0, 20000, 1); // value i % 200
        form = std::make_unique<TGrForm>(nullptr, settings, data, journal);
        form->resize(900, 600);
        form->show();
        form->LoadOptions();
        form->ReloadData();
        form->cbxScale->setCurrentIndex(0); // 1 min/cm
        form->ScrollBar->setValue(0);
        QApplication::processEvents();
    }
    // The plot's row at offset (pixels from the first record at the top of the scroll range).
    int y_at(int offset) const {
        return form->Chart->Chart().PlotRect().top + offset - form->ScrollBar->value();
    }
    // The record whose offset is nearest row offset at 1 min/cm.
    int record_at(int offset) const {
        return static_cast<int>(std::lround(offset * 60 / PixelsPerCm()));
    }
    double PixelsPerCm() const { return form->PixelsPerCm(); }
    void mouse(QEvent::Type type, int offset, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QPointF at(300, y_at(offset));
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, at, form->Chart->mapToGlobal(at), button, buttons, modifiers);
        QApplication::sendEvent(form->Chart, &e);
    }
    void click(int offset, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        mouse(QEvent::MouseButtonPress, offset, Qt::LeftButton, modifiers);
        mouse(QEvent::MouseButtonRelease, offset, Qt::NoButton, modifiers);
    }
    void key(int code) {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier);
        QApplication::sendEvent(form->Chart, &press);
    }
    std::string panel(const char* key) const { return form->PanelText(key).toStdString(); }

    GrFormOptions settings;
    FileStorage data;
    LogStorage journal;
    std::unique_ptr<TGrForm> form;
};

TEST_F(MeasureFixture, TheReadOutFollowsThePointerAndTheArrowKeysRecordByRecord) {
    mouse(QEvent::MouseMove, 200, Qt::NoButton);
    const int record = form->Measure().Readout();
    EXPECT_NEAR(record, record_at(200), 1);
    // The arrows move it instead of scrolling, also past the plot's bottom.
    form->Chart->setFocus();
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    key(Qt::Key_Up);
    EXPECT_EQ(form->Measure().Readout(), record + 1);
    EXPECT_EQ(form->ScrollBar->value(), 0);
    for (int i = 0; i < 1000; ++i)
        key(Qt::Key_Down);
    EXPECT_EQ(form->Measure().Readout(), record + 1001);
    const int row = static_cast<int>(std::trunc((record + 1001) * PixelsPerCm() / 60 + 0.5));
    EXPECT_GE(row, form->ScrollBar->value());
    EXPECT_LE(row, form->ScrollBar->value() + form->PlotHeight());
    // Page Down still scrolls.
    const int before = form->ScrollBar->value();
    key(Qt::Key_PageDown);
    EXPECT_GT(form->ScrollBar->value(), before);

    // On a narrow chart its text and a marker's stay off the plot's corner date.
    form->Chart->setFixedWidth(280);
    QApplication::processEvents();
    const auto date_pixels = [&] {
        const QImage image = form->Chart->grab().toImage();
        const StripChart::Plot& plot = form->Chart->Chart().PlotRect();
        int count = 0;
        for (int y = plot.top; y < plot.top + 40; ++y)
            for (int x = plot.left; x < plot.left + 120; ++x)
                count += image.pixelColor(x, y) == QColor(0, 0x80, 0);
        return count;
    };
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(form->Chart, &leave);
    ASSERT_LT(form->Measure().Readout(), 0);
    const int alone = date_pixels();
    mouse(QEvent::MouseMove, form->ScrollBar->value() + 100, Qt::NoButton);
    ASSERT_GE(form->Measure().Readout(), 0);
    EXPECT_GT(alone, 0);
    EXPECT_EQ(date_pixels(), alone);
    click(form->ScrollBar->value() + 25); // its text above its line, where the date is
    ASSERT_GE(form->Measure().Marks().a, 0);
    EXPECT_EQ(date_pixels(), alone);
}

TEST_F(MeasureFixture, ClicksSetTheMarkersAndThePanelShowsTheirDifferences) {
    EXPECT_FALSE(form->MeasureBox->isVisible());
    click(50);
    const int a = form->Measure().Marks().a;
    EXPECT_NEAR(a, record_at(50), 1);
    EXPECT_TRUE(form->MeasureBox->isVisible());
    EXPECT_FALSE(form->btnShowInterval->isEnabled());
    // A second click is B.
    click(120);
    const int b = form->Measure().Marks().b;
    EXPECT_NEAR(b, record_at(120), 1);
    EXPECT_EQ(panel("dt"), DurationText(b - a)); // a record a second
    EXPECT_EQ(panel("dvalue"), lib::number_to_text((b % 200) - (a % 200)) + " т");
    EXPECT_EQ(panel("count"), std::to_string(b - a + 1));
    EXPECT_TRUE(form->btnShowInterval->isEnabled());
    // A plain click starts over; Shift+click moves B.
    click(300);
    EXPECT_EQ(form->Measure().Marks().b, -1);
    EXPECT_NEAR(form->Measure().Marks().a, record_at(300), 1);
    click(10, Qt::ShiftModifier);
    EXPECT_NEAR(form->Measure().Marks().b, record_at(10), 1);
    EXPECT_EQ(panel("dt").rfind("−", 0), 0u) << panel("dt"); // B before A
    click(20, Qt::ShiftModifier);
    EXPECT_NEAR(form->Measure().Marks().b, record_at(20), 1);
    // Esc clears them and hides the panel.
    form->Chart->setFocus();
    key(Qt::Key_Escape);
    EXPECT_TRUE(form->Measure().Marks().Empty());
    EXPECT_FALSE(form->MeasureBox->isVisible());
}

TEST_F(MeasureFixture, ADragSelectsAnIntervalWithTheStatisticsOfTheCore) {
    mouse(QEvent::MouseButtonPress, 100, Qt::LeftButton);
    for (int offset = 100; offset <= 400; offset += 30)
        mouse(QEvent::MouseMove, offset, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, 400, Qt::NoButton);
    const ChartMarks& marks = form->Measure().Marks();
    ASSERT_TRUE(marks.HasSelection());
    EXPECT_EQ(marks.a, -1); // a drag sets no marker
    int first = 0, last = 0;
    ASSERT_TRUE(marks.Interval(first, last));
    EXPECT_NEAR(first, record_at(100), 1);
    EXPECT_NEAR(last, record_at(400), 1);
    const analysis::IntervalStats s = analysis::interval_stats(data, 0, t0 + first, t0 + last);
    EXPECT_EQ(panel("count"), std::to_string(s.count));
    EXPECT_EQ(panel("mean"), lib::number_to_text(s.mean) + " т");
    EXPECT_EQ(panel("max"), "199 т   " + TimeText(s.max_time).substr(11));
    std::uint32_t from = 0, to = 0;
    ASSERT_TRUE(form->IntervalTimes(from, to));
    EXPECT_EQ(to - from, static_cast<std::uint32_t>(last - first));

    bool printed = false;
    form->SetOnPrintInterval([&] { printed = true; });
    form->btnPrintInterval->click();
    EXPECT_TRUE(printed);
}

TEST_F(MeasureFixture, ZShowsTheIntervalWholeAtTheFinestScaleThatHoldsIt) {
    // An hour selected at 10 min/cm: 454 px at 5 min/cm, 756 at 3 min/cm.
    form->cbxScale->setCurrentIndex(3);
    const int rows = static_cast<int>(3600 * PixelsPerCm() / 600);
    mouse(QEvent::MouseButtonPress, 20, Qt::LeftButton);
    mouse(QEvent::MouseMove, 20 + rows, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, 20 + rows, Qt::NoButton);
    int first = 0, last = 0;
    ASSERT_TRUE(form->Measure().Marks().Interval(first, last));
    form->Chart->setFocus();
    key(Qt::Key_Z);
    const int scale = form->cbxScale->currentIndex();
    const auto span_at = [&](int index, int& top) {
        GraphPoints g(data);
        g.SetScale(GraphPoints::scale_minutes[index] * 60.0, PixelsPerCm());
        top = g.Points()[first].offset;
        return g.Points()[last].offset - top;
    };
    int top = 0;
    ASSERT_GT(scale, 0);
    EXPECT_LT(span_at(scale, top), form->PlotHeight());
    EXPECT_GE(top, form->ScrollBar->value());
    EXPECT_LE(top + span_at(scale, top), form->ScrollBar->value() + form->PlotHeight());
    EXPECT_GE(span_at(scale - 1, top), form->PlotHeight());
    EXPECT_TRUE(form->Chart->hasFocus()); // the keys stay with the chart
}

} // namespace
