#include <gtest/gtest.h>

#include <numeric>
#include <tuple>

#include "graph/Graphevents.h"

using analysis::EventGroup;
using analysis::EventRow;

namespace {

TEST(ChartEvents, EventsOfOneRowShareAMarkerInTheColourOfTheMostUrgent) {
    const std::vector<EventRow> window = {
        {0, 13, 40, -1}, {1, 6, 41, 90}, {2, 0, 40, 45}, {3, 255, 40, -1}, {4, 1, 12, -1}};
    const std::vector<EventMarker> markers = EventMarkers(window);
    ASSERT_EQ(markers.size(), 3u);
    const std::tuple<int, EventGroup, std::vector<int>> expected[] = {
        {12, EventGroup::other, {4}},
        {40, EventGroup::set_point, {0, 2, 3}},
        {41, EventGroup::memory, {1}}};
    for (std::size_t k = 0; k < markers.size(); ++k) {
        EXPECT_EQ(markers[k].row, std::get<0>(expected[k]));
        EXPECT_EQ(markers[k].group, std::get<1>(expected[k]));
        EXPECT_EQ(markers[k].events, std::get<2>(expected[k]));
    }
}

TEST(ChartEvents, TheTipOfACrowdedMarkerListsItsEventsAsTheJournalDoes) {
    LogStorage journal;
    for (int k = 0; k < 20; ++k)
        journal.Add(46083.25, k == 0 ? 46083.5 : 0, k == 0 ? 0 : 13, k == 0 ? 95.5f : 0);
    const QStringList two = EventsText(journal, {0, 1}).split('\n');
    ASSERT_EQ(two.size(), 2);
    EXPECT_TRUE(two[0].startsWith(QString::fromStdString(journal.CellText(1, 0))));
    EXPECT_TRUE(two[0].endsWith(QString::fromStdString(journal.CellText(2, 0))));
    EXPECT_TRUE(two[0].contains(" - ")) << "with its end";

    std::vector<int> all(20);
    std::iota(all.begin(), all.end(), 0);
    const QStringList lines = EventsText(journal, all).split('\n');
    ASSERT_EQ(lines.size(), 16);
    EXPECT_TRUE(lines.back().endsWith("20"));
}

} // namespace
