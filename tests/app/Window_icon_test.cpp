#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "library/Scratch_dir.h"

// The windows take the icon an installation puts into the hicolor theme under the program's name.
TEST(WindowIcon, IsTheInstalledSvgAtEverySize) {
    ScratchDir themes;
    std::filesystem::create_directories(themes.file("hicolor/scalable/apps"));
    std::filesystem::copy_file(VORNELL_DIST_DIR "/vornell.svg",
                               themes.file("hicolor/scalable/apps/vornell.svg"));
    std::ofstream(themes.file("hicolor/index.theme"))
        << "[Icon Theme]\nName=hicolor\nDirectories=scalable/apps\n\n"
           "[scalable/apps]\nSize=64\nMinSize=8\nMaxSize=512\nType=Scalable\n";
    const QStringList saved_paths = QIcon::themeSearchPaths();
    const QString saved_theme = QIcon::themeName();
    QIcon::setThemeSearchPaths({QString::fromStdString(themes.path().string())});
    QIcon::setThemeName("hicolor");

    EXPECT_EQ(qApp->windowIcon().name(), "vornell");
    for (const int side : {16, 256}) {
        const QImage image = qApp->windowIcon().pixmap(side).toImage();
        ASSERT_EQ(image.width(), side);
        // Transparent beside the page, the page's paper inside it.
        EXPECT_EQ(image.pixelColor(side / 32, side / 2).alpha(), 0) << side;
        EXPECT_GT(image.pixelColor(side * 13 / 64, side * 58 / 64).lightness(), 200) << side;
    }
    QIcon::setThemeName(saved_theme);
    QIcon::setThemeSearchPaths(saved_paths);
}
