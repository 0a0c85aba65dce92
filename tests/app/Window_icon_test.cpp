// The windows take the icon an installation puts into the hicolor theme under the program's
// name; the same SVG, drawn at the sizes a desktop asks for.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QPixmap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// An icon theme folder laid out as /usr/share/icons is after installation.
void install_icon(const QString& root) {
    const QString apps = root + "/hicolor/scalable/apps";
    ASSERT_TRUE(QDir().mkpath(apps));
    ASSERT_TRUE(QFile::copy(VORNELL_DIST_DIR "/vornell.svg", apps + "/vornell.svg"));
    QFile index(root + "/hicolor/index.theme");
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=hicolor\nDirectories=scalable/apps\n\n"
                "[scalable/apps]\nSize=64\nMinSize=8\nMaxSize=512\nType=Scalable\n");
}

} // namespace

TEST(WindowIcon, IsTheInstalledSvgAtEverySize) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    install_icon(dir.path());
    const QStringList saved_paths = QIcon::themeSearchPaths();
    const QString saved_theme = QIcon::themeName();
    QIcon::setThemeSearchPaths({dir.path()});
    QIcon::setThemeName("hicolor");

    EXPECT_EQ(QGuiApplication::desktopFileName(), "vornell");
    for (const int side : {16, 48, 256}) {
        const QImage image = qApp->windowIcon().pixmap(side).toImage();
        ASSERT_EQ(image.width(), side) << side;
        // Transparent beyond the page's left edge, the page's paper inside it, and the red
        // trace somewhere along the page's middle.
        EXPECT_EQ(image.pixelColor(side / 32, side / 2).alpha(), 0) << side;
        EXPECT_GT(image.pixelColor(side * 13 / 64, side * 58 / 64).lightness(), 200) << side;
        int red = 0;
        for (int x = side / 4; x < side * 3 / 4; ++x) {
            const QColor c = image.pixelColor(x, side * 44 / 64);
            red += c.red() > 180 && c.green() < 100 && c.blue() < 100;
        }
        EXPECT_GT(red, 0) << side;
    }
    QIcon::setThemeName(saved_theme);
    QIcon::setThemeSearchPaths(saved_paths);
}
