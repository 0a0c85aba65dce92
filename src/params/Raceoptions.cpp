#include "params/Raceoptions.h"

#include <type_traits>

#include "library/Binary_io.h"

namespace {

constexpr const char* not_set = "::НЕ ЗАДАНО::";
constexpr const char* drill_type_items =
    "Роторное|Турбинное|Роторно-турбинное|Электробурение|Аварийные работы|Другое";

// The binary record's field order, listed once for both directions: the ten 32-bit numbers,
// the sixteen doubles, then the texts (initial_bit_wear last, as old records have it).
template <class Self, class Number, class Text>
void visit_binary(Self& r, Number&& number, Text&& text) {
    number(r.drill_type);
    number(r.run_number);
    number(r.time_step);
    number(r.drilling_time);
    number(r.circulation_time);
    number(r.trip_time);
    number(r.flushing_time);
    number(r.reaming_time);
    number(r.start_time);
    number(r.end_time);

    number(r.footage);
    number(r.well_diameter);
    number(r.bit_diameter);
    number(r.depth_step);
    number(r.start_depth);
    number(r.end_depth);
    number(r.avg_load);
    number(r.avg_density);
    number(r.avg_pressure);
    number(r.avg_flow);
    number(r.run_speed);
    number(r.cake_thickness);
    number(r.ph);
    number(r.resistivity);
    number(r.chl);
    number(r.sand_percent);

    text(r.stability);
    text(r.mud_type);
    text(r.viscosity);
    text(r.filtration);
    text(r.stickiness);
    text(r.assembly);
    text(r.bit_type);
    text(r.customer);
    text(r.oil_field);
    text(r.master);
    text(r.motor_type);
    text(r.pump);
    text(r.operator_name);
    text(r.well);
    text(r.bit_number);

    text(r.area);
    text(r.well_category);
    text(r.time_file);
    text(r.depth_file);
    text(r.real_depth_file);
    text(r.bit_wear);
    text(r.drill_method_text);

    text(r.initial_bit_wear);
}

} // namespace

RaceInfo::RaceInfo() {
    set_defaults();
}

void RaceInfo::describe(lib::options_list& list) {
    list.begin_section("рейс_арх", "Архивные данные");
    lib::add_string(list, oil_field, not_set, "месторождение");
    lib::add_string(list, well, not_set, "скважина");
    lib::add_string(list, well_category, not_set, "категория_скважины");
    lib::add_string(list, area, not_set, "площадь");
    lib::add_string(list, customer, not_set, "заказчик");
    lib::add_double(list, footage, 0, "проходка", "", "м", 2);
    lib::add_double(list, start_depth, 0, "нач_глубина", "", "м", 2);
    lib::add_unsigned(list, start_time, 0, "нач_время", "", "UNIX_TIME");
    lib::add_double(list, end_depth, 0, "конеч_глубина", "", "м", 2);
    lib::add_unsigned(list, end_time, 0, "конеч_время", "", "UNIX_TIME");

    list.begin_section("рейс_главн", "Основные данные");
    lib::add_int(list, run_number, 1, "номер_рейса", "Номер рейса");
    lib::add_string(list, drill_method_text, "", "способ_бурения");
    lib::add_string(list, operator_name, "", "оператор", "Операторы");
    lib::add_enum(list, drill_type, rotary, "способ_бурения2", "Способ бурения", drill_type_items);

    list.begin_section("рейс_долото", "Долото и ЗД");
    lib::add_string(list, bit_type, "", "тип_долота", "Типоразмер долота");
    lib::add_string(list, bit_number, "", "номер_долота", "Заводской номер долота");
    lib::add_double(list, bit_diameter, 0, "диаметр_долота", "Диаметр долота", "мм", 1);
    lib::add_string(list, motor_type, "", "типоразмер_з_д", "Типоразмер ЗД");
    lib::add_string(list, initial_bit_wear, "", "начальный_износ_долота", "Начальный износ долота");
    lib::add_string(list, bit_wear, "", "износ_долота", "Код износа долота");
    lib::add_string(list, assembly, "", "компоновка", "Компоновка");

    list.begin_section("рейс_техно", "Технол. параметры");
    lib::add_double(list, avg_load, 0, "сред_нагр", "Средняя нагрузка", "т", 1);
    lib::add_double(list, avg_density, 0, "сред_плотн", "Средняя плотность ПЖ", "г/см3", 2);
    lib::add_double(list, avg_pressure, 0, "сред_давл", "Среднее давление ПЖ", "атм", 0);
    lib::add_double(list, avg_flow, 0, "сред_расх", "Средний расход ПЖ", "л/с", 1);
    lib::add_double(list, run_speed, 0, "рейс_скор", "Рейсовая скорость", "м/ч", 2);

    list.begin_section("рейс_пж", "ПЖ");
    lib::add_string(list, mud_type, "", "тип_раствора", "Тип раствора");
    lib::add_string(list, viscosity, "", "вязкость", "Вязкость");
    lib::add_string(list, filtration, "", "фильтрация", "Фильтрация");
    lib::add_double(list, chl, 0, "chl", "CHl", "", 2);
    lib::add_double(list, cake_thickness, 0, "толщина_корки", "Толщина корки", "мм", 1);
    lib::add_double(list, sand_percent, 0, "процент_песка", "Процент песка", "%", 1);
    lib::add_string(list, stability, "", "стабильность", "Стабильность");
    lib::add_double(list, resistivity, 0, "удельное_сопротивление", "Удельное сопротивление",
                    "ом/м", 2);
    lib::add_string(list, stickiness, "", "липкость", "Липкость");
    lib::add_double(list, ph, 0, "ph", "pH", "", 1);
}

