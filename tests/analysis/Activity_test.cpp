#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "analysis/Activity.h"

using namespace analysis;

namespace {

// A rig's day as a script: the recording it leaves and the in-slips periods it had.
class Rig {
public:
    Rig(double block_weight, double noise, std::uint32_t interval)
        : block_(block_weight), noise_(0.0, noise), interval_(interval) {
        model.add_param({"Вес на крюке", "W кр.", "т", "ВЕС_НА_КРЮКЕ", 0, 250});
    }

    // The string on the hook: load, swinging evenly by up to `swing` (the weight on the bit).
    void hook(std::uint32_t seconds, double load, double swing = 0) {
        std::uniform_real_distribution<double> swings(-swing, swing);
        phase(seconds, [&] { return load + swings(rng_); });
    }
    void slips(std::uint32_t seconds) {
        if (!expected.empty() && expected.back().second == t_)
            expected.back().second += seconds; // still in the slips
        else
            expected.push_back({t_, t_ + seconds});
        phase(seconds, [&] { return block_; });
    }
    // The logger recorded nothing: a period before it ends at its own last record.
    void pause(std::uint32_t seconds) {
        if (!expected.empty() && expected.back().second == t_)
            expected.back().second -= interval_;
        pauses.push_back(t_);
        t_ += seconds;
        after_pause_ = true;
    }
    // Stands of a trip: pulls at a load from `from` to `to`, each followed by the slips.
    void trip(int stands, double from, double to, std::uint32_t pull, std::uint32_t rest) {
        for (int s = 0; s < stands; ++s) {
            hook(pull, from + (to - from) * s / std::max(stands - 1, 1));
            slips(rest);
        }
    }

    FileStorage model;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> expected;
    std::vector<std::uint32_t> pauses; // where each began

private:
    // One record every interval; the first record of a phase is half-way from the last load.
    void phase(std::uint32_t seconds, const std::function<double()>& load) {
        for (std::uint32_t s = 0; s < seconds; s += interval_) {
            double v = load();
            if (s == 0 && !after_pause_ && model.item_count() > 0)
                v = (v + last_) / 2;
            last_ = v;
            after_pause_ = false;
            FileStorageItem item;
            item.time = t_ + s;
            item.values = {static_cast<float>(v + noise_(rng_))};
            model.add_item(item);
        }
        t_ += seconds;
    }

    double block_;
    std::normal_distribution<double> noise_;
    std::uint32_t interval_;
    std::mt19937 rng_{7};
    std::uint32_t t_ = 1'772'517'600; // 2026-03-03 06:00:00
    double last_ = 0;
    bool after_pause_ = false;
};

struct Case {
    const char* name;
    double block_weight;
    double noise;
    std::uint32_t interval;
    std::function<void(Rig&)> day;
    bool level = true;                // the estimator must find one
    std::optional<double> given = {}; // a block weight set by the user
};

void drilling(Rig& rig, int stands, double string_weight, std::uint32_t stand_minutes,
              std::uint32_t connection) {
    for (int s = 0; s < stands; ++s) {
        rig.hook(stand_minutes * 60, string_weight - 9 + s, 5); // drilling the stand
        rig.hook(90, string_weight + s);                        // off bottom, before the slips
        rig.slips(connection);
    }
    rig.hook(1800, string_weight - 9 + stands, 5);
}

} // namespace

