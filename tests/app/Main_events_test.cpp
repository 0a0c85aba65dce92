#include <QApplication>
#include <QCheckBox>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "app/Journalview.h"
#include "app/Main.h"
#include "formats/Formats.h"
#include "formats/Journal_file.h"
#include "graph/Graphicsform.h"
#include "library/Mytime.h"
#include "library/Scratch_dir.h"
#include "widgets/Stripchart.h"

namespace {

// Eight hours of records every 4 s, far taller than the plot, and a journal: a set-point event
// of five minutes at 2 h, the mains lost and back on one row at 4 h, one event before the
// recording, one at 5 h.
struct EventsFixture : ::testing::Test {
    void SetUp() override {
        const std::uint32_t t0 = lib::parts_to_time(2026, 3, 2, 6, 0, 0);
        const auto days = [t0](std::uint32_t s) { return (t0 + s - 86400) / 86400.0 + 25569; };
        FileStorage model;
        model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
        FileStorageItem item;
        item.values = {50};
        for (item.time = t0; item.time < t0 + 8 * 3600; item.time += 4)
            model.add_item(item);
        const std::string path = dir.file("shift.realtim");
        save_data_file(model, path, false);
        LogStorage journal;
        journal.Add(days(2 * 3600), days(2 * 3600 + 300), 0, 95.5f);
        journal.Add(days(4 * 3600), 0, 13, 0);
        journal.Add(days(4 * 3600), 0, 14, 0);
        journal.Add(days(0) - 1, 0, 1, 0);
        journal.Add(days(5 * 3600), 0, 6, 0);
        journal_file::save(journal, Storage::JournalPath(path));
        window = std::make_unique<TMainForm>(ini);
        window->resize(900, 700);
        window->show();
        window->OpenDataFile(path);
    }
    TGrForm& graph() { return window->graph_form(); }
    // The marker of the event's row on the chart.
    QPoint marker_of(int event) {
        const StripChart& chart = graph().Chart->Chart();
        return QPoint(
            chart.PlotRect().right - graph().Events().Look().width / 2,
            static_cast<int>(chart.LeftAxisToY(graph().Events().Placed().Find(event)->row)));
    }

    ScratchDir dir;
    std::string ini = dir.file("Vornell.ini");
    std::unique_ptr<TMainForm> window;
};

TEST_F(EventsFixture, EnterOrADoubleClickOnAJournalRowScrollsTheGraphToItsEvent) {
    JournalGrid& grid = window->journal_grid();
    // Event 3 is before the recording.
    for (const auto [event, by_key] : {std::pair{3, true}, {4, true}, {0, false}}) {
        SCOPED_TRACE(event);
        window->pages()->setCurrentIndex(1);
        graph().ScrollBar->setValue(0);
        // Resized while the journal is shown: the graph centres in its new plot.
        window->resize(900, window->height() + 40);
        QApplication::processEvents();
        const QModelIndex index = grid.model()->index(event, 1);
        grid.setCurrentIndex(index);
        if (by_key) {
            QTest::keyClick(&grid, Qt::Key_Return);
        } else { // a click, then the double-click, as from a mouse
            QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(index).center());
            QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {},
                               grid.visualRect(index).center());
        }
        EXPECT_EQ(window->pages()->currentIndex(), 0);
        const analysis::EventRow* placed = graph().Events().Placed().Find(event);
        EXPECT_EQ(window->statusBar()->currentMessage().contains("№ 4"), !placed);
        EXPECT_EQ(graph().Events().Highlight(), placed ? event : -1);
        if (placed)
            EXPECT_NEAR(placed->row, graph().ScrollBar->value() + graph().PlotHeight() / 2, 1);
    }
    QTest::qWait(TGrForm::highlight_ms + 200); // a moment
    EXPECT_EQ(graph().Events().Highlight(), -1);
}

TEST_F(EventsFixture, ADoubleClickOnAMarkerSelectsItsJournalRows) {
    window->ShowEventOnGraph(4);
    QTest::mouseDClick(graph().Chart, Qt::LeftButton, {}, marker_of(4) - QPoint(100, 0));
    EXPECT_EQ(window->pages()->currentIndex(), 0) << "beside the strip nothing is chosen";
    window->ShowEventOnGraph(1);
    QTest::mouseDClick(graph().Chart, Qt::LeftButton, {}, marker_of(1));
    EXPECT_EQ(window->pages()->currentIndex(), 1);
    // Both events of the row: the mains lost and back.
    EXPECT_EQ(window->journal_grid().selected_range(), std::make_pair(2, 3));
    EXPECT_EQ(window->journal_grid().currentIndex().row(), 1);
}

TEST_F(EventsFixture, TheCheckBoxHidesTheStripAndIsRemembered) {
    window->ShowEventOnGraph(4);
    QTest::qWait(TGrForm::highlight_ms + 200); // a highlighted marker shows even when hidden
    const QPoint at = marker_of(4) + QPoint(2, 0);
    const QColor violet = graph().GraphImage().pixelColor(at);
    EXPECT_TRUE(violet.red() > 100 && violet.green() < 100) << violet.name().toStdString();
    graph().chbxEvents->click();
    // The plot's background there, or a grid line where the value scale puts one.
    const QColor hidden = graph().GraphImage().pixelColor(at);
    EXPECT_TRUE(hidden.red() == hidden.green() && hidden.green() == hidden.blue())
        << hidden.name().toStdString();
    EXPECT_TRUE(graph().Events().At(graph().Chart->Chart(), at).empty());

    window.reset(); // writes the settings
    window = std::make_unique<TMainForm>(ini);
    EXPECT_FALSE(window->graph_form().chbxEvents->isChecked());
}

} // namespace
