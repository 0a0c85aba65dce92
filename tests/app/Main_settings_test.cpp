#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "app/Main.h"
#include "app/System.h"
#include "library/Scratch_dir.h"

namespace {

class WindowSettings : public ::testing::Test {
protected:
    std::unique_ptr<TMainForm> started() {
        auto window = std::make_unique<TMainForm>(ini);
        window->show();
        return window;
    }

    ScratchDir dir;
    std::string ini = dir.file("Vornell.ini");
};

// A size or place far beyond the screens once hung the start, drawing a window of a billion
// pixels.
TEST_F(WindowSettings, ASizeOrPlaceBeyondTheScreensIsCutToThem) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const char* kept : {"left=0\r\ntop=0\r\nwidth=1000000000\r\nheight=1000000000",
                             "left=2147483647\r\ntop=2147483647\r\nwidth=2147483647\r\n"
                             "height=2147483647",
                             "left=-2147483648\r\ntop=10\r\nwidth=700\r\nheight=2000000000"}) {
        SCOPED_TRACE(kept);
        std::ofstream(ini, std::ios::binary | std::ios::trunc) << "[MainForm]\r\n"
                                                               << kept << "\r\n";
        const auto window = started();
        EXPECT_LE(window->width(), screen.width());
        EXPECT_LE(window->height(), screen.height());
        EXPECT_GT(window->width(), 0);
    }
}

// Each window writes what it opened; the one that closes last keeps what the other wrote.
TEST_F(WindowSettings, TwoWindowsClosedOneAfterTheOtherKeepBothTheirRecentFiles) {
    {
        auto first = started();
        first->system().recent_files().add("/data/kept.realtim");
    }
    auto a = started();
    auto b = started();
    a->system().recent_files().add("/data/a1.realtim");
    a->system().recent_files().add("/data/a2.realtim");
    a->system().recent_files().remove("/data/kept.realtim"); // it failed to open in a
    for (int i = 1; i <= 3; ++i)
        b->system().recent_files().add("/data/b" + std::to_string(i) + ".realtim");
    b.reset();
    a.reset();
    EXPECT_EQ(started()->recent_files().files(),
              (std::vector<std::string>{"/data/a2.realtim", "/data/a1.realtim", "/data/b3.realtim",
                                        "/data/b2.realtim", "/data/b1.realtim"}));

    // Up to eight, the last closer's opens first.
    a = started();
    b = started();
    for (int i = 1; i <= 6; ++i)
        b->system().recent_files().add("/data/c" + std::to_string(i) + ".realtim");
    a->system().recent_files().add("/data/a3.realtim");
    b.reset();
    a.reset();
    const std::vector<std::string> files = started()->recent_files().files();
    ASSERT_EQ(files.size(), 8u);
    EXPECT_EQ(files[0], "/data/a3.realtim");
    EXPECT_EQ(files[1], "/data/c6.realtim");
    EXPECT_EQ(files[7], "/data/a2.realtim");
}

// A Windows-1251 file once held them with '?' in place of what it has no byte for.
TEST_F(WindowSettings, RecentPathsOutsideWindows1251ComeBackExactly) {
    const std::vector<std::string> paths = {"/data/Скважина №7.realtim", "/data/München/a.realtim",
                                            "/data/\xF0\x9F\x9B\xA2 \xE4\xBA\x95.realtim"};
    const std::string folder = "/data/\xE4\xBA\x95 München";
    {
        auto window = started();
        for (auto it = paths.rbegin(); it != paths.rend(); ++it)
            window->system().recent_files().add(*it);
        window->system().last_folder().path = folder;
    }
    const std::string text = file_text(ini);
    EXPECT_NE(text.find("file1=\"/data/\xD1\xEA\xE2\xE0\xE6\xE8\xED\xE0 \xB9"
                        "7.realtim\""),
              std::string::npos)
        << "a path that fits is written as before";
    EXPECT_NE(text.find("file2=\"utf8:/data/M%C3%BCnchen/a.realtim\""), std::string::npos);
    auto window = started();
    EXPECT_EQ(window->recent_files().files(), paths);
    EXPECT_EQ(window->system().last_folder().path, folder);
}

} // namespace