TEST(Activity, FindsThePeriodsOfGeneratedRecordings) {
    const std::vector<Case> cases = {
        {"drilling", 22.5, 0.0, 4, [](Rig& r) { drilling(r, 12, 110, 40, 300); }},
        {"drilling, 3 % in the slips", 30, 0.3, 4, [](Rig& r) { drilling(r, 8, 95, 58, 120); }},
        {"tripping, half in the slips", 18.5, 0.0, 1, [](Rig& r) { r.trip(60, 101, 30, 75, 75); }},
        {"drilling and both trips with noise", 25, 0.5, 4,
         [](Rig& r) {
             drilling(r, 6, 120, 35, 240);
             r.trip(50, 126, 38, 90, 60);
             r.slips(1500); // the bit changed
             r.trip(50, 33, 118, 80, 70);
             drilling(r, 4, 121, 50, 200);
         }},
        {"mostly in the slips", 35, 0.4, 2,
         [](Rig& r) {
             for (int i = 0; i < 10; ++i) {
                 r.slips(1200);
                 r.hook(300, 70 + i);
             }
         }},
        {"never in the slips", 20, 0.4, 4,
         [](Rig& r) {
             for (int i = 0; i < 8; ++i) {
                 r.hook(3000, 100 + i, 6);
                 r.hook(600, 110 + i);
             }
         },
         false},
        {"pauses inside a period and on the hook", 21, 0.3, 4,
         [](Rig& r) {
             drilling(r, 3, 90, 30, 240);
             r.slips(300);
             r.pause(2700);
             r.slips(200);
             r.hook(600, 95);
             r.pause(40000);
             r.hook(600, 96);
             r.slips(180);
             r.hook(600, 97);
         }},
        {"a given block weight where the estimate finds none", 24, 0.3, 4,
         [](Rig& r) {
             r.hook(8 * 3600, 100, 6);
             r.slips(150);
             r.hook(3600, 100, 6);
         },
         false, 24.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.block_weight, c.noise, c.interval);
        c.day(rig);
        ASSERT_EQ(activity_curve(rig.model), 0);
        const std::optional<double> estimate = estimate_block_weight(CurveView(rig.model, 0));
        ASSERT_EQ(estimate.has_value(), c.level);
        if (estimate) {
            EXPECT_NEAR(*estimate, c.block_weight, 2.0);
        }

        ActivitySettings settings;
        settings.block_weight = c.given;
        const Activity a = analyse_activity(rig.model, 0, settings);
        EXPECT_EQ(a.block_weight_estimated, !c.given && c.level);
        const auto& expected = c.level || c.given ? rig.expected : decltype(rig.expected){};
        ASSERT_EQ(a.count(), static_cast<int>(expected.size()));

        std::uint64_t total = 0, longest = 0;
        std::uint32_t previous_end = rig.model.item(0)->time;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const SlipsPeriod& p = a.periods[i];
            EXPECT_NEAR(p.start, expected[i].first, 10.0) << "period " << i;
            EXPECT_NEAR(p.end, expected[i].second, 10.0) << "period " << i;
            EXPECT_EQ(rig.model.item(p.first_index)->time, p.start);
            EXPECT_EQ(rig.model.item(p.end_index)->time, p.end);
            // Stand times over no pause are plain differences.
            if (std::none_of(rig.pauses.begin(), rig.pauses.end(),
                             [&](std::uint32_t t) { return t >= previous_end && t < p.start; })) {
                EXPECT_EQ(p.on_hook_before, p.start - previous_end) << "period " << i;
            }
            previous_end = p.end;
            total += p.seconds();
            longest = std::max<std::uint64_t>(longest, p.seconds());
        }
        EXPECT_EQ(a.total_seconds, total);
        EXPECT_EQ(a.longest_seconds, longest);
        if (!expected.empty()) {
            EXPECT_DOUBLE_EQ(a.mean_seconds * a.count(), static_cast<double>(total));
        }
    }
}

TEST(Activity, StatisticsAndPauses) {
    // Load by the second: slips 0-30 s, hook, slips 50-60 s (too short), hook, slips 100-160 s
    // with a pause of 1000 s after 130 s, hook from 1100 s; then slips again to the end.
    FileStorage model;
    model.add_param({"Давление", "P", "атм", "давление", 0, 400});
    model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
    const auto load = [](std::uint32_t s) {
        const bool slips = s < 30 || (s >= 50 && s < 60) || (s >= 100 && s <= 130) ||
                           (s >= 1030 && s < 1100) || s >= 1200;
        return slips ? 20.0f : 90.0f;
    };
    for (std::uint32_t s = 0; s <= 1300; s += 10) {
        if (s > 130 && s < 1030)
            continue;
        FileStorageItem item;
        item.time = 100000 + s;
        item.values = {1.0f, load(s)};
        model.add_item(item);
    }
    ASSERT_EQ(activity_curve(model), 1);
    ActivitySettings settings;
    settings.block_weight = 18;
    const Activity a = analyse_activity(model, 1, settings);
    ASSERT_EQ(a.count(), 4);
    const std::uint32_t starts[] = {0, 100, 1030, 1200}, ends[] = {30, 130, 1100, 1300};
    const std::uint32_t before[] = {0, 70, 0, 100};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(a.periods[i].start, 100000 + starts[i]) << i;
        EXPECT_EQ(a.periods[i].end, 100000 + ends[i]) << i;
        EXPECT_EQ(a.periods[i].on_hook_before, before[i]) << i;
    }
    EXPECT_EQ(a.total_seconds, 30u + 30 + 70 + 100);
    EXPECT_EQ(a.longest_seconds, 100u);
    EXPECT_DOUBLE_EQ(a.median_seconds, 50);
    EXPECT_EQ(a.on_hook_seconds, 130u + 270 - 230);

    // Without a level, on another curve, or without any record nothing is found.
    EXPECT_EQ(analyse_activity(model, 0, {}).count(), 0);
    EXPECT_FALSE(analyse_activity(model, 0, {}).block_weight);
    EXPECT_EQ(analyse_activity(model, 5, settings).count(), 0);
    FileStorage empty;
    EXPECT_EQ(activity_curve(empty), -1);
    EXPECT_FALSE(analyse_activity(empty, -1, {}).block_weight);
}
