#include <QApplication>
#include <QCheckBox>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/Journalview.h"
#include "app/Main.h"
#include "datafile/Assembling.h"
#include "formats/Formats.h"
#include "formats/Journal_file.h"
#include "graph/Graphicsform.h"
#include "library/Mytime.h"
#include "library/Scratch_dir.h"
#include "widgets/Stripchart.h"

namespace {

const std::uint32_t t0 = lib::parts_to_time(2026, 3, 2, 6, 0, 0);

double days(std::uint32_t seconds) {
    return (t0 + seconds - 86400) / 86400.0 + 25569;
}

// Eight hours of records every 4 s, far taller than the plot, and a journal: a set-point event
// of five minutes at 2 h, the mains lost and back on one row at 4 h, one before the recording,
// one at 5 h.
std::string saved_shift(const ScratchDir& dir) {
    FileStorage model;
    model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
    FileStorageItem item;
    item.values = {50};
    for (std::uint32_t s = 0; s < 8 * 3600; s += 4) {
        item.time = t0 + s;
        model.add_item(item);
    }
    const std::string path = dir.file("shift.realtim");
    save_data_file(model, path, false);
    LogStorage journal;
    journal.Add(days(2 * 3600), days(2 * 3600 + 300), 0, 95.5f);
    journal.Add(days(4 * 3600), 0, 13, 0);
    journal.Add(days(4 * 3600), 0, 14, 0);
    journal.Add(days(0) - 1, 0, 1, 0);
    journal.Add(days(5 * 3600), 0, 6, 0);
    journal_file::save(journal, Storage::JournalPath(path));
    return path;
}

struct EventsFixture : ::testing::Test {
    void SetUp() override {
        window = std::make_unique<TMainForm>(ini);
        window->resize(900, 700);
        window->show();
        window->OpenDataFile(saved_shift(dir));
    }
    TGrForm& graph() { return window->graph_form(); }
    // Where the marker of the event's row is on the chart.
    QPoint marker_of(int event) {
        const StripChart& chart = graph().Chart->Chart();
        const int row = graph().Events().Placed().Find(event)->row;
        return QPoint(chart.PlotRect().right - graph().Events().Look().width / 2,
                      static_cast<int>(chart.LeftAxisToY(row)));
    }

    ScratchDir dir;
    std::string ini = dir.file("Vornell.ini");
    std::unique_ptr<TMainForm> window;
};

TEST_F(EventsFixture, EnterOrADoubleClickOnAJournalRowScrollsTheGraphToItsEvent) {
    JournalGrid& grid = window->journal_grid();
    struct Case {
        int event;
        bool by_key;
        bool drawn;
    };
    for (const Case c : {Case{4, true, true}, Case{0, false, true}, Case{3, true, false}}) {
        SCOPED_TRACE(c.event);
        window->pages()->setCurrentIndex(1);
        graph().ScrollBar->setValue(0);
        window->statusBar()->clearMessage();
        // A window resized while the journal is shown: the graph measures its new plot.
        window->resize(900, window->height() + 40);
        QApplication::processEvents();
        const QModelIndex index = grid.model()->index(c.event, 1);
        grid.setCurrentIndex(index);
        const QPoint centre = grid.visualRect(index).center();
        if (c.by_key) {
            QTest::keyClick(&grid, Qt::Key_Return);
        } else { // a click, then the double-click: what a mouse sends
            QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre);
            QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, centre);
        }
        EXPECT_EQ(window->pages()->currentIndex(), 0);
        if (!c.drawn) {
            EXPECT_TRUE(window->statusBar()->currentMessage().contains("№ 4"));
            EXPECT_EQ(graph().Events().Highlight(), -1);
            continue;
        }
        EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());
        const int top = graph().ScrollBar->value();
        const int row = graph().Events().Placed().Find(c.event)->row;
        EXPECT_GT(top, 0);
        EXPECT_NEAR(row, top + graph().PlotHeight() / 2, 1);
        EXPECT_EQ(graph().Events().Highlight(), c.event);
        ASSERT_FALSE(graph().Events().Shown().empty());
    }
    // The highlight lasts a moment.
    QTest::qWait(TGrForm::highlight_ms + 200);
    EXPECT_EQ(graph().Events().Highlight(), -1);
}

TEST_F(EventsFixture, ADoubleClickOnAMarkerSelectsItsJournalRows) {
    window->ShowEventOnGraph(1);
    QTest::mouseDClick(graph().Chart, Qt::LeftButton, {}, marker_of(1));
    EXPECT_EQ(window->pages()->currentIndex(), 1);
    // Both events of the row: the mains lost and back.
    EXPECT_EQ(window->journal_grid().selected_range(), std::make_pair(2, 3));
    EXPECT_EQ(window->journal_grid().currentIndex().row(), 1);

    // Beside the strip nothing is chosen.
    window->ShowEventOnGraph(4);
    QTest::mouseDClick(graph().Chart, Qt::LeftButton, {}, marker_of(4) - QPoint(100, 0));
    EXPECT_EQ(window->pages()->currentIndex(), 0);
}

TEST_F(EventsFixture, TheCheckBoxHidesTheStripAndIsRemembered) {
    window->ShowEventOnGraph(4);
    const QPoint at = marker_of(4) + QPoint(2, 0);
    EXPECT_TRUE(graph().chbxEvents->isChecked());
    const QColor shown = graph().GraphImage().pixelColor(at);
    EXPECT_GT(shown.red(), 100);
    EXPECT_LT(shown.green(), 100); // violet, not white
    graph().chbxEvents->click();
    QTest::qWait(TGrForm::highlight_ms + 200); // the highlighted marker shows regardless
    EXPECT_FALSE(graph().Events().Visible());
    EXPECT_EQ(graph().GraphImage().pixelColor(at), QColor(Qt::white));
    EXPECT_TRUE(graph().Events().At(graph().Chart->Chart(), at).empty());

    window.reset();
    std::ifstream in(ini, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("scale=3\r\nevents=0\r\n"), std::string::npos) << text.str();
    window = std::make_unique<TMainForm>(ini);
    EXPECT_FALSE(window->graph_form().chbxEvents->isChecked());
}

} // namespace
