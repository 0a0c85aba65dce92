#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Cli_run.h"
#include "datafile/Assembling.h"
#include "formats/Formats.h"
#include "library/Mytime.h"

namespace {

const std::uint32_t t0 = lib::parts_to_time(2026, 3, 5, 14, 0, 0);

class CliStats : public ::testing::Test {
protected:
    void SetUp() override {
        FileStorage model;
        model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0.0f, 250.0f});
        model.add_param({"Давление", "P", "атм", "давление", 0.0f, 400.0f});
        // Steps of 10 s, then a pause of 180 s; 0.1f has no short exact decimal.
        const std::pair<std::uint32_t, float> records[] = {
            {t0, 5}, {t0 + 10, 15}, {t0 + 20, 0.1f}, {t0 + 200, 20}};
        float pressure = 1;
        for (const auto& [time, load] : records) {
            FileStorageItem item;
            item.time = time;
            item.values = {load, pressure++};
            model.add_item(item);
        }
        save_data_file(model, file);
    }

    nlohmann::ordered_json stats(const std::string& args) {
        const CliRun r = run_cli(dir, "stats " + file + " " + args);
        EXPECT_EQ(r.code, 0) << r.err;
        return r.code == 0 ? nlohmann::ordered_json::parse(r.out) : nlohmann::ordered_json();
    }

    ScratchDir dir;
    const std::string file = dir.file("run.realtim");
};

TEST_F(CliStats, TheWholeRecordingAnIntervalAndAnEmptyOne) {
    auto j = stats("--above 10");
    std::vector<std::string> keys;
    for (const auto& [key, value] : j.items())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{
                        "curve",     "name",         "unit",         "from",      "to",
                        "count",     "min",          "min_time",     "max",       "max_time",
                        "mean",      "std",          "first_time",   "last_time", "span_s",
                        "threshold", "time_above_s", "time_below_s", "paused_s",  "crossings_up"}));
    EXPECT_EQ(j["from"], t0);
    EXPECT_EQ(j["to"], t0 + 200);
    const std::vector<int> sums = {j["count"],        j["span_s"],   j["time_above_s"],
                                   j["time_below_s"], j["paused_s"], j["crossings_up"]};
    EXPECT_EQ(sums, (std::vector<int>{4, 200, 10, 10, 180, 2}));

    // The same interval as dates and as time values, whatever the time zone.
    setenv("TZ", "Pacific/Kiritimati", 1);
    for (const std::string& args :
         {std::string("--curve 0 --from 2026-03-05T14:00:10 --to '2026-03-05 14:00:20'"),
          "--from " + std::to_string(t0 + 10) + " --to " + std::to_string(t0 + 20)}) {
        j = stats(args);
        EXPECT_EQ(j["from"], t0 + 10) << args;
        EXPECT_EQ(j["to"], t0 + 20) << args;
        EXPECT_EQ(j["count"], 2) << args;
        // The float as stored, widened exactly.
        EXPECT_EQ(j["min"].get<double>(), static_cast<double>(0.1f)) << args;
        EXPECT_EQ(j["min_time"], t0 + 20) << args;
        EXPECT_EQ(j["mean"].get<double>(), (15.0 + static_cast<double>(0.1f)) / 2) << args;
    }
    unsetenv("TZ");

    EXPECT_EQ(stats("--curve 1")["name"], "Давление");
    j = stats("--from 2026-03-06T00:00:00 --above 1");
    EXPECT_EQ(j["count"], 0);
    EXPECT_EQ(j["threshold"], 1.0);
    std::size_t nulls = 0;
    for (const auto& [key, value] : j.items())
        nulls += value.is_null();
    // "to", the nine from "min" to "span_s" and the four the threshold adds.
    EXPECT_EQ(nulls, 14u);
}

TEST_F(CliStats, BadArgumentsExitTwoAndAFileThatFailsOne) {
    const std::pair<std::string, int> runs[] = {
        {"--curve 2", 2},
        {"--curve -1", 2},
        {"--from 2026-03-05T14:00:10 --to 2026-03-05T14:00:09", 2},
        {"--from 2026-02-30T00:00:00", 2},
        {"--from 2026-02-29T00:00:00", 2},
        {"--to 2028-02-29T00:00:00", 0}, // a leap year
        {"--from 2026-03-05T24:00:00", 2},
        {"--from 2026-03-05", 2},
        {"--from 1969-12-31T23:59:59", 2},
        {"--to 4294967296", 2},
        {"--above nan", 2},
        {"--above 1e999", 2},
        {"--above 12,5", 2},
    };
    for (const auto& [args, code] : runs) {
        const CliRun r = run_cli(dir, "stats " + file + " " + args);
        EXPECT_EQ(r.code, code) << args << "\n" << r.err;
        EXPECT_EQ(r.err.empty(), code == 0) << args;
    }
    EXPECT_EQ(run_cli(dir, "stats").code, 2);
    EXPECT_EQ(run_cli(dir, "stats " + dir.file("missing.realtim")).code, 1);
}

} // namespace
