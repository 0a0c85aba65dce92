#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "app/Activityoptions.h"
#include "app/Activityview.h"
#include "app/Main.h"
#include "formats/Formats.h"
#include "graph/Graphicsform.h"
#include "library/Mytime.h"
#include "library/Scratch_dir.h"
#include "widgets/Stripchart.h"

namespace {

constexpr int stands = 8; // each an hour on the hook at 80 t, then 3 minutes at 25 t

// A record every 4 s: `stands` stands of drilling with their connections, or a load that never
// leaves its one level (no block weight).
std::string rig_file(const ScratchDir& dir, const char* name, int count, bool rests = true) {
    FileStorage model;
    model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
    FileStorageItem item;
    item.values = {0};
    item.time = lib::parts_to_time(2026, 3, 2, 6, 0, 0);
    for (int stand = 0; stand < count; ++stand) {
        for (int s = 0; s < 3600 + 180; s += 4, item.time += 4) {
            const double hook = rests ? 80 + s % 3 : 60;
            item.values[0] = static_cast<float>(s < 3600 || !rests ? hook : 25);
            model.add_item(item);
        }
    }
    const std::string path = dir.file(name);
    save_data_file(model, path, false);
    return path;
}

struct ActivityFixture : ::testing::Test {
    void SetUp() override {
        window = std::make_unique<TMainForm>(ini);
        window->resize(900, 700);
        window->show();
        window->OpenDataFile(rig_file(dir, "rig.realtim", stands));
    }
    TGrForm& graph() { return window->graph_form(); }
    TActivityForm& form() { return window->activity_form(); }
    int rows() { return form().Grid->model()->rowCount(); }
    void edit(QLineEdit* field, const QString& text) {
        field->setText(text);
        emit field->editingFinished();
    }
    // A pixel of the plot's right part on the row, away from the curve and the events.
    QColor pixel_at_row(int row) {
        const StripChart& chart = graph().Chart->Chart();
        return graph().GraphImage().pixelColor(chart.PlotRect().right - 40,
                                               static_cast<int>(chart.LeftAxisToY(row)));
    }

