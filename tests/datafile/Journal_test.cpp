#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "datafile/Journal.h"

namespace {

// 5 March 2007 as a calendar date-time number.
constexpr double march5 = 39146.0;
constexpr double at_9_05 = march5 + (9 * 3600 + 5 * 60) / 86400.0;

} // namespace

TEST(JournalTexts, SituationWording) {
    LogStorage j;
    EXPECT_EQ(j.SituationText(42, 0.0f), "Неизвестный код (42)");
    EXPECT_EQ(j.SituationText(-7, 50.0f), "Неизвестный код (-7)");
    EXPECT_EQ(j.SituationText(255, 0.0f), "Неизвестное событие");
    EXPECT_EQ(j.SituationText(0, 0.0005f), "Превышение установок");
    EXPECT_EQ(j.SituationText(0, 0.001f), "Превышение установок");
    EXPECT_EQ(j.SituationText(0, -12.5f), "Превышение установок");
    EXPECT_EQ(j.SituationText(0, 12.5f), "Превышение установок (12,5)");
    EXPECT_EQ(j.SituationText(8, 0.0f), "всё слили в компьютер и стёрли флешку.");
    EXPECT_EQ(j.SituationText(14, 3.14159f), "Сетевое питание в норме (3,14)");
    EXPECT_EQ(j.SituationText(15, 0.0f), "Неизвестный код (15)");
}

TEST(JournalTexts, CellsAndTitles) {
    LogStorage j;
    j.Add(at_9_05, 0.0, 0, 12.5f);
    j.Add(at_9_05, 0.5, 1, 0.0f);                 // end with integer part 0: not shown
    j.Add(march5 + 0.5, march5 + 1.25, 13, 0.0f); // 12:00 to the next day 6:00
    ASSERT_EQ(j.Count(), 3);

    EXPECT_EQ(j.CellText(0, 0), "1");
    EXPECT_EQ(j.CellText(0, 2), "3");
    EXPECT_EQ(j.CellText(1, 0), "05.03.2007 9:05:00");
    EXPECT_EQ(j.CellText(1, 1), "05.03.2007 9:05:00");
    EXPECT_EQ(j.CellText(1, 2), "05.03.2007 12:00:00 - 06.03.2007 6:00:00");
    EXPECT_EQ(j.CellText(2, 0), "Превышение установок (12,5)");
    EXPECT_EQ(j.CellText(2, 2), "Пропало сетевое питание");
    EXPECT_EQ(j.CellText(3, 0), "");
    EXPECT_EQ(j.CellText(-1, 0), "");
    EXPECT_EQ(j.CellText(0, -1), "");
    EXPECT_EQ(j.CellText(0, 3), "");

    EXPECT_EQ(LogStorage::ColumnTitle(0), "№");
    EXPECT_EQ(LogStorage::ColumnTitle(1), "Дата/Время");
    EXPECT_EQ(LogStorage::ColumnTitle(2), "Ситуация");
    EXPECT_EQ(LogStorage::ColumnTitle(3), "");
    EXPECT_EQ(LogStorage::ColumnTitle(7), "");
    EXPECT_EQ(LogStorage::ColumnTitle(-1), "");

    j.Clear();
    EXPECT_EQ(j.Count(), 0);
    EXPECT_EQ(j.CellText(0, 0), "");
    EXPECT_EQ(j.SituationText(3, 0.0f), "Питание в норме"); // the kind table survives Clear
}

TEST(JournalTexts, MomentsOutsideTheCalendarShowNoDate) {
    LogStorage j;
    j.Add(std::numeric_limits<double>::quiet_NaN(), 0.0, 0, 0.0f);
    j.Add(at_9_05, std::numeric_limits<double>::infinity(), 0, 0.0f);
    j.Add(1e300, -1e300, 0, std::numeric_limits<float>::infinity());
    EXPECT_EQ(j.CellText(1, 0), "");
    EXPECT_EQ(j.CellText(1, 1), "05.03.2007 9:05:00");
    EXPECT_EQ(j.CellText(1, 2), "");
    EXPECT_EQ(j.CellText(2, 0), "Превышение установок");
}
