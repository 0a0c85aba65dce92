#pragma once
// What the simulated logger holds: its measurement memory as wire bytes and its alarm journal.
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct RecordingOptions {
    std::uint64_t records = 21600;    // a day at one record every 4 s
    std::uint32_t interval = 4;       // seconds between records
    std::uint32_t start = 1772431203; // 2026-03-02 06:00:03 on the logger's clock
    std::uint32_t seed = 1;
    int alarms = 8;
    bool odd_frames = false; // 7- and 9-byte frames and a framing error now and then
    bool bad_date = false;   // one alarm line with a month that does not exist
};

// One record as it goes on the wire: 8 little-endian bytes, 255 doubled, then 255, 0.
void append_frame(std::string& wire, const std::string& payload);
std::string record_payload(std::uint32_t time, float value);

// A drilling run's hook load: drilling on bottom, connections, a trip out and back in.
std::string synthetic_dump(const RecordingOptions& o);
std::vector<std::string> synthetic_alarms(const RecordingOptions& o);

// "YYYY MON DD hh:mm:ss" of logger seconds.
std::string alarm_time_text(std::uint32_t t);

// Reads a dump script: "TIME VALUE" lines give records, "raw HEX.." lines give bytes put on the
// wire as they are; empty lines and lines starting with '#' are skipped. The closing empty
// frame is not included. Throws std::runtime_error on a malformed line.
std::string dump_from_script(const std::string& text);

} // namespace sim
