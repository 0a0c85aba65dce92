#include "params/Raceoptions.h"

#include <array>
#include <type_traits>

#include "library/Binary_io.h"
#include "library/Fileworks.h"
#include "library/Strworks.h"

namespace {

constexpr const char* not_set = race_not_set;
constexpr const char* drill_type_items =
    "Роторное|Турбинное|Роторно-турбинное|Электробурение|Аварийные работы|Другое";

// Option sections, in the order the description opens them.
constexpr RaceSection opt_archive{"рейс_арх", "Архивные данные"};
constexpr RaceSection opt_main{"рейс_главн", "Основные данные"};
constexpr RaceSection opt_bit{"рейс_долото", "Долото и ЗД"};
constexpr RaceSection opt_techno{"рейс_техно", "Технол. параметры"};
constexpr RaceSection opt_mud{"рейс_пж", "ПЖ"};

// Run-file sections.
constexpr const char* archive = "архивные_данные";
constexpr const char* settings = "настройки_рейса";
constexpr const char* start = "начало_рейса";
constexpr const char* end = "окончание_рейса";
constexpr const char* mud = "раствор";

#define FIELD(name) #name, &RaceInfo::name

// Each row: field, binary place, {run-file place, section, key}, {text-line place, key, alias},
// {option place, section, key, default, caption, unit, decimals}.
// clang-format off
constexpr RaceField table[] = {
    {FIELD(drill_type), 1, {}, {43, "способ_бурения"},
     {14, &opt_main, "способ_бурения2", RaceInfo::rotary, "Способ бурения", drill_type_items}},
    {FIELD(run_number), 2, {6, settings, "номер_рейса"}, {1, "номер_рейса"},
     {11, &opt_main, "номер_рейса", 1, "Номер рейса"}},
    {FIELD(time_step), 3, {14, settings, "шаг_записи_по_времени"}, {2, "шаг_записи_по_времени"}},
    {FIELD(drilling_time), 4, {20, end, "время_бурения"}, {5, "время_бурения"}},
    {FIELD(circulation_time), 5, {21, end, "время_циркуляции"}, {6, "время_циркуляции"}},
    {FIELD(trip_time), 6, {22, end, "время_спо"}, {7, "время_спо"}},
    {FIELD(flushing_time), 7, {23, end, "время_промывки"}, {8, "время_промывки"}},
    {FIELD(reaming_time), 8, {24, end, "время_проработки"}, {9, "время_проработки"}},
    {FIELD(start_time), 9, {17, start, "время"}, {3, "нач_время"},
     {8, &opt_archive, "нач_время", 0, "", "UNIX_TIME"}},
    {FIELD(end_time), 10, {19, end, "время"}, {4, "конеч_время"},
     {10, &opt_archive, "конеч_время", 0, "", "UNIX_TIME"}},
    {FIELD(footage), 11, {}, {},
     {6, &opt_archive, "проходка", 0, "", "м", 2}},
    {FIELD(well_diameter), 12, {}, {19, "диаметр_скважины"}},
    {FIELD(bit_diameter), 13, {8, settings, "диаметр_долота"}, {10, "диаметр_долота"},
     {17, &opt_bit, "диаметр_долота", 0, "Диаметр долота", "мм", 1}},
    {FIELD(depth_step), 14, {13, settings, "шаг_записи_по_глубине"}, {11, "шаг_записи_по_глубине"}},
    {FIELD(start_depth), 15, {16, start, "глубина"}, {12, "нач_глубина"},
     {7, &opt_archive, "нач_глубина", 0, "", "м", 2}},
    {FIELD(end_depth), 16, {18, end, "глубина"}, {13, "конеч_глубина"},
     {9, &opt_archive, "конеч_глубина", 0, "", "м", 2}},
    {FIELD(avg_load), 17, {25, end, "средняя_нагрузка"}, {14, "средняя_нагрузка"},
     {22, &opt_techno, "сред_нагр", 0, "Средняя нагрузка", "т", 1}},
    {FIELD(avg_density), 18, {30, mud, "средняя_плотность"}, {15, "плотность"},
     {23, &opt_techno, "сред_плотн", 0, "Средняя плотность ПЖ", "г/см3", 2}},
    {FIELD(avg_pressure), 19, {26, end, "среднее_давление"}, {16, "среднее_давление"},
     {24, &opt_techno, "сред_давл", 0, "Среднее давление ПЖ", "атм", 0}},
    {FIELD(avg_flow), 20, {27, end, "средний_расход"}, {17, "средний_расход"},
     {25, &opt_techno, "сред_расх", 0, "Средний расход ПЖ", "л/с", 1}},
    {FIELD(run_speed), 21, {28, end, "скорость_бурения"}, {18, "рейсовая_скорость"},
     {26, &opt_techno, "рейс_скор", 0, "Рейсовая скорость", "м/ч", 2}},
    {FIELD(cake_thickness), 22, {35, mud, "толщина_корки"}, {20, "толщина_корки"},
     {31, &opt_mud, "толщина_корки", 0, "Толщина корки", "мм", 1}},
    {FIELD(ph), 23, {40, mud, "pH"}, {22, "ph"},
     {36, &opt_mud, "ph", 0, "pH", "", 1}},
    {FIELD(resistivity), 24, {38, mud, "удельное_сопротивление"}, {24, "удельное_сопротивление"},
     {34, &opt_mud, "удельное_сопротивление", 0, "Удельное сопротивление", "ом/м", 2}},
    {FIELD(chl), 25, {34, mud, "CHl"}, {23, "chl"},
     {30, &opt_mud, "chl", 0, "CHl", "", 2}},
    {FIELD(sand_percent), 26, {36, mud, "процент_песка"}, {21, "процент_песка"},
     {32, &opt_mud, "процент_песка", 0, "Процент песка", "%", 1}},
    {FIELD(stability), 27, {37, mud, "стабильность"}, {29, "стабильность"},
     {33, &opt_mud, "стабильность", "", "Стабильность"}},
    {FIELD(mud_type), 28, {31, mud, "тип_раствора"}, {26, "тип_раствора"},
     {27, &opt_mud, "тип_раствора", "", "Тип раствора"}},
    {FIELD(viscosity), 29, {32, mud, "вязкость"}, {27, "вязкость"},
     {28, &opt_mud, "вязкость", "", "Вязкость"}},
    {FIELD(filtration), 30, {33, mud, "фильтрация"}, {28, "фильтрация"},
     {29, &opt_mud, "фильтрация", "", "Фильтрация"}},
    {FIELD(stickiness), 31, {39, mud, "липкость"}, {30, "липкость"},
     {35, &opt_mud, "липкость", "", "Липкость"}},
    {FIELD(assembly), 32, {}, {},
     {21, &opt_bit, "компоновка", "", "Компоновка"}},
    {FIELD(bit_type), 33, {9, settings, "тип_долота"}, {25, "тип_долота"},
     {15, &opt_bit, "тип_долота", "", "Типоразмер долота"}},
    {FIELD(customer), 34, {5, archive, "заказчик"}, {},
     {5, &opt_archive, "заказчик", not_set}},
    {FIELD(oil_field), 35, {1, archive, "месторождение"}, {},
     {1, &opt_archive, "месторождение", not_set}},
    {FIELD(master), 36, {}, {32, "мастер"}},
    {FIELD(motor_type), 37, {12, settings, "типоразмер_з_д"},
     {31, "типоразмер_забойного_двиг", "типоразмер_з_д"},
     {18, &opt_bit, "типоразмер_з_д", "", "Типоразмер ЗД"}},
    {FIELD(pump), 38, {}, {34, "насос"}},
    {FIELD(operator_name), 39, {11, settings, "оператор"}, {33, "оператор"},
     {13, &opt_main, "оператор", "", "Операторы"}},
    {FIELD(well), 40, {2, archive, "скважина"}, {37, "скважина"},
     {2, &opt_archive, "скважина", not_set}},
    {FIELD(bit_number), 41, {7, settings, "номер_долота"},
     {36, "заводской_номер_долота", "номер_долота"},
     {16, &opt_bit, "номер_долота", "", "Заводской номер долота"}},
    // Last in the binary record, as old records have it.
    {FIELD(initial_bit_wear), 49, {15, settings, "начальный_износ_долота"}, {},
     {19, &opt_bit, "начальный_износ_долота", "", "Начальный износ долота"}},
    {FIELD(area), 42, {4, archive, "площадь"}, {38, "площадь"},
     {4, &opt_archive, "площадь", not_set}},
    {FIELD(well_category), 43, {3, archive, "категория_скважины"}, {39, "категория_скважины"},
     {3, &opt_archive, "категория_скважины", not_set}},
    {FIELD(time_file), 44, {}, {40, "временной_файл"}},
    {FIELD(depth_file), 45, {}, {41, "глубинный_файл"}},
    {FIELD(real_depth_file), 46, {}, {42, "реальн_глубинный_файл"}},
    {FIELD(bit_wear), 47, {29, end, "износ_долота"}, {35, "код_износа_долота", "износ_долота"},
     {20, &opt_bit, "износ_долота", "", "Код износа долота"}},
    // Reads the key that drill_type writes, so the method's number comes back as this text.
    {FIELD(drill_method_text), 48, {10, settings, "способ_бурения"}, {0, "способ_бурения"},
     {12, &opt_main, "способ_бурения"}},
};
// clang-format on

#undef FIELD

template <class Value, class T> constexpr bool is = std::is_same_v<std::remove_cvref_t<Value>, T>;

} // namespace

