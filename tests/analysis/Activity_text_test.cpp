#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <tuple>

#include "analysis/Activity_text.h"
#include "library/Mytime.h"

using namespace analysis;

namespace {

TEST(ActivityText, DurationsAndCounts) {
    const std::pair<double, const char*> durations[] = {{0, "0 с"},
                                                        {-3, "0 с"},
                                                        {45.4, "45 с"},
                                                        {59.6, "1 мин 00 с"},
                                                        {136, "2 мин 16 с"},
                                                        {362, "6 мин 02 с"},
                                                        {3599, "59 мин 59 с"},
                                                        {3600, "1 ч 00 мин"},
                                                        {5729, "1 ч 35 мин"},
                                                        {5731, "1 ч 36 мин"},
                                                        {26 * 3600 + 300, "26 ч 05 мин"}};
    for (const auto& [seconds, text] : durations)
        EXPECT_EQ(duration_text(seconds), text) << seconds;
    const std::pair<int, const char*> counts[] = {
        {0, "0 раз"},     {1, "1 раз"},      {2, "2 раза"},     {4, "4 раза"},  {5, "5 раз"},
        {11, "11 раз"},   {12, "12 раз"},    {14, "14 раз"},    {21, "21 раз"}, {42, "42 раза"},
        {112, "112 раз"}, {122, "122 раза"}, {1001, "1001 раз"}};
    for (const auto& [count, text] : counts)
        EXPECT_EQ(times_text(count), text) << count;
}

// Two periods from 06:00 on, as the analysis leaves them.
Activity two_periods() {
    const std::uint32_t t0 = lib::parts_to_time(2026, 3, 2, 6, 0, 0);
    Activity a;
    a.curve = 0;
    a.block_weight = 28.5;
    a.block_weight_estimated = true;
    a.periods = {{10, 40, t0 + 1800, t0 + 1800 + 136, 1800},
                 {90, 120, t0 + 7200, t0 + 7200 + 362, 5264}};
    a.total_seconds = 498;
    a.mean_seconds = 249;
    a.longest_seconds = 362;
    return a;
}

TEST(ActivityText, SummaryLine) {
    Activity a = two_periods();
    EXPECT_EQ(activity_summary(a),
              "Вес талевого блока: 28,5 т (оценка)   В клиньях: 2 раза, "
              "всего 8 мин 18 с, в среднем 4 мин 09 с, дольше всего 6 мин 02 с");
    a.block_weight = 30;
    a.block_weight_estimated = false;
    a.periods.clear();
    EXPECT_EQ(activity_summary(a), "Вес талевого блока: 30,0 т   В клиньях: ни разу");
    a.block_weight.reset();
    EXPECT_NE(activity_summary(a).find("не найден"), std::string::npos);
    EXPECT_EQ(activity_summary(Activity{}), "Нет данных");
}

TEST(ActivityText, TableCellsAndCopiedRows) {
    const Activity a = two_periods();
    const std::tuple<int, int, const char*> cells[] = {{0, 0, "1"},
                                                       {1, 0, "2"},
                                                       {0, 1, "02.03.2026 6:30:00"},
                                                       {0, 2, "02.03.2026 6:32:16"},
                                                       {1, 3, "6 мин 02 с"},
                                                       {1, 4, "1 ч 28 мин"},
                                                       {2, 0, ""}, // beyond the table
                                                       {-1, 1, ""},
                                                       {0, 5, ""}};
    for (const auto& [row, column, text] : cells)
        EXPECT_EQ(period_cell(a, row, column), text) << row << "," << column;

    const std::string header = "№\tНачало\tКонец\tВ клиньях\tПеред этим на крюке\n";
    const std::string second =
        "2\t02.03.2026 8:00:00\t02.03.2026 8:06:02\t6 мин 02 с\t1 ч 28 мин\n";
    // Any order, repeated or beyond the table: each row once, in table order.
    EXPECT_EQ(periods_text(a, {1}), header + second);
    const std::string both = periods_text(a, {1, 0, 1, 7});
    EXPECT_EQ(both.rfind(header, 0), 0u);
    EXPECT_EQ(both.substr(both.size() - second.size()), second);
    EXPECT_EQ(std::count(both.begin(), both.end(), '\n'), 3);
    EXPECT_EQ(periods_text(a, {}), "");
    EXPECT_EQ(periods_text(a, {5}), "");
}

TEST(ActivityText, ACancelFlagStopsTheAnalysis) {
    FileStorage data;
    data.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
    FileStorageItem item;
    item.values = {20};
    for (item.time = 100000; item.time < 100000 + 40000; ++item.time)
        data.add_item(item);
    std::atomic<bool> cancel{true};
    EXPECT_THROW(analyse_activity(data, 0, {}, &cancel), ActivityCancelled);
    EXPECT_THROW(analyse_activity(data, 0, {30.0, 5, 20}, &cancel), ActivityCancelled);
    cancel = false;
    EXPECT_EQ(analyse_activity(data, 0, {30.0, 5, 20}, &cancel).count(), 1);
}

} // namespace
