#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "Cli_run.h"
#include "datafile/Assembling.h"
#include "document/Storage.h"
#include "formats/Formats.h"
#include "formats/Journal_file.h"
#include "graph/Graph_records.h"
#include "library/Mytime.h"

namespace {

const std::uint32_t start = lib::parts_to_time(2008, 1, 31, 23, 50, 0);
constexpr double pixels_per_cm = 96 / 2.54;

int offset_of(int record) { // 1 s apart at 1 minute per centimetre
    return static_cast<int>(std::trunc(record * pixels_per_cm / 60 + 0.5));
}

struct RenderFixture : ::testing::Test {
    RenderFixture() {
        FileStorage model;
        model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
        FileStorageItem item;
        item.values = {0};
        for (int i = 0; i < 3600; ++i) {
            item.time = start + i;
            item.values[0] = static_cast<float>(i % 200);
            model.add_item(item);
        }
        save_data_file(model, file, false);
    }
    ScratchDir dir;
    std::string file = dir.file("day.realtim");
    std::string png = dir.file("out.png");
};

TEST_F(RenderFixture, JsonFollowsTheArithmeticAndTheCurveIsWhereItSays) {
    const CliRun r = run_cli(dir, "render '" + file + "' '" + png +
                                      "' --scale 0 --top 100 --size 400x500 --color FF8000");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["points"], 3600);
    EXPECT_EQ(j["total_height"], offset_of(3599));
    EXPECT_DOUBLE_EQ(j["pixels_per_cm"].get<double>(), pixels_per_cm);
    const int left = j["plot"][0], top = j["plot"][1], right = j["plot"][2], bottom = j["plot"][3];
    ASSERT_GT(bottom - top, 400);

    // The day changes at record 600; every minute before and after has its time mark.
    bool saw_date = false;
    std::vector<int> mark_rows;
    for (const auto& m : j["marks"]) {
        const int index = m["index"];
        EXPECT_EQ(m["offset"].get<double>(), offset_of(index));
        EXPECT_GE(offset_of(index), 100);
        EXPECT_LE(offset_of(index), 100 + bottom - top);
        EXPECT_EQ(index % 60, 0) << m["text"];
        if (m["date"]) {
            EXPECT_EQ(index, 600);
            EXPECT_EQ(m["text"], " 1.2.2008 ");
            saw_date = true;
        } else {
            EXPECT_EQ(m["text"], lib::time_to_hhmm(start + index));
        }
        mark_rows.push_back(top + offset_of(index) - 100);
    }
    EXPECT_TRUE(saw_date);
    EXPECT_GE(mark_rows.size(), 10u);

    // Every record on a row free of marks has its blue pixel at the predicted column.
    const QImage image(QString::fromStdString(png));
    ASSERT_EQ(image.size(), QSize(400, 500));
    int checked = 0;
    for (int i = 0; i < 3600; ++i) {
        const int y = top + offset_of(i) - 100;
        if (y <= top || y >= bottom)
            continue;
        // The rows of the corner's date and of every mark's text lie under their backing.
        if (y <= top + 20)
            continue;
        if (std::any_of(mark_rows.begin(), mark_rows.end(),
                        [y](int row) { return y >= row - 1 && y <= row + 18; }))
            continue;
        const int x = static_cast<int>(std::lround(left + (i % 200) * (right - left) / 200.0));
        ASSERT_EQ(image.pixel(x, y), qRgb(0xFF, 0x80, 0))
            << "record " << i << " at " << x << "," << y;
        ++checked;
    }
    EXPECT_GT(checked, 100);
}

TEST_F(RenderFixture, CurveOutOfRangeRendersTheEmptyChartAndAFailedOpenExitsOne) {
    CliRun r = run_cli(dir, "render '" + file + "' '" + png + "' --curve 3 --size 300x300");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_TRUE(j["marks"].empty());
    const QImage image(QString::fromStdString(png));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_NE(image.pixel(x, y), qRgb(0, 0, 255));

    r = run_cli(dir, "render '" + dir.file("none.realtim") + "' '" + png + "'");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("none.realtim"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());

    for (const char* bad : {"--scale 10", "--range 5:5", "--color 12345", "--size 0x10"}) {
        r = run_cli(dir, "render '" + file + "' '" + png + "' " + bad);
        EXPECT_EQ(r.code, 2) << bad;
    }
}

TEST_F(RenderFixture, JsonListsThePausesOfTheWindowWithTheirRealLength) {
    // Ten minutes, a pause of two hours, ten minutes, a pause of 121 s, ten minutes.
    FileStorage model;
    fill_records(model, start, 600, 1);
    fill_records(model, start + 599 + 7200, 600, 1);
    fill_records(model, start + 599 + 7200 + 599 + 121, 600, 1);
    save_data_file(model, file, false);
    const auto pauses = [&](const std::string& window) {
        const CliRun r = run_cli(dir, "render '" + file + "' '" + png + "' --scale 0 " + window);
        EXPECT_EQ(r.code, 0) << r.err;
        return nlohmann::json::parse(r.out)["pauses"];
    };
    // Each counted as 10 s.
    const nlohmann::json first = {{"index", 600}, {"offset", offset_of(609)}, {"seconds", 7200}},
                         second = {{"index", 1200}, {"offset", offset_of(1218)}, {"seconds", 121}};
    EXPECT_EQ(pauses("--size 400x2000"), nlohmann::json::array({first, second}));
    EXPECT_EQ(pauses("--size 400x300 --top " + std::to_string(offset_of(1000))),
              nlohmann::json::array({second}));
}

