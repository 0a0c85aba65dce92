#include "Drilling.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <random>

namespace sim {

namespace {

constexpr double stand_weight = 0.8;      // tonnes a stand of pipe adds to the string
constexpr std::uint32_t ramp_seconds = 8; // the load moves from one level to the next
constexpr std::uint32_t drilling_before_trip = 9 * 3600;
constexpr std::uint32_t power_lost_at = 20 * 3600, power_lost_for = 45 * 60;

struct Segment {
    std::uint32_t seconds = 0;
    double load = 0;       // tonnes at the hook
    bool drilling = false; // less the weight on the bit
    double overpull = 0;   // a tight spot: this much more, peaking half-way
};

// What the hook carries, second by second, as the crew works through the day.
class Rig {
public:
    Rig(const DrillingOptions& d, std::uint32_t seed)
        : block_(d.block_weight), string_(d.string_weight),
          rng_(seed), current_{60, block_ + string_}, from_(block_ + string_) {}

    // The load `elapsed` seconds into the day; elapsed never goes back.
    double load(std::uint32_t elapsed) {
        while (elapsed >= segment_start_ + current_.seconds) {
            from_ = level(current_, current_.seconds);
            segment_start_ += current_.seconds;
            if (queue_.empty())
                plan();
            current_ = queue_.front();
            queue_.pop_front();
        }
        const std::uint32_t into = elapsed - segment_start_;
        const double target = level(current_, into);
        if (into >= ramp_seconds)
            return target;
        return from_ + (target - from_) * into / ramp_seconds;
    }

private:
    enum class Phase { drilling, trip_out, trip_in };

    double level(const Segment& s, std::uint32_t into) {
        double v = s.load;
        if (s.drilling) {
            wob_ = std::clamp(wob_ + std::normal_distribution<double>(0, 0.15)(rng_), 5.0, 16.0);
            v -= wob_;
        }
        if (s.overpull > 0) {
            const double half = s.seconds / 2.0;
            v += s.overpull * std::max(0.0, 1 - std::fabs(into - half) / 10);
        }
        return v;
    }

    std::uint32_t seconds(std::uint32_t low, std::uint32_t high) {
        return std::uniform_int_distribution<std::uint32_t>(low, high)(rng_);
    }
    double tonnes(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(rng_);
    }

    // The next steps of the crew's work.
    void plan() {
        const double hung = block_ + string_;
        switch (phase_) {
        case Phase::drilling:
            if (!tripped_ && segment_start_ >= drilling_before_trip) {
                phase_ = Phase::trip_out;
                // Down to the heavy pipe at the bit, which stays below the last stand pulled.
                stands_ = static_cast<int>(
                    std::max(10.0, (string_ - std::min(15.0, string_ / 4)) / stand_weight));
                stands_left_ = stands_;
                queue_.push_back({1800, hung}); // circulating the hole clean
                return;
            }
            queue_.push_back({seconds(30 * 60, 60 * 60), hung, true});
            queue_.push_back({120, hung});                 // off bottom
            queue_.push_back({seconds(180, 360), block_}); // the connection
            string_ += stand_weight;
            queue_.push_back({60, block_ + string_}); // picked up, back to bottom
            return;
        case Phase::trip_out: {
            if (stands_left_ == 0) {
                phase_ = Phase::trip_in;
                stands_left_ = stands_;
                queue_.push_back({40 * 60, block_}); // the bit changed at the rotary
                return;
            }
            // The deep part of the hole is tight now and then.
            const bool tight = stands_left_ > stands_ * 6 / 10 && tonnes(0, 1) < 0.3;
            queue_.push_back(
                {seconds(60, 100), hung + tonnes(3, 6), false, tight ? tonnes(20, 45) : 0.0});
            queue_.push_back({seconds(50, 90), block_});
            string_ -= stand_weight;
            --stands_left_;
            return;
        }
        case Phase::trip_in:
            if (stands_left_ == 0) {
                phase_ = Phase::drilling;
                tripped_ = true;
                queue_.push_back({600, hung}); // washing down to bottom
                return;
            }
            string_ += stand_weight;
            queue_.push_back({seconds(50, 80), block_ + string_ - tonnes(2, 4)});
            queue_.push_back({seconds(50, 90), block_});
            --stands_left_;
            return;
        }
    }

    double block_, string_;
    std::mt19937 rng_;
    double wob_ = 10;
    Phase phase_ = Phase::drilling;
    bool tripped_ = false;
    int stands_ = 0, stands_left_ = 0;
    std::deque<Segment> queue_;
    Segment current_; // the day starts with the string picked up off bottom
    std::uint32_t segment_start_ = 0;
    double from_;
};

std::string tonnes_text(double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", value);
    return buf;
}

} // namespace

RigDay drilling_day(const RecordingOptions& o, const DrillingOptions& d) {
    const double set_point = d.set_point.value_or(d.block_weight + d.string_weight + 20);
    RigDay day;
    day.wire.reserve(static_cast<std::size_t>(o.records) * 11);
    Rig rig(d, o.seed);
    std::normal_distribution<double> noise(0.0, 0.3);
    std::mt19937 rng(o.seed ^ 0xD811u);
    std::uint32_t elapsed = 0;
    bool powered = true;
    bool over = false;
    std::uint32_t over_since = 0;
    double peak = 0;
    std::uint32_t last = o.start;
    for (std::uint64_t i = 0; i < o.records; ++i, elapsed += o.interval) {
        if (powered && elapsed >= power_lost_at) {
            powered = false;
            day.alarms.push_back("13\t" + alarm_time_text(o.start + elapsed) + "\t0");
            elapsed += power_lost_for;
            day.alarms.push_back("1\t" + alarm_time_text(o.start + elapsed) + "\t0");
            day.alarms.push_back("14\t" + alarm_time_text(o.start + elapsed) + "\t0");
        }
        const std::uint32_t t = o.start + elapsed;
        const double v = std::max(0.0, rig.load(elapsed) + noise(rng));
        if (v > set_point && !over) {
            over = true;
            over_since = t;
            peak = v;
        } else if (v > set_point) {
            peak = std::max(peak, v);
        } else if (over) {
            over = false;
            day.alarms.push_back("0\t" + alarm_time_text(over_since) + "\t" + alarm_time_text(t) +
                                 "\t" + tonnes_text(peak));
        }
        append_frame(day.wire, record_payload(t, static_cast<float>(v)));
        last = t;
    }
    if (over)
        day.alarms.push_back("0\t" + alarm_time_text(over_since) + "\t" + alarm_time_text(last) +
                             "\t" + tonnes_text(peak));
    return day;
}

} // namespace sim
