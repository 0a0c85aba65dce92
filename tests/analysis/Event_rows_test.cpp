#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "analysis/Event_rows.h"
#include "library/Mytime.h"

using namespace analysis;

namespace {

const std::uint32_t t0 = lib::parts_to_time(2026, 3, 2, 6, 0, 0);

// The journal's calendar number of t0 + seconds.
double days(double seconds) {
    return (t0 + seconds - 86400) / 86400.0 + 25569;
}

// Records at the given seconds after t0, each on the next row of `rows`.
struct Chart {
    Chart(const std::vector<double>& seconds, const std::vector<int>& rows) {
        data.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
        for (std::size_t i = 0; i < seconds.size(); ++i) {
            FileStorageItem item;
            item.time = static_cast<std::uint32_t>(t0 + seconds[i]);
            item.values = {1};
            data.add_item(item);
            shown.push_back({rows[i], static_cast<std::int32_t>(i)});
        }
    }
    FileStorage data;
    std::vector<RecordRow> shown;
};

TEST(EventRows, PlacesEachEventOnTheRowOfTheFirstRecordAtOrAfterIt) {
    // A pause between 30 s and 1000 s.
    const Chart chart({0, 10, 20, 30, 1000, 1010}, {0, 5, 10, 15, 20, 25});
    struct Case {
        double start, end; // seconds after t0; end NaN: no end
        int row, end_row;  // row -1: not placed
    };
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    // In no time order, as a journal may be.
    const Case cases[] = {
        {12, none, 10, -1},   // between records
        {10, none, 5, -1},    // exactly on one
        {500, none, 20, -1},  // inside the pause: where the recording resumed
        {-1, none, -1, -1},   // before the first record
        {0, none, 0, -1},     // on the first
        {1011, none, -1, -1}, // after the last
        {1010, none, 25, -1}, // on the last
        {0, 25, 0, 15},       // an end inside the recording
        {20, 5000, 10, 25},   // an end after it: to the last record
        {19, none, 10, -1},   // the row of the first case too
        {30, 1, 15, 15},      // an end before its start spans its own row
    };
    LogStorage journal;
    for (const Case& c : cases)
        journal.Add(days(c.start), std::isnan(c.end) ? 0.0 : days(c.end), 0, 0);
    journal.Add(days(10), 0.5, 1, 0);           // an end on day 0 is no end
    journal.Add(std::nan(""), 0, 13, 0);        // no moment at all
    journal.Add(days(20), std::nan(""), 14, 0); // an end that is no moment
    const EventRows rows(journal, chart.data, chart.shown);

    int placed = 0;
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        SCOPED_TRACE(i);
        const EventRow* e = rows.Find(i);
        ASSERT_EQ(e != nullptr, cases[i].row >= 0);
        if (!e)
            continue;
        ++placed;
        EXPECT_EQ(e->index, i);
        EXPECT_EQ(e->row, cases[i].row);
        EXPECT_EQ(e->end_row, cases[i].end_row);
    }
    const int last = static_cast<int>(std::size(cases));
    ASSERT_NE(rows.Find(last), nullptr);
    EXPECT_FALSE(rows.Find(last)->has_end());
    EXPECT_EQ(rows.Find(last + 1), nullptr);
    ASSERT_NE(rows.Find(last + 2), nullptr);
    EXPECT_EQ(rows.Find(last + 2)->code, 14);
    EXPECT_FALSE(rows.Find(last + 2)->has_end());
    EXPECT_EQ(rows.Count(), placed + 2);

    // A window holds the events that cover any of its rows, bars from above included, in
    // journal order.
    std::vector<int> in_window;
    for (const EventRow& e : rows.Window(11, 20))
        in_window.push_back(e.index);
    EXPECT_EQ(in_window, (std::vector<int>{2, 7, 8, 10}));
    EXPECT_TRUE(EventRows(journal, chart.data, {}).Window(0, 1000).empty());
}

TEST(EventRows, ARecordingWhoseClockRanBackFindsTheFirstRecordInRecordOrder) {
    const Chart chart({0, 10, -100, -90, 20}, {0, 1, 2, 3, 4});
    LogStorage journal;
    journal.Add(days(15), 0, 0, 0);  // past the latest time before the clock went back
    journal.Add(days(-95), 0, 0, 0); // before the first record's time
    const EventRows rows(journal, chart.data, chart.shown);
    ASSERT_NE(rows.Find(0), nullptr);
    EXPECT_EQ(rows.Find(0)->row, 4);
    EXPECT_EQ(rows.Find(1), nullptr);
}

TEST(EventRows, JournalMomentsAndGroups) {
    EXPECT_EQ(journal_time(25569), 86400u);
    EXPECT_EQ(journal_time(25569.5), 86400u + 43200);
    EXPECT_EQ(journal_time(25569 + 1.4 / 86400), 86401u); // seconds are rounded
    EXPECT_EQ(journal_time(25569 + 1.6 / 86400), 86402u);
    EXPECT_EQ(journal_time(25567.9), std::nullopt); // before the first time value
    EXPECT_EQ(journal_time(1e9), std::nullopt);
    EXPECT_EQ(journal_time(std::numeric_limits<double>::infinity()), std::nullopt);

    const std::pair<EventKind, EventGroup> groups[] = {
        {0, EventGroup::set_point}, {1, EventGroup::other},  {2, EventGroup::power},
        {5, EventGroup::power},     {6, EventGroup::memory}, {8, EventGroup::memory},
        {9, EventGroup::power},     {14, EventGroup::power}, {15, EventGroup::other},
        {255, EventGroup::other},   {-1, EventGroup::other},
    };
    for (const auto& [code, group] : groups)
        EXPECT_EQ(event_group(code), group) << code;
}

} // namespace
