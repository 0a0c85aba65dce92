#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

#include "Graph_records.h"
#include "datafile/Assembling.h"
#include "graph/Graphicsform.h"
#include "widgets/Colorpicker.h"
#include "widgets/Stripchart.h"

namespace {

const std::uint32_t t0 = lib::parts_to_time(2008, 1, 31, 12, 0, 0);

struct FormFixture : ::testing::Test {
    std::unique_ptr<TGrForm> make_form() {
        auto form = std::make_unique<TGrForm>(nullptr, settings, data, journal);
        form->resize(800, 600);
        form->show();
        form->LoadOptions();
        return form;
    }
    void wheel(TGrForm& form, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
               QPointF at = {200, 200}) {
        // Over the chart; a wheel event sent by hand is not passed on to the parent.
        const QPointF pos = form.Chart->mapTo(&form, at);
        QWheelEvent event(pos, form.mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&form, &event);
    }
    void type(QLineEdit* edit, const QString& text) {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(edit, &press);
        }
    }

    GrFormOptions settings;
    FileStorage data;
    LogStorage journal;
};

TEST_F(FormFixture, MissingSettingsGiveTenMinutesTheDefaultRangeAndBlue) {
    auto form = make_form();
    EXPECT_EQ(form->edLeft->text(), "0");
    EXPECT_EQ(form->edRight->text(), "200");
    EXPECT_EQ(form->cbxScale->currentText(), "10 мин. на 1 см.");
    EXPECT_EQ(form->MinutesPerCm(), 10);
    EXPECT_EQ(form->CurveColor(), 16711680u);
    EXPECT_EQ(form->Chart->Chart().BottomAxis().maximum, 200);
    // No data yet: the lists are disabled and there is nothing to scroll.
    form->ReloadData();
    EXPECT_FALSE(form->cbxScale->isEnabled());
    EXPECT_FALSE(form->ScrollBar->isEnabled());
    EXPECT_EQ(form->CurveIndex(), -1);
}

TEST_F(FormFixture, ScaleOutsideTheListGivesFifteenMinutesAfterTheFirstLoad) {
    settings.scale = 12;
    auto form = make_form();
    EXPECT_EQ(form->cbxScale->currentIndex(), -1);
    fill_records(data, t0, 100, 1);
    form->ReloadData();
    EXPECT_EQ(form->cbxScale->currentText(), "15 мин. на 1 см.");
    EXPECT_TRUE(form->cbxScale->isEnabled());
    EXPECT_EQ(form->cbxName->currentText(), "Вес на крюке");
}

TEST_F(FormFixture, WheelNotchMovesElevenPixelsAtNinetySixDpi) {
    fill_records(data, t0, 86400, 1); // a day: far taller than the plot
    auto form = make_form();
    ASSERT_EQ(form->logicalDpiY(), 96) << "the offscreen screen is expected at 96 DPI";
    form->ReloadData();
    ASSERT_TRUE(form->ScrollBar->isEnabled());
    EXPECT_EQ(form->ScrollBar->singleStep(), 9);
    EXPECT_EQ(form->ScrollBar->pageStep(), form->PlotHeight());
    wheel(*form, -120); // towards the user: later in time
    EXPECT_EQ(form->ScrollBar->value(), 11);
    wheel(*form, -240);
    EXPECT_EQ(form->ScrollBar->value(), 33);
    wheel(*form, 60); // half a notch: 60 * 9 / 96 = 5
    EXPECT_EQ(form->ScrollBar->value(), 28);
    // The window follows the scroll bar, one axis unit per pixel.
    EXPECT_EQ(form->Chart->Chart().LeftAxis().minimum, 28);
    EXPECT_EQ(form->Chart->Chart().LeftAxis().maximum, 28 + form->PlotHeight());

    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QApplication::sendEvent(form->Chart, &end);
    EXPECT_EQ(form->ScrollBar->value(), form->ScrollBar->maximum());
    QKeyEvent page_up(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier);
    QApplication::sendEvent(form->Chart, &page_up);
    EXPECT_EQ(form->ScrollBar->value(), form->ScrollBar->maximum() - form->PlotHeight());
}

TEST_F(FormFixture, ShortRecordingDisablesTheScrollBar) {
    fill_records(data, t0, 600, 1); // ten minutes: one centimetre
    auto form = make_form();
    form->ReloadData();
    EXPECT_FALSE(form->ScrollBar->isEnabled());
    EXPECT_EQ(form->ScrollBar->value(), 0);
}

TEST_F(FormFixture, ChangingTheScaleKeepsThePixelPositionWithinTheNewRange) {
    fill_records(data, t0, 6 * 3600, 1);
    auto form = make_form();
    form->ReloadData();
    form->ScrollBar->setValue(500);
    form->cbxScale->setCurrentIndex(1); // 3 minutes: taller
    EXPECT_EQ(form->ScrollBar->value(), 500);
    form->cbxScale->setCurrentIndex(6); // 30 minutes: 6 h are 12 cm, about 450 pixels
    EXPECT_EQ(form->ScrollBar->value(), form->ScrollBar->maximum());
    EXPECT_LT(form->ScrollBar->value(), 500);
}