void RaceInfo::describe_ini(lib::ini_options_elements& e) {
    const std::string archive = "архивные_данные";
    e.add_string(oil_field, archive, "месторождение");
    e.add_string(well, archive, "скважина");
    e.add_string(well_category, archive, "категория_скважины");
    e.add_string(area, archive, "площадь");
    e.add_string(customer, archive, "заказчик");

    const std::string settings = "настройки_рейса";
    e.add_int(run_number, settings, "номер_рейса");
    e.add_string(bit_number, settings, "номер_долота");
    e.add_double(bit_diameter, settings, "диаметр_долота");
    e.add_string(bit_type, settings, "тип_долота");
    e.add_string(drill_method_text, settings, "способ_бурения");
    e.add_string(operator_name, settings, "оператор");
    e.add_string(motor_type, settings, "типоразмер_з_д");
    e.add_double(depth_step, settings, "шаг_записи_по_глубине");
    e.add_int(time_step, settings, "шаг_записи_по_времени");
    e.add_string(initial_bit_wear, settings, "начальный_износ_долота");

    const std::string start = "начало_рейса";
    e.add_double(start_depth, start, "глубина");
    e.add_unsigned(start_time, start, "время");

    const std::string end = "окончание_рейса";
    e.add_double(end_depth, end, "глубина");
    e.add_unsigned(end_time, end, "время");
    e.add_int(drilling_time, end, "время_бурения");
    e.add_int(circulation_time, end, "время_циркуляции");
    e.add_int(trip_time, end, "время_спо");
    e.add_int(flushing_time, end, "время_промывки");
    e.add_int(reaming_time, end, "время_проработки");
    e.add_double(avg_load, end, "средняя_нагрузка");
    e.add_double(avg_pressure, end, "среднее_давление");
    e.add_double(avg_flow, end, "средний_расход");
    e.add_double(run_speed, end, "скорость_бурения");
    e.add_string(bit_wear, end, "износ_долота");

    const std::string mud = "раствор";
    e.add_double(avg_density, mud, "средняя_плотность");
    e.add_string(mud_type, mud, "тип_раствора");
    e.add_string(viscosity, mud, "вязкость");
    e.add_string(filtration, mud, "фильтрация");
    e.add_double(chl, mud, "CHl");
    e.add_double(cake_thickness, mud, "толщина_корки");
    e.add_double(sand_percent, mud, "процент_песка");
    e.add_string(stability, mud, "стабильность");
    e.add_double(resistivity, mud, "удельное_сопротивление");
    e.add_string(stickiness, mud, "липкость");
    e.add_double(ph, mud, "pH");
}

void RaceInfo::before_save(lib::ini_file&) {
    drill_method_text = drill_type_name(drill_type);
}

void RaceInfo::before_load(lib::ini_file&) {
    drill_method_text = drill_type_name(drill_type);
}

void RaceInfo::serialize(lib::io::BinaryOutputStream& stream) const {
    visit_binary(
        *this, [&](const auto& value) { lib::io::write_value(stream, value); },
        [&](const std::string& value) { lib::io::write_text(stream, value); });
}

void RaceInfo::serialize(lib::io::BinaryInputStream& stream) {
    // Read into a copy so that a record cut short leaves this one as it was.
    RaceInfo read = *this;
    visit_binary(
        read,
        [&](auto& value) {
            value = lib::io::read_value<std::remove_reference_t<decltype(value)>>(stream);
        },
        [&](std::string& value) { value = lib::io::read_text(stream); });
    static_cast<RaceInfo&>(*this) = read;
}

std::string RaceInfo::run_file_path(const std::string& data_path) {
    const std::size_t slash = data_path.rfind('/');
    const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = data_path.find('.', name_start);
    if (dot == std::string::npos)
        return {};
    return data_path.substr(0, dot + 1) + "rac";
}

std::string RaceInfo::drill_type_name(std::int32_t value) {
    switch (value) {
    case rotary:
        return "Роторное";
    case turbine:
        return "Турбинное";
    case rotary_turbine:
        return "Роторно-турбинное";
    case electric:
        return "Электробурение";
    case emergency:
        return "Аварийные работы";
    case other:
        return "Другое";
    default:
        return "::ОШИБКА::";
    }
}
