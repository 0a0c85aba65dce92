#include "analysis/Activity.h"

#include <algorithm>
#include <cmath>

#include "library/Codepage.h"

namespace analysis {

namespace {

// The estimator's histogram: seconds spent per bin of load.
constexpr double bin_width = 0.5;
constexpr std::size_t max_bins = 200000;
// Below 1 t the sensor carries nothing at all (a slack line, no sensor): no block weighs that.
constexpr std::size_t lowest_bin = 2;
// Half-widths in bins: the level's own window (±1 t; noise of a few tenths stays inside), the
// window a resting level must fill most of (±3 t), the reach of a local peak (±2 t), where the
// loads clearly below the level start (3.5 t) and where the loaded string starts (5 t).
constexpr std::ptrdiff_t level_reach = 2, wide_reach = 6, peak_reach = 4, below_gap = 7,
                         loaded_gap = 10;
// Shares of the recorded time: a level holds at least 1 % of it, and so does the string
// hanging on the hook above it. Most of the load near a resting level is within its own window,
// and little of the time (half the level's at most) is spent well below it.
constexpr double least_share = 0.01;
constexpr double rest_share = 0.6;
constexpr double most_below = 0.5;

class Histogram {
public:
    void add(float value, std::uint32_t seconds) {
        total_ += seconds;
        const double load = std::max(0.0, static_cast<double>(value));
        const double bin = std::floor(load / bin_width);
        const std::size_t b = bin < max_bins ? static_cast<std::size_t>(bin) : max_bins - 1;
        if (b >= seconds_.size()) {
            seconds_.resize(b + 1, 0.0);
            loads_.resize(b + 1, 0.0);
        }
        seconds_[b] += seconds;
        loads_[b] += load * seconds;
    }

