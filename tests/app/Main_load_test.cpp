// The window given a file to load on a worker thread: what it shows while the load runs, and
// what the end of the load, Esc, a close and a failed load leave.
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "Modal_driver.h"
#include "app/Main.h"
#include "formats/Formats.h"
#include "library/Mytime.h"
#include "library/Scratch_dir.h"

namespace {

// count records 4 s apart.
std::string recording_file(const ScratchDir& dir, const char* name, int count) {
    FileStorage model;
    model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
    model.reserve_items(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int row = model.append_record(lib::parts_to_time(2026, 3, 2, 6, 0, 0) + 4 * i);
        model.set_value(row, 0, static_cast<float>(i % 2500) * 0.1f);
    }
    const std::string path = dir.file(name);
    save_data_file(model, path, false);
    return path;
}

class LoadingWindow : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<TMainForm>(ini);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->OpenDataFile(before);
        window->document().OnBeforeChange([this] { ++changes; });
    }
    QString status_line() { return window->findChild<QLabel*>("StatusLine")->text(); }
    bool busy() { return window->findChild<QProgressBar*>("LoadBusy")->isVisible(); }
    bool wait_for_load() {
        return QTest::qWaitFor([this] { return !window->Loading(); }, 20000);
    }
    bool recent(const std::string& path) {
        const auto& files = window->recent_files().files();
        return std::find(files.begin(), files.end(), path) != files.end();
    }

    ScratchDir dir;
    std::string ini = dir.file("Vornell.ini");
    std::string before = recording_file(dir, "before.realtim", 100);
    std::unique_ptr<TMainForm> window;
    int changes = 0;
};

TEST_F(LoadingWindow, SaysLoadingUntilTheRecordingIsInAndEscOrACloseLeavesTheDocumentAsItWas) {
    constexpr int records = 400'000;
    const std::string big = recording_file(dir, "big.realtim", records);
    // Above this, "Открыть..." loads as the command line does; the small file opens at once.
    window->SetBackgroundOpenBytes(1 << 20);
    enum class End { loaded, esc, close };
    for (const auto& [by_open, end] :
         {std::pair{false, End::loaded}, {true, End::esc}, {false, End::close}}) {
        SCOPED_TRACE(static_cast<int>(end));
        if (window->document().FileName() != before)
            window->OpenDataFile(before);
        ASSERT_FALSE(window->Loading());
        changes = 0;
        if (by_open)
            window->OpenDataFile(big);
        else
            window->LoadDataFile(big);
        // Nothing of the load is in before the window's thread has taken it.
        EXPECT_TRUE(window->Loading());
        EXPECT_TRUE(status_line().startsWith(" Загрузка...")) << status_line().toStdString();
        EXPECT_TRUE(busy());
        EXPECT_EQ(window->document().FileName(), before);
        switch (end) {
        case End::loaded:
            ASSERT_TRUE(wait_for_load());
            EXPECT_EQ(window->document().FileName(), big);
            EXPECT_EQ(window->document().Data().item_count(), records);
            EXPECT_FALSE(window->document().IsModified());
            EXPECT_TRUE(status_line().contains("big.realtim")) << status_line().toStdString();
            EXPECT_TRUE(recent(big));
            EXPECT_EQ(changes, 1);
            break;
        case End::esc:
            QTest::keyClick(window.get(), Qt::Key_Escape);
            EXPECT_FALSE(window->Loading());
            EXPECT_TRUE(window->statusBar()->currentMessage().contains("остановлена"));
            break;
        case End::close:
            EXPECT_TRUE(window->close());
            EXPECT_FALSE(window->Loading());
            break;
        }
        EXPECT_FALSE(busy());
        if (end != End::loaded) {
            QTest::qWait(50); // a load not stopped would come in here
            EXPECT_EQ(window->document().FileName(), before);
            EXPECT_EQ(window->document().Data().item_count(), 100);
            EXPECT_EQ(changes, 0);
        }
    }
}

// The same boxes, document and recent files as the open that waits for its files.
TEST_F(LoadingWindow, AFailedLoadEndsAsAFailedOpen) {
    const std::string odd = dir.file("notes.txt");
    std::ofstream(odd) << "hello";
    for (const std::string& path : {dir.file("gone.realtim"), odd}) {
        SCOPED_TRACE(path);
        std::vector<std::string> boxes[2];
        QString lines[2];
        for (const bool loaded : {false, true}) {
            window->OpenDataFile(before);
            ModalDriver driver({ModalDriver::answer(QMessageBox::Ok)});
            if (loaded) {
                window->LoadDataFile(path);
                ASSERT_TRUE(wait_for_load());
            } else {
                window->OpenDataFile(path);
            }
            EXPECT_TRUE(QTest::qWaitFor([&] { return driver.done(); }, 5000));
            boxes[loaded] = driver.seen();
            lines[loaded] = status_line();
            EXPECT_EQ(window->document().FileName(), "");
            EXPECT_FALSE(window->document().HasData());
            EXPECT_FALSE(busy());
        }
        ASSERT_EQ(boxes[1].size(), 1u);
        EXPECT_NE(boxes[1][0].find(path), std::string::npos);
        EXPECT_EQ(boxes[0], boxes[1]);
        EXPECT_EQ(lines[0], lines[1]);
    }
}

} // namespace
