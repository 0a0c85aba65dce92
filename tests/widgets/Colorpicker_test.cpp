#include <QApplication>
#include <QColorDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include "widgets/Colorpicker.h"

TEST(ColorPicker, KeepsStoredColoursAndAddsOnesOutsideThePalette) {
    ColorPicker picker;
    EXPECT_EQ(picker.Color(), 16711680u); // blue
    EXPECT_EQ(picker.itemText(picker.count() - 1), ColorPicker::more_text);
    const int palette_size = picker.count();
    picker.SetColor(0x0000FF);
    EXPECT_EQ(picker.Color(), 0x0000FFu);
    EXPECT_EQ(picker.count(), palette_size);
    picker.SetColor(0x123456);
    EXPECT_EQ(picker.Color(), 0x123456u);
    EXPECT_EQ(picker.count(), palette_size + 1);
    EXPECT_EQ(picker.currentIndex(), picker.count() - 2);
    picker.SetColor(0x123456);
    EXPECT_EQ(picker.count(), palette_size + 1);
}

TEST(ColorPicker, MoreColoursOpensTheDialogAndCancelKeepsTheColour) {
    ColorPicker picker;
    int changes = 0;
    picker.SetOnChange([&] { ++changes; });
    auto choose_more = [&](bool accept) {
        QTimer::singleShot(0, [accept] {
            auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (accept) {
                dialog->setCurrentColor(QColor(0x12, 0x34, 0x56));
                dialog->accept();
            } else {
                dialog->reject();
            }
        });
        picker.setCurrentIndex(picker.count() - 1);
        emit picker.activated(picker.count() - 1);
    };
    choose_more(false);
    EXPECT_EQ(picker.Color(), 16711680u);
    EXPECT_NE(picker.currentIndex(), picker.count() - 1);
    EXPECT_EQ(changes, 0);

    choose_more(true);
    EXPECT_EQ(picker.Color(), 0x563412u); // red 0x12 in the low byte
    EXPECT_EQ(changes, 1);

    picker.setCurrentIndex(0);
    emit picker.activated(0);
    EXPECT_EQ(picker.Color(), 0u);
    EXPECT_EQ(changes, 2);
}
