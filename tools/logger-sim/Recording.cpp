#include "Recording.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <random>
#include <sstream>
#include <stdexcept>

namespace sim {

void append_frame(std::string& wire, const std::string& payload) {
    for (char c : payload) {
        wire.push_back(c);
        if (static_cast<unsigned char>(c) == 255)
            wire.push_back(c);
    }
    wire.push_back(static_cast<char>(255));
    wire.push_back(0);
}

std::string record_payload(std::uint32_t time, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    std::string p(8, '\0');
    for (int i = 0; i < 4; ++i) {
        p[static_cast<std::size_t>(i)] = static_cast<char>((time >> (8 * i)) & 0xFF);
        p[static_cast<std::size_t>(4 + i)] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    }
    return p;
}

namespace {

// The rig's state machine, one step per record.
class HookLoad {
public:
    explicit HookLoad(std::uint32_t seed) : rng_(seed) {}

    float next(std::uint32_t dt) {
        std::normal_distribution<float> noise(0.0f, 0.6f);
        left_ -= static_cast<int>(dt);
        if (left_ <= 0)
            advance();
        float v = 0.0f;
        switch (phase_) {
        case Phase::drilling: {
            std::uniform_real_distribution<float> wob(4.0f, 14.0f);
            v = string_weight_ - wob(rng_);
            // The hole deepens; a long recording stays within a rig's range.
            string_weight_ = std::min(string_weight_ + 0.0004f * static_cast<float>(dt), 160.0f);
            break;
        }
        case Phase::in_slips:
            v = block_weight_;
            break;
        case Phase::tripping:
            // Each stand: a pull at string weight plus drag, then the hook unloaded in the slips.
            v = (trip_clock_++ % 30) < 18 ? string_weight_ + 6.0f : block_weight_;
            string_weight_ +=
                trip_out_ ? -0.01f * static_cast<float>(dt) : 0.01f * static_cast<float>(dt);
            string_weight_ = std::max(string_weight_, block_weight_ + 5.0f);
            break;
        }
        return std::max(0.0f, v + noise(rng_));
    }

private:
    enum class Phase { drilling, in_slips, tripping };

    void advance() {
        std::uniform_int_distribution<int> drill_time(35 * 60, 70 * 60);
        std::uniform_int_distribution<int> slips_time(3 * 60, 6 * 60);
        if (phase_ == Phase::drilling) {
            ++connections_;
            if (connections_ % 12 == 0) {
                phase_ = Phase::tripping;
                trip_out_ = true;
                left_ = 3 * 3600;
                return;
            }
            phase_ = Phase::in_slips;
            left_ = slips_time(rng_);
        } else if (phase_ == Phase::tripping && trip_out_) {
            trip_out_ = false;
            left_ = 3 * 3600;
        } else {
            phase_ = Phase::drilling;
            left_ = drill_time(rng_);
        }
    }

    std::mt19937 rng_;
    Phase phase_ = Phase::drilling;
    int left_ = 40 * 60;
    int connections_ = 0;
    bool trip_out_ = false;
    unsigned trip_clock_ = 0;
    float string_weight_ = 96.0f;
    float block_weight_ = 18.5f;
};

} // namespace

std::string synthetic_dump(const RecordingOptions& o) {
    std::string wire;
    wire.reserve(static_cast<std::size_t>(o.records) * 11);
    HookLoad load(o.seed);
    std::uint32_t t = o.start;
    for (std::uint64_t i = 0; i < o.records; ++i) {
        if (o.odd_frames && i % 1000 == 0) {
            append_frame(wire, std::string(7, '\x11'));
            append_frame(wire, std::string(9, '\x22'));
            wire += std::string("\x01\x02\xFF\x07", 4); // escape followed by neither 0 nor 255
        }
        append_frame(wire, record_payload(t, load.next(o.interval)));
        t += o.interval;
    }
    return wire;
}

std::string alarm_time_text(std::uint32_t t) {
    static const char* months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const std::time_t tt = t;
    std::tm tm{};
    gmtime_r(&tt, &tm);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d %s %02d %02d:%02d:%02d", tm.tm_year + 1900,
                  months[tm.tm_mon], tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::vector<std::string> synthetic_alarms(const RecordingOptions& o) {
    std::mt19937 rng(o.seed ^ 0x5A5Au);
    const std::uint64_t span = o.records * o.interval;
    std::vector<std::string> lines;
    // The logger was switched on at the start of the recording.
    if (o.alarms > 0)
        lines.push_back("3\t" + alarm_time_text(o.start) + "\t0");
    for (int i = 1; i < o.alarms; ++i) {
        const std::uint32_t at =
            o.start + static_cast<std::uint32_t>(span * static_cast<std::uint64_t>(i) /
                                                 static_cast<std::uint64_t>(o.alarms));
        std::uniform_int_distribution<int> kind(0, 2);
        switch (kind(rng)) {
        case 0: // set-point exceeded, with the load reached
            lines.push_back("0\t" + alarm_time_text(at) + "\t" +
                            std::to_string(110 + static_cast<int>(rng() % 30)) + ".5");
            break;
        case 1: // power lost and restored
            lines.push_back("1\t" + alarm_time_text(at) + "\t" + alarm_time_text(at + 95) + "\t0");
            break;
        default: // a memory page dropped
            lines.push_back("4\t" + alarm_time_text(at) + "\t" + std::to_string(rng() % 64));
            break;
        }
    }
    if (o.bad_date)
        lines.push_back("0\t2026 XYZ 02 10:00:00\t1");
    return lines;
}

std::string dump_from_script(const std::string& text) {
    std::string wire;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string first;
        fields >> first;
        if (first == "raw") {
            unsigned byte;
            while (fields >> std::hex >> byte) {
                if (byte > 255)
                    throw std::runtime_error("line " + std::to_string(number) + ": byte > FF");
                wire.push_back(static_cast<char>(byte));
            }
            continue;
        }
        std::istringstream record(line);
        unsigned long long t;
        float v;
        if (!(record >> t >> v) || t > 0xFFFFFFFFull)
            throw std::runtime_error("line " + std::to_string(number) + ": expected TIME VALUE");
        append_frame(wire, record_payload(static_cast<std::uint32_t>(t), v));
    }
    return wire;
}

} // namespace sim
