#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "Cli_run.h"
#include "Cli_simulator.h"
#include "datafile/Assembling.h"
#include "formats/Formats.h"

namespace {

constexpr std::uint32_t t0 = 1'772'517'600;

// Pressure, then the hook load: in the slips (20 t) for 0-60 s and 600-700 s, on the hook
// (90 t) otherwise, a record every 10 s up to 990 s.
std::string two_connections(const ScratchDir& dir) {
    FileStorage model;
    model.add_param({"Давление", "P", "атм", "давление", 0, 400});
    model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
    for (std::uint32_t s = 0; s < 1000; s += 10) {
        FileStorageItem item;
        item.time = t0 + s;
        const bool slips = s < 60 || (s >= 600 && s < 700);
        item.values = {50.0f, slips ? 20.0f : 90.0f};
        model.add_item(item);
    }
    const std::string path = dir.file("two.realtim");
    save_data_file(model, path, false);
    return path;
}

} // namespace

TEST(CliActivity, PrintsThePeriodsAndRefusesBadArguments) {
    ScratchDir dir;
    const std::string path = "'" + two_connections(dir) + "'";
    for (const std::string given : {"", " --block-weight 20"}) {
        SCOPED_TRACE(given);
        const CliRun r = run_cli(dir, "activity " + path + given + " --min-seconds 30");
        ASSERT_EQ(r.code, 0) << r.err;
        const auto j = nlohmann::json::parse(r.out);
        EXPECT_EQ(j["curve"], 1);
        EXPECT_EQ(j["block_weight"], 20.0);
        EXPECT_EQ(j["block_weight_estimated"], given.empty());
        EXPECT_EQ(j["margin"], 5.0);
        EXPECT_EQ(j["min_seconds"], 30);
        EXPECT_EQ(j["periods"], nlohmann::json::parse(R"([
            {"start": 1772517600, "end": 1772517660, "seconds": 60, "on_hook_before": 0},
            {"start": 1772518200, "end": 1772518300, "seconds": 100, "on_hook_before": 540}])"));
        EXPECT_EQ(j["count"], 2);
        EXPECT_EQ(j["total_seconds"], 160);
        EXPECT_EQ(j["mean_seconds"], 80.0);
        EXPECT_EQ(j["median_seconds"], 80.0);
        EXPECT_EQ(j["longest_seconds"], 100);
        EXPECT_EQ(j["on_hook_seconds"], 990 - 160);
    }
    // The pressure never rests at a low level with a load above it.
    const CliRun pressure = run_cli(dir, "activity " + path + " --curve 0");
    ASSERT_EQ(pressure.code, 0) << pressure.err;
    const auto j = nlohmann::json::parse(pressure.out);
    EXPECT_TRUE(j["block_weight"].is_null());
    EXPECT_EQ(j["periods"], nlohmann::json::array());

    for (const char* bad : {"--margin -1", "--block-weight x", "--block-weight inf",
                            "--min-seconds 0", "--curve 2", "--bogus", "--margin"})
        EXPECT_EQ(run_cli(dir, "activity " + path + " " + bad).code, 2) << bad;
    EXPECT_EQ(run_cli(dir, "activity").code, 2);
    EXPECT_EQ(run_cli(dir, "activity '" + dir.file("none.realtim") + "'").code, 1);
}

// render lists the periods of its window and shades them under the curve; the activity's
// settings and --no-slips change both.
TEST(CliActivity, RenderShadesThePeriodsOfItsWindow) {
    ScratchDir dir;
    const std::string path = two_connections(dir), png = dir.file("out.png");
    const auto render = [&](const std::string& more) {
        const CliRun r = run_cli(dir, "render '" + path + "' '" + png +
                                          "' --curve 1 --scale 0 --size 400x600 " + more);
        EXPECT_EQ(r.code, 0) << r.err;
        return nlohmann::json::parse(r.out);
    };
    // At 1 minute per centimetre and 96 dpi a minute is 37.8 rows.
    const nlohmann::json j = render("--top 20");
    EXPECT_EQ(j["periods"], nlohmann::json::parse(R"([{"start_row": 0, "end_row": 38},
                                                      {"start_row": 378, "end_row": 441}])"));
    const int top = j["plot"][1], right = j["plot"][2];
    const auto shaded = [&](int row) {
        const QColor c = QImage(QString::fromStdString(png)).pixelColor(right - 40, top + row - 20);
        return c.green() > 200 && c.green() > c.red() && c.blue() < 240;
    };
    EXPECT_TRUE(shaded(410));
    EXPECT_FALSE(shaded(300)) << "on the hook";

    EXPECT_TRUE(render("--top 20 --no-slips")["periods"].empty());
    EXPECT_FALSE(shaded(410));
    // Block weight 10 + margin 5 is under the resting load: no period.
    EXPECT_TRUE(render("--block-weight 10")["periods"].empty());
    EXPECT_EQ(render("--top 400 --min-seconds 90")["periods"].size(), 1u);
    EXPECT_EQ(run_cli(dir, "render '" + path + "' '" + png + "' --margin x").code, 2);
}

// The drilling day read from the simulator: its block weight found again, its connections,
// and the journal it kept of the set-point and the power.
TEST(CliActivity, DrillingDayOfTheSimulator) {
    Simulator sim("--profile drilling --block-weight 27.5 --string-weight 70");
    ASSERT_FALSE(sim.address().empty());
    ScratchDir dir;
    const std::string out = dir.file("day.realtim");
    const CliRun read = run_cli(dir, read_arguments(sim, out, 5000));
    ASSERT_EQ(read.code, 0) << read.err;

    const CliRun r = run_cli(dir, "activity '" + out + "'");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_NEAR(j["block_weight"].get<double>(), 27.5, 2.0);
    EXPECT_TRUE(j["block_weight_estimated"].get<bool>());
    // About ten connections while drilling, then two trips of some eighty stands each.
    EXPECT_GE(j["count"].get<int>(), 150);
    EXPECT_LE(j["count"].get<int>(), 200);
    EXPECT_GT(j["mean_seconds"].get<double>(), 50);
    EXPECT_LT(j["median_seconds"].get<double>(), 120);
    EXPECT_GE(j["longest_seconds"].get<int>(), 40 * 60 - 20); // the bit change

    const CliRun journal = run_cli(dir, "journal '" + out + "'");
    ASSERT_EQ(journal.code, 0) << journal.err;
    std::map<int, int> codes; // lines "index,code,start,end,value" after the header
    std::istringstream lines(journal.out.substr(journal.out.find('\n') + 1));
    for (std::string line; std::getline(lines, line);) {
        const int code = std::stoi(line.substr(line.find(',') + 1));
        ++codes[code];
        if (code == 0) {
            EXPECT_GT(std::stod(line.substr(line.rfind(',') + 1)), 27.5 + 70 + 20) << line;
        }
    }
    EXPECT_GE(codes[0], 3);
    EXPECT_EQ(codes[13], 1);
    EXPECT_EQ(codes[1], 1);
    EXPECT_EQ(codes[14], 1);
    EXPECT_EQ(codes.size(), 4u);
}