TEST_F(RenderFixture, JsonListsTheEventsOfTheWindowAndTheStripShowsThem) {
    const auto at = [](int record) {
        return (start + record - 86400) / 86400.0 + 25569; // the journal's calendar number
    };
    LogStorage journal;
    journal.Add(at(100), at(200), 0, 120);
    journal.Add(at(2000), 0, 13, 0); // below the window
    journal.Add(at(-5), 0, 1, 0);    // before the recording
    journal.Add(at(100), 0, 14, 0);  // on the row of the first
    journal_file::save(journal, Storage::JournalPath(file));
    const auto render = [&](const std::string& more) {
        const CliRun r = run_cli(dir, "render '" + file + "' '" + png +
                                          "' --scale 0 --size 400x500 --range 0:400 " + more);
        EXPECT_EQ(r.code, 0) << r.err;
        return nlohmann::json::parse(r.out);
    };
    const nlohmann::json j = render("");
    EXPECT_EQ(j["events"],
              nlohmann::json::parse(
                  "[{\"index\": 0, \"code\": 0, \"row\": " + std::to_string(offset_of(100)) +
                  ", \"end_row\": " + std::to_string(offset_of(200)) +
                  "}, {\"index\": 3, \"code\": 14, \"row\": " + std::to_string(offset_of(100)) +
                  ", \"end_row\": null}]"));
    const int left = j["plot"][0], top = j["plot"][1], right = j["plot"][2];
    const int y = top + offset_of(100);
    const auto reddish = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 130 && qBlue(c) < 130; };
    QImage image(QString::fromStdString(png));
    EXPECT_TRUE(reddish(image.pixel(right - 3, y))); // the marker
    EXPECT_TRUE(reddish(image.pixel(left + 20, y))); // the set-point line across the plot
    EXPECT_TRUE(reddish(image.pixel(right - 2, top + offset_of(150)))); // its bar

    EXPECT_TRUE(render("--no-events")["events"].empty());
    image.load(QString::fromStdString(png));
    for (const QPoint p : {QPoint(right - 3, y), QPoint(left + 20, y)})
        EXPECT_EQ(image.pixel(p), qRgb(255, 255, 255));
}

} // namespace

namespace {

TEST_F(RenderFixture, MarkersAndASelectionAreDrawnWhereTheJsonSaysTheyAre) {
    const CliRun plain =
        run_cli(dir, "render '" + file + "' '" + png + "' --scale 0 --size 400x500");
    ASSERT_EQ(plain.code, 0) << plain.err;
    EXPECT_TRUE(nlohmann::json::parse(plain.out)["selection"].is_null());
    const QImage before(QString::fromStdString(png));
    // Records a second apart from 23:50:00; the day changes at record 600.
    const CliRun r = run_cli(dir, "render '" + file + "' '" + png +
                                      "' --scale 0 --size 400x500 --marker 2008-01-31T23:52:00"
                                      " --marker '2008-01-31 23:55:00'"
                                      " --select 2008-01-31T23:56:00:" +
                                      std::to_string(start + 480));
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j["markers"].size(), 2u);
    EXPECT_EQ(j["markers"][0]["record"], 120);
    EXPECT_EQ(j["markers"][0]["row"], offset_of(120));
    EXPECT_EQ(j["markers"][1]["record"], 300);
    EXPECT_EQ(j["selection"]["first"], 360);
    EXPECT_EQ(j["selection"]["last"], 480);
    EXPECT_EQ(j["selection"]["bottom_row"], offset_of(480));

    const QImage image(QString::fromStdString(png));
    const int top = j["plot"][1], right = j["plot"][2];
    const int x = right - 30; // clear of the labels at the left
    EXPECT_EQ(image.pixel(x, top + offset_of(120)), qRgb(0xC8, 0x00, 0xA0));
    EXPECT_EQ(image.pixel(x, top + offset_of(300)), qRgb(0x00, 0x8C, 0xA0));
    // Shaded bluish between the selection's rows, as before beyond them.
    const QColor shaded = image.pixelColor(x, top + offset_of(430));
    EXPECT_NE(shaded, before.pixelColor(x, top + offset_of(430)));
    EXPECT_GT(shaded.blue(), shaded.red());
    EXPECT_EQ(image.pixel(x, top + offset_of(500)), before.pixel(x, top + offset_of(500)));
    EXPECT_EQ(image.pixel(x, top + offset_of(200)), before.pixel(x, top + offset_of(200)));

    for (const char* bad : {"--marker 2008-02-30T00:00:00", "--marker 1 --marker 2 --marker 3",
                            "--select 5:3", "--select 2008-01-31T23:56:00", "--select :"}) {
        const CliRun refused = run_cli(dir, "render '" + file + "' '" + png + "' " + bad);
        EXPECT_EQ(refused.code, 2) << bad;
    }
}

} // namespace
