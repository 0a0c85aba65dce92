#include "analysis/Activity_text.h"

#include <algorithm>
#include <cmath>

#include "library/Mytime.h"
#include "library/Numstr.h"

namespace analysis {

namespace {

const char* const column_titles[period_columns] = {"№", "Начало", "Конец", "В клиньях",
                                                   "Перед этим на крюке"};

std::string two_digits(long long n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

std::string moment_text(std::uint32_t t) {
    const lib::time_parts parts = lib::time_to_parts(t);
    return lib::format_short_date(parts) + " " + lib::format_long_time(parts);
}

} // namespace

std::string duration_text(double seconds) {
    const long long s = std::llround(std::max(0.0, seconds));
    if (s < 60)
        return std::to_string(s) + " с";
    if (s < 3600)
        return std::to_string(s / 60) + " мин " + two_digits(s % 60) + " с";
    const long long minutes = (s + 30) / 60;
    return std::to_string(minutes / 60) + " ч " + two_digits(minutes % 60) + " мин";
}

std::string times_text(int count) {
    const int tens = count % 100, ones = count % 10;
    const bool few = ones >= 2 && ones <= 4 && !(tens >= 12 && tens <= 14);
    return std::to_string(count) + (few ? " раза" : " раз");
}

std::string activity_summary(const Activity& a) {
    if (a.curve < 0)
        return "Нет данных";
    if (!a.block_weight)
        return "Вес талевого блока: не найден (колонна ни разу не стояла в клиньях)";
    std::string text = "Вес талевого блока: " + lib::number_to_text(*a.block_weight, 1) + " т";
    if (a.block_weight_estimated)
        text += " (оценка)";
    text += "   В клиньях: ";
    if (a.periods.empty())
        return text + "ни разу";
    return text + times_text(a.count()) + ", всего " +
           duration_text(static_cast<double>(a.total_seconds)) + ", в среднем " +
           duration_text(a.mean_seconds) + ", дольше всего " + duration_text(a.longest_seconds);
}

const char* period_column_title(int column) {
    return column >= 0 && column < period_columns ? column_titles[column] : "";
}

std::string period_cell(const Activity& a, int row, int column) {
    if (row < 0 || row >= a.count())
        return {};
    const SlipsPeriod& p = a.periods[static_cast<std::size_t>(row)];
    switch (column) {
    case 0:
        return std::to_string(row + 1);
    case 1:
        return moment_text(p.start);
    case 2:
        return moment_text(p.end);
    case 3:
        return duration_text(p.seconds());
    case 4:
        return duration_text(p.on_hook_before);
    default:
        return {};
    }
}

std::string periods_text(const Activity& a, std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [&](int row) { return row < 0 || row >= a.count(); });
    if (rows.empty())
        return {};
    const auto line = [](auto cell) {
        std::string text;
        for (int column = 0; column < period_columns; ++column)
            text += (column ? "\t" : "") + cell(column);
        return text + "\n";
    };
    std::string text = line([](int column) { return std::string(period_column_title(column)); });
    for (int row : rows)
        text += line([&](int column) { return period_cell(a, row, column); });
    return text;
}

} // namespace analysis
