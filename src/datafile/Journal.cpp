#include "datafile/Journal.h"

#include <cmath>
#include <string>

#include "library/Mytime.h"
#include "library/Numstr.h"

namespace {

// Calendar numbers of 0001-01-01 and of the day after 9999-12-31.
constexpr double first_datetime = -693593.0;
constexpr double past_last_datetime = 2958466.0;

std::string datetime_text(double dt, bool iso) {
    if (!valid_datetime(dt))
        return {};
    const lib::time_parts parts = lib::datetime_to_parts(dt);
    return iso ? lib::iso_date_time(parts)
               : lib::format_short_date(parts) + " " + lib::format_long_time(parts);
}

} // namespace

bool valid_datetime(double dt) {
    return std::isfinite(dt) && dt >= first_datetime && dt < past_last_datetime;
}

LogStorage::LogStorage()
    : kinds_{
          {0, "Превышение установок"},
          {1, "Включение регистратора"},
          {2, "Низкий уровень напряжения резервного питания"},
          {3, "Питание в норме"},
          {4, "3 вольта кирдык"},
          {5, "3 вольта вернулись"},
          {6, "пришлось прибить страничку с замерами"},
          {7, "пришлось прибить страничку с алармами"},
          {8, "всё слили в компьютер и стёрли флешку."},
          {9, "Отключение +12 вольт от пульта"},
          {10, "Включение +12 вольт от пульта"},
          {11, "Отключение -12 вольт от пульта"},
          {12, "Включение -12 вольт от пульта"},
          {13, "Пропало сетевое питание"},
          {14, "Сетевое питание в норме"},
          {255, "Неизвестное событие"},
      } {}

void LogStorage::Add(double start, double end, EventKind code, float value) {
    records_.push_back(LogRecord{start, end, code, value});
}

void LogStorage::Clear() {
    records_.clear();
}

std::string LogStorage::SituationText(EventKind code, float value) const {
    const auto it = kinds_.find(code);
    if (it == kinds_.end())
        return "Неизвестный код (" + std::to_string(code) + ")";
    std::string text = it->second;
    if (value > 0.001f)
        text += " (" + lib::number_to_text(value) + ")";
    return text;
}

std::string LogStorage::CellText(int column, int row, bool iso_dates) const {
    if (row < 0 || row >= Count())
        return {};
    const LogRecord& r = records_[static_cast<std::size_t>(row)];
    switch (column) {
    case 0:
        return std::to_string(row + 1);
    case 1: {
        std::string text = datetime_text(r.start, iso_dates);
        if (std::trunc(r.end) != 0.0) {
            const std::string end = datetime_text(r.end, iso_dates);
            if (!end.empty())
                text += " - " + end;
        }
        return text;
    }
    case 2:
        return SituationText(r.code, r.value);
    default:
        return {};
    }
}

std::string LogStorage::ColumnTitle(int index) {
    constexpr const char* titles[] = {"№", "Дата/Время", "Ситуация"};
    return index >= 0 && index < static_cast<int>(std::size(titles)) ? titles[index] : "";
}
