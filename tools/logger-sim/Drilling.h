#pragma once
// The drilling profile: a day of a rig as the logger records it, with the journal it keeps.
#include <optional>
#include <string>
#include <vector>

#include "Recording.h"

namespace sim {

struct DrillingOptions {
    double block_weight = 22.5;      // tonnes: the travelling block and the top drive
    double string_weight = 60;       // tonnes: the drill string at the start, on the hook
    std::optional<double> set_point; // tonnes; default block + string + 20
};

struct RigDay {
    std::string wire; // the records as the dump sends them
    std::vector<std::string> alarms;
};

// From the first record on: drilling stands with a connection every 30-60 minutes, after about
// nine hours a trip out and back in with a connection every 2-3 minutes and a bit change
// between, then drilling again. Tight spots on the way out pull the load over the set-point;
// the journal has an alarm for each crossing. Twenty hours in, the logger's mains fail for 45
// minutes: no records then, and the journal says when it went and came back.
RigDay drilling_day(const RecordingOptions& o, const DrillingOptions& d);

} // namespace sim
