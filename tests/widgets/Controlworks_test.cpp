#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>
#include <QWidget>

#include <gtest/gtest.h>

#include "widgets/Controlworks.h"
#include "widgets/Simplegraphics.h"

TEST(Simplegraphics, ShadeColorShiftsEachChannelAndAddsTheTintAbove64) {
    EXPECT_EQ(ShadeColor(0xF0F0F0, -14), 0xE2E2E2u);
    EXPECT_EQ(ShadeColor(0x102030, 34), 0x324252u);
    // Clamped at both ends, each channel on its own.
    EXPECT_EQ(ShadeColor(0xFF0005, 10), 0xFF0A0Fu);
    EXPECT_EQ(ShadeColor(0xFF0005, -10), 0xF50000u);
    // Tint: (0xC8 - 64) / 4 = 34 on blue, (0x50 - 64) / 4 = 4 on green, nothing below 64.
    EXPECT_EQ(ShadeColor(0x000000, 0, 0xC85020), 0x220400u);
}

TEST(Simplegraphics, StoredColoursAreBlueGreenRed) {
    EXPECT_EQ(color_from_bgr(16711680), QColor(Qt::blue));
    EXPECT_EQ(color_from_bgr(0x0000FF), QColor(Qt::red));
    EXPECT_EQ(color_from_bgr(0x123456), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(color_to_bgr(QColor(0x56, 0x34, 0x12)), 0x123456u);
    EXPECT_EQ(color_to_bgr(QColor(Qt::blue)), 16711680u);
    EXPECT_EQ(color_to_bgr(QColor::fromHsv(120, 255, 255)), 0x00FF00u);
}

TEST(Controlworks, SelectComboTextMatchesTrimmedAndCaselessOrInsertsFirst) {
    QComboBox combo;
    combo.addItems({"COM0", "COM1", " COM3\t", "Порт"});
    SelectComboText(&combo, "COM1");
    EXPECT_EQ(combo.currentIndex(), 1);
    SelectComboText(&combo, "\x01 com3 ");
    EXPECT_EQ(combo.currentIndex(), 2);
    SelectComboText(&combo, "ПОРТ");
    EXPECT_EQ(combo.currentIndex(), 3);
    EXPECT_EQ(combo.count(), 4);

    SelectComboText(&combo, "10.0.0.5:22002 ");
    EXPECT_EQ(combo.count(), 5);
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(combo.currentText(), "10.0.0.5:22002 ");
}

TEST(Controlworks, EnableControlsSetsEveryObjectThatHasTheProperty) {
    QWidget widget;
    QAction action(nullptr);
    QObject plain;
    EnableControls(false, {&widget, &action, &plain, nullptr});
    EXPECT_FALSE(widget.isEnabled());
    EXPECT_FALSE(action.isEnabled());
    EXPECT_FALSE(plain.property("enabled").isValid());
    EnableControls(true, {&widget, &action});
    EXPECT_TRUE(widget.isEnabled());
    EXPECT_TRUE(action.isEnabled());
}

TEST(Controlworks, FormFontsGiveEditsTheFixedFontAndLabelsTheirTagStyle) {
    QWidget form;
    auto* edit = new QLineEdit(&form);
    auto* tagged_edit = new QLineEdit(&form);
    tagged_edit->setProperty("tag", 1);
    auto* plain = new QLabel(&form);
    auto* green = new QLabel(&form);
    green->setProperty("tag", 5);
    auto* navy = new QLabel(new QWidget(&form));
    navy->setProperty("tag", 3);
    auto* combo = new QComboBox(&form);
    combo->setEditable(true);
    auto* date = new QDateEdit(&form);
    auto* browser = new QTextBrowser(&form);
    ApplyFormFonts(&form);

    EXPECT_TRUE(QFontInfo(edit->font()).fixedPitch());
    EXPECT_EQ(edit->font().pointSize(), 9);
    EXPECT_EQ(tagged_edit->font(), form.font());
    EXPECT_FALSE(plain->font().bold());
    EXPECT_TRUE(green->font().bold());
    EXPECT_EQ(green->palette().color(QPalette::WindowText), QColor(0, 0x80, 0));
    EXPECT_EQ(navy->palette().color(QPalette::WindowText), QColor(0, 0, 0x80));
    EXPECT_FALSE(navy->font().bold());
    EXPECT_EQ(combo->lineEdit()->font(), combo->font());
    EXPECT_EQ(combo->font(), edit->font());
    // Date pickers and page views keep the form's font, inner line edit included.
    EXPECT_EQ(date->findChild<QLineEdit*>()->font(), form.font());
    EXPECT_EQ(browser->font(), form.font());
}

// Page counts, text widths and the fixed-pitch check depend on the fonts: the tests see the
// pinned set alone, never the machine's other fonts.
TEST(TestFonts, AreThePinnedSetWhateverTheMachineHas) {
    QStringList families = QFontDatabase::families();
    for (const char* generic : {"Monospace", "Sans Serif", "Serif"}) // Qt lists these as well
        families.removeAll(generic);
    EXPECT_EQ(families.join(", ").toStdString(), "DejaVu Sans, DejaVu Sans Mono, DejaVu Serif");
    const std::pair<QFont, std::string> resolved[] = {
        {QFontDatabase::systemFont(QFontDatabase::FixedFont), "DejaVu Sans Mono"},
        {QFontDatabase::systemFont(QFontDatabase::GeneralFont), "DejaVu Sans"},
        {QFont("tahoma"), "DejaVu Sans"},
        {QFont("serif"), "DejaVu Serif"},
    };
    for (const auto& [font, family] : resolved)
        EXPECT_EQ(QFontInfo(font).family().toStdString(), family) << font.family().toStdString();
}
