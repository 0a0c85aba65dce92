#include "analysis/Event_rows.h"

#include <algorithm>
#include <cmath>

#include "library/Mytime.h"

namespace analysis {

namespace {

constexpr double unix_epoch_days = 25569; // 1970-01-01 as a calendar date-time number

} // namespace

std::optional<std::uint32_t> journal_time(double days) {
    if (!std::isfinite(days))
        return std::nullopt;
    const double seconds = std::round((days - unix_epoch_days) * 86400) + 86400;
    if (!(seconds >= 0 && seconds < lib::no_time))
        return std::nullopt;
    return static_cast<std::uint32_t>(seconds);
}

EventGroup event_group(EventKind code) {
    switch (code) {
    case 0:
        return EventGroup::set_point;
    case 2:
    case 3:
    case 4:
    case 5:
    case 9:
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
        return EventGroup::power;
    case 6:
    case 7:
    case 8:
        return EventGroup::memory;
    default:
        return EventGroup::other;
    }
}

void EventRows::Place(const LogStorage& journal, const FileStorage& data,
                      const std::function<bool(RecordRow&)>& next) {
    if (journal.Count() == 0)
        return; // spares a pass over the records
    // Every start and end of an event as a time, in time order; one pass over the shown
    // records then finds each one's row. The first record at or after a moment is the first
    // whose latest time so far reaches it, also where the logger's clock once ran back.
    struct Moment {
        std::uint32_t time;
        std::uint32_t key; // event * 2, + 1 for its end
    };
    const std::vector<LogRecord>& events = journal.Records();
    std::vector<Moment> moments;
    moments.reserve(events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        const std::optional<std::uint32_t> start = journal_time(events[i].start);
        if (!start)
            continue;
        const auto key = static_cast<std::uint32_t>(2 * i);
        moments.push_back({*start, key});
        if (std::trunc(events[i].end) != 0)
            if (const std::optional<std::uint32_t> end = journal_time(events[i].end))
                moments.push_back({*end, key + 1});
    }
    const auto by_time = [](const Moment& a, const Moment& b) { return a.time < b.time; };
    if (!std::is_sorted(moments.begin(), moments.end(), by_time))
        std::stable_sort(moments.begin(), moments.end(), by_time);

    constexpr int none = -1, before_first = -2;
    std::vector<int> rows(2 * events.size(), none); // by key
    std::size_t m = 0;
    std::uint32_t latest = 0;
    int last_offset = 0;
    bool any = false;
    RecordRow r{};
    while (m < moments.size() && next(r)) {
        if (r.index < 0 || r.index >= data.item_count())
            break;
        const std::uint32_t t = data.time(r.index);
        // Before the first shown record: not on the chart.
        for (; !any && m < moments.size() && moments[m].time < t; ++m)
            rows[moments[m].key] = before_first;
        latest = std::max(latest, t);
        for (; m < moments.size() && moments[m].time <= latest; ++m)
            rows[moments[m].key] = r.offset;
        last_offset = r.offset;
        any = true;
    }
    if (!any)
        return;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const int row = rows[2 * i];
        if (row < 0)
            continue; // after the last record, before the first, or no moment at all
        EventRow placed{static_cast<int>(i), events[i].code, row, -1};
        if (std::trunc(events[i].end) != 0 && journal_time(events[i].end)) {
            // An event still going when the recording ends runs to its last record.
            const int end = rows[2 * i + 1];
            placed.end_row = std::max(row, end == none ? last_offset : end);
        }
        placed_.push_back(placed);
    }
}

std::vector<EventRow> EventRows::Window(int top, int bottom) const {
    std::vector<EventRow> window;
    for (const EventRow& e : placed_)
        if (e.row <= bottom && e.last_row() >= top)
            window.push_back(e);
    return window;
}

const EventRow* EventRows::Find(int index) const {
    const auto it = std::lower_bound(placed_.begin(), placed_.end(), index,
                                     [](const EventRow& e, int i) { return e.index < i; });
    return it != placed_.end() && it->index == index ? &*it : nullptr;
}

} // namespace analysis
