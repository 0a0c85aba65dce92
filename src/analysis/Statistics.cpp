#include "analysis/Statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "analysis/Activity.h"
#include "datafile/Assembling.h"

namespace analysis {

IntervalStats interval_stats(const FileStorage& data, int curve, std::uint32_t from,
                             std::uint32_t to, std::optional<double> threshold) {
    IntervalStats s;
    if (threshold)
        s.above = ThresholdTimes{*threshold};
    // Sums of the values shifted by the first one keep the variance from cancelling away.
    double sum = 0, shifted = 0, shifted_squares = 0;
    float origin = 0;
    bool previous_in = false;
    float previous_value = 0;
    std::uint32_t previous_time = 0;
    const CurveView view(data, curve);
    for (int i = 0; i < view.size(); ++i) {
        const auto [t, v] = view.at(i);
        if (t < from || t > to || !std::isfinite(v)) {
            previous_in = false;
            continue;
        }
        if (s.count == 0) {
            s.min = s.max = origin = v;
            s.min_time = s.max_time = s.first_time = s.last_time = t;
        }
        if (v < s.min) {
            s.min = v;
            s.min_time = t;
        }
        if (v > s.max) {
            s.max = v;
            s.max_time = t;
        }
        s.first_time = std::min(s.first_time, t);
        s.last_time = std::max(s.last_time, t);
        ++s.count;
        sum += v;
        const double d = static_cast<double>(v) - origin;
        shifted += d;
        shifted_squares += d * d;

        if (previous_in) {
            const std::int64_t step = std::int64_t{t} - previous_time;
            if (step > max_step_seconds)
                s.paused_s += static_cast<std::uint64_t>(step);
            if (s.above) {
                ThresholdTimes& a = *s.above;
                if (step >= 1 && step <= max_step_seconds) {
                    if (previous_value > a.threshold)
                        a.time_above_s += static_cast<std::uint64_t>(step);
                    else
                        a.time_below_s += static_cast<std::uint64_t>(step);
                }
                if (previous_value <= a.threshold && a.threshold < v)
                    ++a.crossings_up;
            }
        }
        previous_in = true;
        previous_value = v;
        previous_time = t;
    }
    if (s.count != 0) {
        const auto n = static_cast<double>(s.count);
        s.mean = sum / n;
        s.stddev = std::sqrt(std::max(0.0, (shifted_squares - shifted * shifted / n) / n));
    }
    return s;
}

int record_at(const FileStorage& data, std::uint32_t t) {
    int best = -1;
    std::int64_t best_distance = 0;
    for (int i = 0; i < data.item_count(); ++i) {
        const std::int64_t distance = std::llabs(std::int64_t{data.time(i)} - t);
        if (best == -1 || distance < best_distance) {
            best = i;
            best_distance = distance;
        }
    }
    return best;
}

} // namespace analysis