std::span<const RaceField> race_fields() {
    return table;
}

const std::vector<const RaceField*>& race_fields(RaceOrder order) {
    static const auto orders = [] {
        std::array<std::vector<const RaceField*>, 4> by;
        for (const RaceField& f : table) {
            // In the order of RaceOrder.
            const int places[] = {f.binary, f.run_file.place, f.line.place, f.option.place};
            for (std::size_t o = 0; o < by.size(); ++o) {
                const auto place = static_cast<std::size_t>(places[o]);
                if (place > by[o].size())
                    by[o].resize(place);
                if (place > 0)
                    by[o][place - 1] = &f;
            }
        }
        return by;
    }();
    return orders[static_cast<std::size_t>(order)];
}

RaceInfo::RaceInfo() {
    set_defaults();
}

void RaceInfo::describe(lib::options_list& list) {
    const RaceSection* section = nullptr;
    for (const RaceField* f : race_fields(RaceOrder::options)) {
        const RaceField::Option& o = f->option;
        if (o.section != section) {
            section = o.section;
            list.begin_section(section->key, section->caption);
        }
        f->visit(*this, [&](auto& value) {
            using V = decltype(value);
            if constexpr (is<V, DrillType>)
                lib::add_enum(list, value, static_cast<DrillType>(o.value.number), o.key, o.caption,
                              o.unit);
            else if constexpr (is<V, std::int32_t>)
                lib::add_int(list, value, o.value.number, o.key, o.caption, o.unit);
            else if constexpr (is<V, std::uint32_t>)
                lib::add_unsigned(list, value, o.value.number, o.key, o.caption, o.unit);
            else if constexpr (is<V, double>)
                lib::add_double(list, value, o.value.number, o.key, o.caption, o.unit, o.decimals);
            else
                lib::add_string(list, value, o.value.text, o.key, o.caption, o.unit);
        });
    }
}

