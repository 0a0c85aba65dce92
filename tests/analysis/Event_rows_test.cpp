#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "analysis/Event_rows.h"
#include "library/Mytime.h"

using namespace analysis;

namespace {

const std::uint32_t t0 = lib::parts_to_time(2026, 3, 2, 6, 0, 0);
const double none = std::numeric_limits<double>::quiet_NaN();

// The journal's calendar number of t0 + seconds.
double days(double seconds) {
    return (t0 + seconds - 86400) / 86400.0 + 25569;
}

// Records at the given seconds after t0, on the given rows.
struct Chart {
    Chart(const std::vector<double>& seconds, const std::vector<int>& rows) {
        data.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
        FileStorageItem item;
        item.values = {1};
        for (std::size_t i = 0; i < seconds.size(); ++i) {
            item.time = static_cast<std::uint32_t>(t0 + seconds[i]);
            data.add_item(item);
            shown.push_back({rows[i], static_cast<std::int32_t>(i)});
        }
    }
    FileStorage data;
    std::vector<RecordRow> shown;
};

TEST(EventRows, PlacesEachEventOnTheRowOfTheFirstRecordAtOrAfterIt) {
    const Chart chart({0, 10, 20, 30, 1000, 1010}, {0, 5, 10, 15, 20, 25}); // a pause after 30 s
    struct Case {
        double start, end;
        int row, end_row; // row -1: not placed
    };
    // In no time order, as a journal may be.
    const Case cases[] = {
        {days(12), 0, 10, -1},          // between records
        {days(10), 0, 5, -1},           // exactly on one
        {days(500), 0, 20, -1},         // inside the pause: where the recording resumed
        {days(-1), 0, -1, -1},          // before the first record
        {days(0), 0, 0, -1},            // on the first
        {days(1011), 0, -1, -1},        // after the last
        {days(1010), 0, 25, -1},        // on the last
        {days(0), days(25), 0, 15},     // an end inside the recording
        {days(20), days(5000), 10, 25}, // an end after it: to the last record
        {days(19), 0, 10, -1},          // the row of the first case too
        {days(30), days(1), 15, 15},    // an end before its start spans its own row
        {days(10), 0.5, 5, -1},         // an end on day 0 is no end
        {none, 0, -1, -1},              // no moment at all
        {days(20), none, 10, -1},       // an end that is no moment
    };
    LogStorage journal;
    for (const Case& c : cases)
        journal.Add(c.start, c.end, 0, 0);
    const EventRows rows(journal, chart.data, chart.shown);
    int placed = 0;
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        const EventRow* e = rows.Find(i);
        ASSERT_EQ(e != nullptr, cases[i].row >= 0) << i;
        placed += e != nullptr;
        if (e)
            EXPECT_EQ(std::make_tuple(e->index, e->row, e->end_row),
                      std::make_tuple(i, cases[i].row, cases[i].end_row));
    }
    EXPECT_EQ(rows.Count(), placed);

    // A window holds the events that cover any of its rows, bars from above included, in
    // journal order.
    std::vector<int> in_window;
    for (const EventRow& e : rows.Window(11, 20))
        in_window.push_back(e.index);
    EXPECT_EQ(in_window, (std::vector<int>{2, 7, 8, 10}));
    EXPECT_TRUE(EventRows(journal, chart.data, std::vector<RecordRow>()).Window(0, 1000).empty());

    // Where the logger's clock ran back, the first record at or after a moment in record order.
    const Chart back({0, 10, -100, -90, 20}, {0, 1, 2, 3, 4});
    const EventRows on_back(journal, back.data, back.shown);
    EXPECT_EQ(on_back.Find(0)->row, 4);  // 12 s: past the latest time before the clock went back
    EXPECT_EQ(on_back.Find(3), nullptr); // -1 s: before the first record's time
}

TEST(EventRows, JournalMomentsAndGroups) {
    EXPECT_EQ(journal_time(25569), 86400u);
    EXPECT_EQ(journal_time(25569.5), 86400u + 43200);
    EXPECT_EQ(journal_time(25569 + 1.4 / 86400), 86401u); // seconds are rounded
    EXPECT_EQ(journal_time(25569 + 1.6 / 86400), 86402u);
    for (const double beyond : {25567.9, 1e9, std::numeric_limits<double>::infinity()})
        EXPECT_EQ(journal_time(beyond), std::nullopt) << beyond;

    const std::pair<EventKind, EventGroup> groups[] = {
        {0, EventGroup::set_point}, {1, EventGroup::other},  {2, EventGroup::power},
        {5, EventGroup::power},     {6, EventGroup::memory}, {8, EventGroup::memory},
        {9, EventGroup::power},     {14, EventGroup::power}, {15, EventGroup::other},
        {255, EventGroup::other},   {-1, EventGroup::other}};
    for (const auto& [code, group] : groups)
        EXPECT_EQ(event_group(code), group) << code;
}

} // namespace
