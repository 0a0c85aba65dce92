#pragma once
// The journal on the chart: each event placed on the pixel row of the record at which it
// happened, so that the graph, its pictures and its printout draw the events where the curve
// shows their moment. An event inside a pause sits where the recording resumed; one before the
// first shown record or after the last is not placed (the journal still lists it).
#include <cstdint>
#include <functional>
#include <iterator>
#include <optional>
#include <vector>

#include "datafile/Assembling.h"
#include "datafile/Journal.h"

namespace analysis {

// A record as a chart shows it: its row (pixel offset from the first shown record) and its
// position in the recording.
struct RecordRow {
    std::int32_t offset;
    std::int32_t index;
};

// The program time value of a journal moment (a calendar date-time number); empty when the
// moment is no time value at all.
std::optional<std::uint32_t> journal_time(double days);

// The colour family an event is drawn in.
enum class EventGroup { set_point, power, memory, other };
EventGroup event_group(EventKind code);

struct EventRow {
    int index = 0; // position in the journal
    EventKind code = 0;
    int row = 0;
    int end_row = -1; // -1: the event has no end

    bool has_end() const { return end_row >= 0; }
    // The last row it covers.
    int last_row() const { return has_end() ? end_row : row; }
};

// Every event of a journal placed on the rows of the shown records.
class EventRows {
public:
    EventRows() = default;
    // shown: the records a chart draws, a range of RecordRow in record order, their offsets
    // never decreasing. It is read once, front to back.
    template <class Rows>
    EventRows(const LogStorage& journal, const FileStorage& data, const Rows& shown) {
        auto it = std::begin(shown);
        const auto end = std::end(shown);
        Place(journal, data, [&](RecordRow& row) {
            if (it == end)
                return false;
            row = *it;
            ++it;
            return true;
        });
    }

    // The events that cover any row from top to bottom (both inclusive), in journal order.
    std::vector<EventRow> Window(int top, int bottom) const;
    // The placed event of journal position index; nullptr when it is not on the chart.
    const EventRow* Find(int index) const;
    int Count() const { return static_cast<int>(placed_.size()); }

private:
    // next gives the shown records one by one, false after the last.
    void Place(const LogStorage& journal, const FileStorage& data,
               const std::function<bool(RecordRow&)>& next);

    std::vector<EventRow> placed_; // in journal order
};

} // namespace analysis