    ScratchDir dir;
    std::string ini = dir.file("Vornell.ini");
    std::unique_ptr<TMainForm> window;
};

TEST_F(ActivityFixture, TheTabFillsAfterALoadAndAFieldRecomputesAndIsRemembered) {
    EXPECT_EQ(window->pages()->tabText(2), "Операции");
    ASSERT_TRUE(form().Result());
    EXPECT_EQ(rows(), stands);
    EXPECT_NEAR(*form().Result()->block_weight, 25, 0.2);
    EXPECT_TRUE(form().lblSummary->text().contains("(оценка)"));
    EXPECT_TRUE(form().lblSummary->text().contains("8 раз, всего 23 мин 56 с"));
    EXPECT_EQ(form().Grid->model()->index(0, 3).data().toString(), "3 мин 00 с");
    EXPECT_EQ(graph().Slips().Activity(), form().Result());

    // Text that is no setting gives way to the one kept.
    edit(form().edMargin, "много");
    EXPECT_EQ(form().edMargin->text(), "5");
    edit(form().edBlockWeight, "0,5");
    EXPECT_EQ(form().edBlockWeight->text(), "");
    // Under the resting load: no period at all, and the graph hears of it.
    edit(form().edBlockWeight, "15");
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(form().lblSummary->text().startsWith("Вес талевого блока: 15,0 т   В клиньях: ни"));
    EXPECT_TRUE(graph().Slips().Placed().empty());
    // 21 + 5 takes the connections in again; 200 s is longer than each of them.
    edit(form().edBlockWeight, "21");
    EXPECT_EQ(rows(), stands);
    edit(form().edMinSeconds, "200");
    EXPECT_EQ(rows(), 0);

    window.reset(); // writes the settings
    window = std::make_unique<TMainForm>(ini);
    EXPECT_EQ(window->activity_form().edBlockWeight->text(), "21");
    EXPECT_EQ(window->activity_form().edMinSeconds->text(), "200");
}

TEST_F(ActivityFixture, EnterOnARowShowsThePeriodOnTheGraphAndCtrlCCopiesTheRows) {
    window->pages()->setCurrentIndex(2);
    PeriodsGrid& grid = *form().Grid;
    grid.setFocus();
    grid.setCurrentIndex(grid.model()->index(5, 0));
    QTest::keyClick(&grid, Qt::Key_Return);
    EXPECT_EQ(window->pages()->currentIndex(), 0);
    const SlipsRows* rows = graph().Slips().Find(5);
    ASSERT_TRUE(rows);
    EXPECT_EQ(graph().Slips().Highlight(), 5);
    EXPECT_NEAR((rows->row + rows->end_row) / 2,
                graph().ScrollBar->value() + graph().PlotHeight() / 2, 1);

    window->pages()->setCurrentIndex(2);
    grid.selectionModel()->select(grid.model()->index(1, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keySequence(&grid, QKeySequence::Copy);
    const QStringList lines = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("№\tНачало\t"));
    EXPECT_TRUE(lines[1].startsWith("2\t"));
    EXPECT_TRUE(lines[2].startsWith("6\t"));
}

TEST_F(ActivityFixture, PeriodsAreShadedUnderTheCurveAndTheCheckBoxSwitchesThem) {
    window->pages()->setCurrentIndex(0);
    EXPECT_TRUE(graph().chbxSlips->isEnabled());
    EXPECT_TRUE(graph().chbxSlips->isChecked());
    window->ShowPeriodOnGraph(3);
    QTest::qWait(TGrForm::highlight_ms + 200); // the highlight is gone
    const SlipsRows* rows = graph().Slips().Find(3);
    ASSERT_TRUE(rows);
    const int middle = (rows->row + rows->end_row) / 2;
    const QColor shaded = pixel_at_row(middle);
    EXPECT_TRUE(shaded.green() > shaded.red() && shaded.green() > 200 && shaded.blue() < 240)
        << shaded.name().toStdString();
    EXPECT_EQ(pixel_at_row(rows->row - 20), QColor(Qt::white)) << "on the hook";
    // The level line: a dashed line down the plot at 25 t.
    const StripChart& chart = graph().Chart->Chart();
    const int x =
        static_cast<int>(std::lround(chart.BottomAxisToX(*form().Result()->block_weight)));
    const auto dark_on_level = [&] {
        const QImage image = graph().GraphImage();
        int dark = 0;
        for (int y = chart.PlotRect().top; y < chart.PlotRect().bottom; ++y)
            dark += image.pixelColor(x, y).green() < 160;
        return dark;
    };
    EXPECT_GT(dark_on_level(), chart.PlotRect().Height() / 2);

    graph().chbxSlips->click();
    EXPECT_EQ(pixel_at_row(middle), QColor(Qt::white));
    EXPECT_LT(dark_on_level(), chart.PlotRect().Height() / 8) << "the curve's own crossings";

    // A recording whose load never rests has no level: the box is off and greyed.
    window->OpenDataFile(rig_file(dir, "no-rest.realtim", 2, false));
    EXPECT_FALSE(form().Result()->block_weight);
    EXPECT_FALSE(graph().chbxSlips->isEnabled());
    EXPECT_FALSE(graph().chbxSlips->isChecked());
    // The next one with a level has it on again.
    window->OpenDataFile(rig_file(dir, "rig2.realtim", 2));
    EXPECT_TRUE(graph().chbxSlips->isChecked());
}

TEST_F(ActivityFixture, ALargeRecordingIsAnalysedOnAWorkerAndANewerOpenDiscardsTheOlder) {
    form().Runner().SetGuiThreadRecords(0);
    const std::string two = rig_file(dir, "two.realtim", 2);
    const std::string three = rig_file(dir, "three.realtim", 3);
    window->OpenDataFile(two);
    EXPECT_EQ(form().lblSummary->text(), TActivityForm::busy_text);
    EXPECT_FALSE(form().Result());
    EXPECT_FALSE(graph().Slips().Activity());
    window->OpenDataFile(three); // stops the analysis of the one before
    window->pages()->setCurrentIndex(2);
    for (int i = 0; i < 500 && !form().Result(); ++i)
        QTest::qWait(10);
    ASSERT_TRUE(form().Result());
    EXPECT_FALSE(form().Runner().Running());
    QTest::qWait(50); // anything else posted would land now
    EXPECT_EQ(form().Result()->count(), 3);
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(graph().Slips().Placed().size(), 3u);
    // The window closes while an analysis runs.
    window->OpenDataFile(two);
    window.reset();
}

TEST(ActivityFields, NumbersFromLowToHigh) {
    const std::tuple<const char*, double, double, std::optional<double>> cases[] = {
        {"28,5", 1, 1000, 28.5}, {" 28.5 ", 1, 1000, 28.5}, {"1000", 1, 1000, 1000.0},
        {"0,9", 1, 1000, {}},    {"1001", 1, 1000, {}},     {"28,5т", 1, 1000, {}},
        {"", 0, 100, {}},        {"nan", 0, 100, {}},       {"1,2,3", 0, 100, {}},
        {"-0", 0, 100, 0.0},     {"1e2", 0, 100, 100.0}};
    for (const auto& [text, low, high, expected] : cases)
        EXPECT_EQ(field_number(text, low, high), expected) << text;
}

} // namespace
