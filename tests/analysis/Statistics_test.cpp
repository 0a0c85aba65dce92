#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "analysis/Statistics.h"
#include "datafile/Assembling.h"
#include "library/Mytime.h"

namespace {

constexpr float nan_value = std::numeric_limits<float>::quiet_NaN();
constexpr std::uint32_t all = lib::no_time;

struct Rec {
    std::uint32_t time;
    float value;
};

void fill(FileStorage& data, const std::vector<Rec>& records) {
    data.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
    for (const Rec& r : records) {
        FileStorageItem item;
        item.time = r.time;
        item.values = {r.value};
        data.add_item(item);
    }
}

struct Case {
    const char* name;
    std::vector<Rec> records;
    std::uint32_t from, to;
    double threshold;
    std::uint64_t count;
    float min;
    std::uint32_t min_time;
    float max;
    std::uint32_t max_time;
    double mean, variance;
    std::uint32_t first_time, last_time;
    std::uint64_t paused, above, below, crossings;
};

TEST(IntervalStats, OverHandBuiltRecordings) {
    // clang-format off
    const Case cases[] = {
        // name, records, from, to, threshold;
        //   count, min, at, max, at, mean, variance, first, last, paused, above, below, crossings
        // The 180 s step is a pause; the crossings on both sides of it count.
        {"a pause", {{1000, 5}, {1010, 15}, {1020, 15}, {1200, 5}, {1210, 20}}, 0, all, 10,
           5, 5, 1000, 20, 1210, 12, 36, 1000, 1210, 180, 10, 20, 2},
        {"crossed on a pause", {{2000, 5}, {2300, 15}}, 0, all, 10,
           2, 5, 2000, 15, 2300, 10, 25, 2000, 2300, 300, 0, 0, 1},
        // A repeated time is a step of 0 s; min and max take the first record that has them.
        {"repeated times", {{3000, 12}, {3000, 8}, {3010, 12}, {3010, 8}}, 0, all, 10,
           4, 8, 3000, 12, 3000, 10, 4, 3000, 3010, 0, 0, 10, 1},
        // A record outside the interval parts its neighbours; both bounds belong to it.
        {"out of order, parted", {{5000, 20}, {5100, 99}, {4990, 99}, {5010, 30}}, 5000, 5010, 25,
           2, 20, 5000, 30, 5010, 25, 25, 5000, 5010, 0, 0, 0, 0},
        // The backward step counts nowhere, but the crossing on it does.
        {"out of order inside", {{6000, 1}, {6010, 2}, {6005, 3}, {6015, 4}}, 0, all, 2.5,
           4, 1, 6000, 4, 6015, 2.5, 1.25, 6000, 6015, 0, 10, 10, 1},
        // A value that is no number is no measurement and parts its neighbours.
        {"a NaN value", {{200, 1}, {210, nan_value}, {220, 3}, {230, 4}}, 0, all, 2,
           3, 1, 200, 4, 230, 8.0 / 3, 14.0 / 9, 200, 230, 0, 10, 0, 0},
        {"one record", {{7000, 42}}, 0, all, 10,
           1, 42, 7000, 42, 7000, 42, 0, 7000, 7000, 0, 0, 0, 0},
        {"an empty interval", {{1000, 1}, {2000, 2}}, 1100, 1900, 1,
           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"the whole time range", {{0, 1}, {all, 2}}, 0, all, 1,
           2, 1, 0, 2, all, 1.5, 0.25, 0, all, all, 0, 0, 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileStorage data;
        fill(data, c.records);
        const analysis::IntervalStats s =
            analysis::interval_stats(data, 0, c.from, c.to, c.threshold);
        EXPECT_EQ(s.count, c.count);
        ASSERT_TRUE(s.above);
        EXPECT_EQ(s.above->threshold, c.threshold);
        if (c.count == 0)
            continue;
        EXPECT_EQ(s.min, c.min);
        EXPECT_EQ(s.min_time, c.min_time);
        EXPECT_EQ(s.max, c.max);
        EXPECT_EQ(s.max_time, c.max_time);
        EXPECT_DOUBLE_EQ(s.mean, c.mean);
        EXPECT_NEAR(s.stddev, std::sqrt(c.variance), 1e-12);
        EXPECT_EQ(s.first_time, c.first_time);
        EXPECT_EQ(s.last_time, c.last_time);
        EXPECT_EQ(s.span_s(), c.last_time - c.first_time);
        EXPECT_EQ(s.paused_s, c.paused);
        EXPECT_EQ(s.above->time_above_s, c.above);
        EXPECT_EQ(s.above->time_below_s, c.below);
        EXPECT_EQ(s.above->crossings_up, c.crossings);
    }
}

TEST(IntervalStats, WithoutThresholdOrCurve) {
    FileStorage data;
    fill(data, {{1000, 1e8f}, {1300, 100000008.0f}, {1310, 1e8f}});
    const analysis::IntervalStats s = analysis::interval_stats(data, 0, 0, all);
    EXPECT_FALSE(s.above);
    EXPECT_EQ(s.paused_s, 300u);
    // Large values with a small spread keep their spread: squares of 1e8 lose it in a double.
    EXPECT_NEAR(s.stddev, std::sqrt(128.0 / 9), 1e-9);
    for (int curve : {-1, 1})
        EXPECT_EQ(analysis::interval_stats(data, curve, 0, all, 1.0).count, 0u) << curve;
    EXPECT_EQ(analysis::interval_stats(data, 0, 1300, 1000).count, 0u);
}

TEST(IntervalStats, RecordAtIsTheNearestAndTheFirstOfEquallyNear) {
    FileStorage data;
    EXPECT_EQ(analysis::record_at(data, 100), -1);
    fill(data, {{100, 0}, {200, 0}, {200, 0}, {150, 0}});
    const std::pair<std::uint32_t, int> cases[] = {{0, 0},   {100, 0}, {124, 0}, {126, 3},
                                                   {149, 3}, {175, 1}, {200, 1}, {all, 1}};
    for (const auto& [t, index] : cases)
        EXPECT_EQ(analysis::record_at(data, t), index) << t;
}

} // namespace