TEST_F(FormFixture, CtrlWheelStepsTheScaleAndKeepsTheRecordUnderThePointer) {
    fill_records(data, t0, 86400, 1);
    auto form = make_form();
    form->ReloadData();
    form->ScrollBar->setValue(3000);
    const auto& chart = form->Chart->Chart();
    const double y = chart.PlotRect().top + 100;
    auto record_at = [&](double row) {
        const double offset = chart.YToLeftAxis(row);
        return data.item(0)->time +
               static_cast<std::uint32_t>(offset * form->MinutesPerCm() * 60 / form->PixelsPerCm());
    };
    const std::uint32_t before = record_at(y);
    wheel(*form, 120, Qt::ControlModifier, QPointF(100, y));
    EXPECT_EQ(form->MinutesPerCm(), 5);
    EXPECT_NEAR(double(record_at(y)), double(before), 5 * 60 / form->PixelsPerCm() + 1);
    wheel(*form, -120, Qt::ControlModifier, QPointF(100, y));
    wheel(*form, -120, Qt::ControlModifier, QPointF(100, y));
    EXPECT_EQ(form->MinutesPerCm(), 15);
    EXPECT_NEAR(double(record_at(y)), double(before), 15 * 60 / form->PixelsPerCm() + 1);
}

TEST_F(FormFixture, TypingInARangeEditRescalesTheAxisAndAReversedRangeKeepsTheLast) {
    auto form = make_form();
    const ChartAxis& axis = form->Chart->Chart().BottomAxis();
    form->edRight->setFocus();
    type(form->edRight, "0");
    EXPECT_EQ(axis.maximum, 2000);
    form->edLeft->clear();
    type(form->edLeft, "12,5");
    EXPECT_EQ(axis.minimum, 12.5);
    type(form->edLeft, "0000");
    EXPECT_EQ(axis.minimum, 12.5); // 125000 is not below 2000
    EXPECT_EQ(axis.maximum, 2000);
}

TEST_F(FormFixture, AReversedRangeIsMarkedNeitherDrawnNorSavedAndEnterGoesBackToTheChart) {
    settings.left = 150;
    settings.right = 140; // as a settings file written before could hold it
    auto form = make_form();
    const ChartAxis& axis = form->Chart->Chart().BottomAxis();
    EXPECT_EQ(form->edLeft->text(), "0");
    EXPECT_EQ(axis.maximum, 200);
    EXPECT_FALSE(form->RangeIsWrong());

    form->edLeft->selectAll();
    type(form->edLeft, "150");
    form->edRight->setFocus();
    form->edRight->selectAll();
    type(form->edRight, "140");
    EXPECT_TRUE(form->RangeIsWrong());
    EXPECT_NE(form->edRight->palette().color(QPalette::Base),
              form->palette().color(QPalette::Base));
    EXPECT_EQ(axis.minimum, 150);
    EXPECT_EQ(axis.maximum, 200);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(form->edRight, &enter);
    EXPECT_EQ(form->focusWidget(), form->edRight) << "a wrong range is still to be mended";
    form->SaveOptions();
    EXPECT_EQ(settings.left, 150);
    EXPECT_EQ(settings.right, 200);
    form->edLeft->clear(); // an empty box is no range either
    EXPECT_TRUE(form->RangeIsWrong());
    EXPECT_EQ(form->Options().left, 150);

    type(form->edLeft, "12");
    type(form->edRight, "0");
    EXPECT_FALSE(form->RangeIsWrong());
    EXPECT_EQ(axis.maximum, 1400);
    QApplication::sendEvent(form->edRight, &enter);
    EXPECT_EQ(form->focusWidget(), form->Chart);
    EXPECT_EQ(form->edRight->palette().color(QPalette::Base),
              form->palette().color(QPalette::Base));
}

TEST_F(FormFixture, AnEmptiedDocumentShowsAnEmptyChart) {
    const QImage empty = make_form()->GraphImage();
    fill_records(data, t0, 3600, 1);
    auto form = make_form();
    form->ReloadData();
    ASSERT_FALSE(form->GraphImage() == empty);
    data.clear(); // as a failed read leaves it: no parameter, no record
    form->ReloadData();
    EXPECT_TRUE(form->GraphImage() == empty);
}

TEST_F(FormFixture, OptionsSavedAtShutDownAreSelectedAtTheNextStart) {
    {
        auto form = make_form();
        form->cbxScale->setCurrentIndex(7);
        form->edLeft->setText("-10,5");
        form->edRight->setText("abc");
        form->clrsCurve->SetColor(0x0000FF);
        GrFormOptions copy;
        form->CopyOptionsTo(copy);
        EXPECT_EQ(copy.scale, 7);
        EXPECT_EQ(copy.left, -10.5);
        EXPECT_EQ(copy.right, 0); // not a number
        EXPECT_EQ(copy.color, 0x0000FFu);
        form->edRight->setText("150");
        form->SaveOptions();
    }
    auto form = make_form();
    EXPECT_EQ(form->cbxScale->currentText(), "1 час на 1 см.");
    EXPECT_EQ(form->edLeft->text(), "-10,5");
    EXPECT_EQ(form->edRight->text(), "150");
    EXPECT_EQ(form->CurveColor(), 0x0000FFu);
}

} // namespace
