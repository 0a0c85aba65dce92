#pragma once
// Rig activity from the hook load alone. While the string hangs in the slips the hook carries
// only the travelling block, so the load drops to the block weight; every such drop is a
// connection. This unit estimates the block weight, finds the in-slips periods and their
// statistics. It reads the recording through CurveView only.
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "datafile/Assembling.h"

namespace analysis {

// A step between records longer than this, or one back in time, is a pause, as the graph
// draws it: no period runs across it and it counts as no time.
inline constexpr std::uint32_t max_step_seconds = 120;

inline bool is_pause(std::uint32_t before, std::uint32_t after) {
    return after < before || after - before > max_step_seconds;
}

// One curve of a recording as the analysis reads it, record by record: the only place that
// knows how the recording keeps times and values.
class CurveView {
public:
    struct Sample {
        std::uint32_t time;
        float value; // as recorded, which may be NaN
    };

    // A curve the recording does not have is empty. The view reads the recording's columns in
    // place: the recording must not change while it is in use.
    CurveView(const FileStorage& data, int curve)
        : times_(data.times()),
          values_(curve >= 0 && curve < data.param_count() ? data.values(curve)
                                                           : std::span<const float>()) {}

    int size() const { return static_cast<int>(values_.size()); }
    Sample at(int i) const {
        const auto k = static_cast<std::size_t>(i);
        return {times_[k], values_[k]};
    }

private:
    std::span<const std::uint32_t> times_;
    std::span<const float> values_;
};

inline constexpr double default_margin = 5.0;            // tonnes above the block weight
inline constexpr std::uint32_t default_min_seconds = 20; // the shortest period

struct ActivitySettings {
    std::optional<double> block_weight; // tonnes; empty: estimated from the recording
    double margin = default_margin;
    std::uint32_t min_seconds = default_min_seconds; // 0 counts as 1: a period has a length
};

// A run of records at or below block weight + margin. Its end is the time of the first record
// after it, or of its own last record when a pause or the end of the recording follows.
struct SlipsPeriod {
    int first_index = 0; // the record at start
    int end_index = 0;   // the record at end
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    // Time on the hook since the end of the previous period (the first: since the recording
    // began), pauses excluded: the stand time.
    std::uint32_t on_hook_before = 0;

    std::uint32_t seconds() const { return end - start; }
};

struct Activity {
    int curve = -1;
    std::optional<double> block_weight; // empty: no level found, and so no periods
    bool block_weight_estimated = false;
    double margin = default_margin;
    std::uint32_t min_seconds = default_min_seconds;
    std::vector<SlipsPeriod> periods;
    // Over the periods; 0 when there are none.
    std::uint64_t total_seconds = 0;
    double mean_seconds = 0;
    double median_seconds = 0;
    std::uint32_t longest_seconds = 0;
    // The recorded time outside the periods, pauses excluded.
    std::uint64_t on_hook_seconds = 0;

    int count() const { return static_cast<int>(periods.size()); }
};

// The hook-load parameter ("вес_на_крюке"), else the first one; -1 without parameters.
int activity_curve(const FileStorage& data);

// What an analysis stopped by its cancel flag raises.
struct ActivityCancelled {};

// The level at which the load rests longest in the lower part of its range, in tenths of a
// tonne; empty when the load never rests at such a level (the string never was in the slips).
// A set cancel flag stops the pass with ActivityCancelled.
std::optional<double> estimate_block_weight(const CurveView& curve,
                                            const std::atomic<bool>* cancel = nullptr);

// The periods and their statistics; estimates the block weight when the settings give none.
// A set cancel flag stops it with ActivityCancelled within a few thousand records, so a worker
// that runs it can be stopped before the recording changes.
Activity analyse_activity(const FileStorage& data, int curve, const ActivitySettings& settings,
                          const std::atomic<bool>* cancel = nullptr);

} // namespace analysis
