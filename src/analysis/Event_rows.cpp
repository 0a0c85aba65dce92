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

EventRows::EventRows(const LogStorage& journal, const FileStorage& data,
                     std::span<const RecordRow> shown) {
    if (journal.Count() == 0)
        return; // spares a pass over the records
    // The latest time up to each shown record: the first record at or after a moment is the
    // first whose latest time reaches it, also where the logger's clock once ran back.
    std::vector<std::uint32_t> latest;
    latest.reserve(shown.size());
    for (const RecordRow& r : shown) {
        const FileStorageItem* item = data.item(r.index);
        if (!item)
            break;
        latest.push_back(std::max(latest.empty() ? 0 : latest.back(), item->time));
    }
    if (latest.empty())
        return;
    const auto first_at = [&](std::uint32_t t) {
        return static_cast<std::size_t>(std::lower_bound(latest.begin(), latest.end(), t) -
                                        latest.begin());
    };
    const std::vector<LogRecord>& events = journal.Records();
    for (std::size_t i = 0; i < events.size(); ++i) {
        const LogRecord& e = events[i];
        const std::optional<std::uint32_t> start = journal_time(e.start);
        if (!start)
            continue;
        const std::size_t k = first_at(*start);
        if (k == latest.size() || (k == 0 && latest[0] > *start))
            continue;
        EventRow placed{static_cast<int>(i), e.code, shown[k].offset, -1};
        if (std::trunc(e.end) != 0) {
            if (const std::optional<std::uint32_t> end = journal_time(e.end)) {
                // An event still going when the recording ends runs to its last record.
                const std::size_t j = std::min(first_at(*end), latest.size() - 1);
                placed.end_row = std::max(placed.row, static_cast<int>(shown[j].offset));
            }
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