void RaceInfo::describe_ini(lib::ini_options_elements& e) {
    for (const RaceField* f : race_fields(RaceOrder::run_file)) {
        const RaceField::RunFile& at = f->run_file;
        f->visit(*this, [&](auto& value) {
            using V = decltype(value);
            if constexpr (is<V, std::int32_t>)
                e.add_int(value, at.section, at.key);
            else if constexpr (is<V, std::uint32_t>)
                e.add_unsigned(value, at.section, at.key);
            else if constexpr (is<V, double>)
                e.add_double(value, at.section, at.key);
            else if constexpr (is<V, std::string>)
                e.add_string(value, at.section, at.key);
            // The run file keeps the drilling method as its text only.
        });
    }
}

void RaceInfo::before_save(lib::ini_file&) {
    drill_method_text = drill_type_name(drill_type);
}

void RaceInfo::before_load(lib::ini_file&) {
    drill_method_text = drill_type_name(drill_type);
}

void RaceInfo::serialize(lib::io::BinaryOutputStream& stream) const {
    for (const RaceField* f : race_fields(RaceOrder::binary))
        f->visit(*this, [&](const auto& value) {
            if constexpr (is<decltype(value), std::string>)
                lib::io::write_text(stream, value);
            else
                lib::io::write_value(stream, value);
        });
}

void RaceInfo::serialize(lib::io::BinaryInputStream& stream) {
    // Read into a copy so that a record cut short leaves this one as it was.
    RaceInfo read = *this;
    for (const RaceField* f : race_fields(RaceOrder::binary))
        f->visit(read, [&](auto& value) {
            if constexpr (is<decltype(value), std::string>)
                value = lib::io::read_text(stream);
            else
                value = lib::io::read_value<std::remove_reference_t<decltype(value)>>(stream);
        });
    static_cast<RaceInfo&>(*this) = read;
}

std::string RaceInfo::run_file_path(const std::string& data_path) {
    const std::size_t name_start = lib::io::file_name_start(data_path);
    const std::size_t dot = data_path.find('.', name_start);
    if (dot == std::string::npos)
        return {};
    return data_path.substr(0, dot + 1) + "rac";
}

std::string RaceInfo::drill_type_name(std::int32_t value) {
    std::string name = lib::split_item(drill_type_items, value, '|');
    return name.empty() ? "::ОШИБКА::" : name;
}
