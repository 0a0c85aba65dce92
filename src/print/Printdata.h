#pragma once
// What the main window hands to the print dialog, and the dialog to the graph printer.
#include <cstdint>
#include <memory>

#include "params/Grformoptions.h"

namespace analysis {
struct Activity;
}

struct GrPrintDataIn {
    GrFormOptions options; // replaced by the graph view's current values when printing
    int curve = 0;
    int minutes_per_cm = 10;
    std::uint32_t color = 0xFF0000; // blue-green-red
    double day_start = 0;           // calendar date-time numbers of the daily window
    double day_end = 0;
    bool daily = false;
    // An interval of the chart instead: the records whose time lies in [from, to].
    bool interval = false;
    std::uint32_t interval_from = 0, interval_to = 0;
    // The rig activity drawn under the curve; none draws nothing.
    std::shared_ptr<const analysis::Activity> activity;
};

struct PrintDataIn : GrPrintDataIn {
    int first_row = 0; // event positions of the journal grid's selection
    int last_row = 0;
};