    std::optional<double> level() const {
        if (total_ == 0)
            return std::nullopt;
        std::vector<double> sums(seconds_.size() + 1, 0.0); // sums[k]: bins below k
        for (std::size_t b = 0; b < seconds_.size(); ++b)
            sums[b + 1] = sums[b] + seconds_[b];
        const auto bins = static_cast<std::ptrdiff_t>(seconds_.size());
        const auto window = [&](std::ptrdiff_t from, std::ptrdiff_t to) {
            from = std::clamp<std::ptrdiff_t>(from, 0, bins);
            to = std::clamp<std::ptrdiff_t>(to + 1, 0, bins);
            return from < to
                       ? sums[static_cast<std::size_t>(to)] - sums[static_cast<std::size_t>(from)]
                       : 0.0;
        };
        const auto near = [&](std::ptrdiff_t b) {
            return window(b - level_reach, b + level_reach);
        };
        const double total = static_cast<double>(total_);
        const auto low = static_cast<std::ptrdiff_t>(lowest_bin);
        for (std::ptrdiff_t b = low; b < bins; ++b) {
            const double mass = near(b);
            if (mass < least_share * total)
                continue;
            bool peak = true;
            for (std::ptrdiff_t d = 1; d <= peak_reach && peak; ++d)
                peak = mass > near(b - d) && mass >= near(b + d);
            if (!peak || mass < rest_share * window(b - wide_reach, b + wide_reach) ||
                window(low, b - below_gap) > most_below * mass ||
                window(b + loaded_gap, bins) < least_share * total)
                continue;
            double weighted = 0;
            for (std::ptrdiff_t k = std::max<std::ptrdiff_t>(b - level_reach, 0);
                 k <= std::min(b + level_reach, bins - 1); ++k)
                weighted += loads_[static_cast<std::size_t>(k)];
            return std::round(weighted / mass * 10) / 10;
        }
        return std::nullopt;
    }

private:
    std::vector<double> seconds_;
    std::vector<double> loads_; // load times seconds, for the mean load of a level
    std::uint64_t total_ = 0;
};

// Records between two looks at the cancel flag.
constexpr int cancel_check_every = 1 << 14;

void check_cancel(int i, const std::atomic<bool>* cancel) {
    if (cancel && i % cancel_check_every == 0 && cancel->load(std::memory_order_relaxed))
        throw ActivityCancelled{};
}

void add_statistics(Activity& a, std::uint64_t recorded) {
    std::vector<std::uint32_t> seconds;
    seconds.reserve(a.periods.size());
    for (const SlipsPeriod& p : a.periods) {
        seconds.push_back(p.seconds());
        a.total_seconds += p.seconds();
        a.longest_seconds = std::max(a.longest_seconds, p.seconds());
    }
    a.on_hook_seconds = recorded - a.total_seconds;
    if (seconds.empty())
        return;
    a.mean_seconds = static_cast<double>(a.total_seconds) / static_cast<double>(seconds.size());
    std::sort(seconds.begin(), seconds.end());
    const std::size_t half = seconds.size() / 2;
    a.median_seconds =
        seconds.size() % 2
            ? seconds[half]
            : (static_cast<double>(seconds[half - 1]) + static_cast<double>(seconds[half])) / 2;
}

} // namespace

int activity_curve(const FileStorage& data) {
    for (int k = 0; k < data.param_count(); ++k)
        if (lib::equal_ident(data.param(k)->ident, "вес_на_крюке"))
            return k;
    return data.param_count() > 0 ? 0 : -1;
}

std::optional<double> estimate_block_weight(const CurveView& curve,
                                            const std::atomic<bool>* cancel) {
    Histogram histogram;
    // Each step's time goes to the load at its start; pauses count as no time.
    CurveView::Sample previous{0, 0};
    for (int i = 0; i < curve.size(); ++i) {
        check_cancel(i, cancel);
        const CurveView::Sample s = curve.at(i);
        if (i > 0 && !is_pause(previous.time, s.time) && s.time > previous.time &&
            !std::isnan(previous.value))
            histogram.add(previous.value, s.time - previous.time);
        previous = s;
    }
    return histogram.level();
}

Activity analyse_activity(const FileStorage& data, int curve, const ActivitySettings& settings,
                          const std::atomic<bool>* cancel) {
    Activity a;
    a.curve = curve;
    a.margin = settings.margin;
    a.min_seconds = settings.min_seconds;
    const CurveView view(data, curve);
    a.block_weight = settings.block_weight;
    if (!a.block_weight) {
        a.block_weight = estimate_block_weight(view, cancel);
        a.block_weight_estimated = a.block_weight.has_value();
    }

    const bool level = a.block_weight.has_value();
    const double ceiling = level ? *a.block_weight + a.margin : 0.0;
    const std::uint32_t shortest = std::max<std::uint32_t>(settings.min_seconds, 1);
    std::uint64_t recorded = 0;  // recorded time up to the current record, pauses excluded
    std::uint64_t run_from = 0;  // recorded time at the open run's start
    std::uint64_t hook_from = 0; // recorded time at the last period's end
    int run = -1;                // the open run's first record
    const auto close = [&](int end_index) {
        const std::uint32_t start = view.at(run).time, end = view.at(end_index).time;
        if (end - start >= shortest) {
            a.periods.push_back(
                {run, end_index, start, end, static_cast<std::uint32_t>(run_from - hook_from)});
            hook_from = run_from + (end - start);
        }
        run = -1;
    };
    std::uint32_t previous = 0;
    for (int i = 0; i < view.size(); ++i) {
        check_cancel(i, cancel);
        const CurveView::Sample s = view.at(i);
        const bool low = level && s.value <= ceiling;
        if (i > 0) {
            const bool pause = is_pause(previous, s.time);
            if (run >= 0 && (pause || !low))
                close(pause ? i - 1 : i);
            if (!pause)
                recorded += s.time - previous;
        }
        if (run < 0 && low) {
            run = i;
            run_from = recorded;
        }
        previous = s.time;
    }
    if (run >= 0)
        close(view.size() - 1);
    add_statistics(a, recorded);
    return a;
}

} // namespace analysis
