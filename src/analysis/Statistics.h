#pragma once
// Statistics of one parameter over the records of a time interval, the numbers the chart's
// interval panel and vornell-cli stats show, and the record nearest to a moment, which the
// chart's markers sit on.
#include <cstdint>
#include <optional>

class FileStorage;

namespace analysis {

// The steps between adjacent records of the interval, split by the value at the step's start; a
// step longer than max_step_seconds (Activity.h) is a pause, as on the graph, and counts in
// neither.
struct ThresholdTimes {
    double threshold = 0;
    std::uint64_t time_above_s = 0; // steps of 1 to max_step_seconds starting above it
    std::uint64_t time_below_s = 0; // ... starting at or below it
    std::uint64_t crossings_up = 0; // adjacent records going from at or below to above it
};

struct IntervalStats {
    std::uint64_t count = 0;
    // The rest holds only when count is not 0.
    float min = 0, max = 0;
    std::uint32_t min_time = 0, max_time = 0; // of the first record, in record order, with it
    double mean = 0;
    double stddev = 0; // of the population
    // The earliest and the latest time: with records out of order not the first and last ones.
    std::uint32_t first_time = 0, last_time = 0;
    std::uint64_t paused_s = 0;          // steps over max_step_seconds between adjacent records
    std::optional<ThresholdTimes> above; // when a threshold was given

    std::uint32_t span_s() const { return last_time - first_time; }
};

// Over the records whose time lies in [from, to] and that have a finite value of the parameter
// curve (a curve the model has not gives count 0). Steps are taken between records adjacent in
// record order that both belong to the interval; a repeated or backward time is a step that
// counts nowhere, though a threshold crossing on it still counts. threshold must be finite.
// One pass over the model.
IntervalStats interval_stats(const FileStorage& data, int curve, std::uint32_t from,
                             std::uint32_t to, std::optional<double> threshold = std::nullopt);

// The record whose time is nearest to t, the first in record order among equally near ones;
// -1 for a model without records. A linear search: records need not be in order.
int record_at(const FileStorage& data, std::uint32_t t);

} // namespace analysis
