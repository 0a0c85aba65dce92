#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include "Modal_watch.h"
#include "app/Aboutdialog.h"

TEST(AboutForm, ShowsThePictureFourLinesAndClosesWithItsButton) {
    TAboutForm form(nullptr);
    EXPECT_EQ(form.windowTitle(), "  О программе...");
    const QStringList lines = form.findChild<QLabel*>("lblText")->text().split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], "Vornell");
    EXPECT_EQ(lines[1], QString("Версия ") + vornell_version);
    const QImage logo = form.findChild<QLabel*>("imgLogo")->pixmap().toImage();
    ASSERT_FALSE(logo.isNull());
    // The sky at the top left, the ground at the bottom: the picture was drawn.
    EXPECT_GT(logo.pixelColor(logo.width() / 8, logo.height() / 8).blue(), 150);
    EXPECT_GT(logo.pixelColor(logo.width() / 8, logo.height() * 7 / 8).red(), 90);

    auto* exit = form.findChild<QPushButton*>("btnExit");
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->text(), "Выход");
    ModalWatch watch([&](QWidget* modal) {
        if (modal != &form)
            return false;
        exit->click();
        return true;
    });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    EXPECT_EQ(form.findChildren<QPushButton*>().size(), 1);
}
