#pragma once
// The rig activity as the "Операции" tab words it: the summary line, the periods table's cells
// and the text that copying its rows puts on the clipboard.
#include <string>
#include <vector>

#include "analysis/Activity.h"

namespace analysis {

// "45 с", "2 мин 16 с", "6 мин 02 с", "1 ч 35 мин": the two largest units, rounded to the second
// (to the minute from an hour on).
std::string duration_text(double seconds);
// "1 раз", "3 раза", "42 раза", "11 раз": how many times.
std::string times_text(int count);

// "Вес талевого блока: 28,5 т (оценка)   В клиньях: 42 раза, всего 1 ч 35 мин, в среднем
// 2 мин 16 с, дольше всего 6 мин 02 с"; says so when no level was found.
std::string activity_summary(const Activity& a);

// The periods table: "№", "Начало", "Конец", "В клиньях", "Перед этим на крюке".
inline constexpr int period_columns = 5;
const char* period_column_title(int column);
// The text of a cell; empty outside the table.
std::string period_cell(const Activity& a, int row, int column);
// The header line and the rows given (in table order, each once), tab-separated, one line each;
// empty without a row.
std::string periods_text(const Activity& a, std::vector<int> rows);

} // namespace analysis
