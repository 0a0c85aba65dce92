#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "library/Binary_io.h"
#include "library/Codepage.h"
#include "library/Inifile.h"
#include "library/Scratch_dir.h"
#include "params/Raceoptions.h"

namespace {

std::vector<std::uint8_t> serialized(const RaceInfo& r) {
    lib::io::BinaryMemoryOutputStream out;
    r.serialize(out);
    return {out.data(), out.data() + out.size()};
}

// Every field with a value of its own.
RaceInfo filled() {
    RaceInfo r;
    r.drill_type = RaceInfo::other;
    r.run_number = 12;
    r.time_step = 5;
    r.drilling_time = 3600;
    r.circulation_time = 60;
    r.trip_time = -1;
    r.flushing_time = 7;
    r.reaming_time = 8;
    r.start_time = 1181000000u;
    r.end_time = 4294967295u;
    r.footage = 101.25;
    r.well_diameter = 215.9;
    r.bit_diameter = 215.5;
    r.depth_step = 0.2;
    r.start_depth = 1500.5;
    r.end_depth = 1601.75;
    r.avg_load = 12.5;
    r.avg_density = 1.18;
    r.avg_pressure = 120;
    r.avg_flow = 32.5;
    r.run_speed = 4.25;
    r.cake_thickness = 1.5;
    r.ph = 8.5;
    r.resistivity = 0.35;
    r.chl = 0.01;
    r.sand_percent = 2.5;
    r.stability = "стаб";
    r.mud_type = "  глинистый  ";
    r.viscosity = "25 с";
    r.filtration = "6";
    r.stickiness = "0,1";
    r.assembly = "КНБК-1";
    r.bit_type = "III 215,9 С-ЦВ";
    r.customer = "Заказчик \"Нефть\"";
    r.oil_field = "Месторождение";
    r.master = "Мастер";
    r.motor_type = "Д2-195";
    r.pump = "УНБ-600";
    r.operator_name = "Иванов, Петров";
    r.well = "1234";
    r.bit_number = "№ 77";
    r.initial_bit_wear = "В0П0";
    r.area = "Площадь";
    r.well_category = "эксплуатационная";
    r.time_file = "a.tim";
    r.depth_file = "a.dep";
    r.real_depth_file = "a.ldp";
    r.bit_wear = "В2П1";
    r.drill_method_text = "старый текст";
    return r;
}

} // namespace

TEST(RaceInfo, NewObjectDefaults) {
    const RaceInfo r;
    EXPECT_EQ(r.drill_type, RaceInfo::rotary);
    EXPECT_EQ(r.run_number, 1);
    for (std::int32_t v : {r.time_step, r.drilling_time, r.circulation_time, r.trip_time,
                           r.flushing_time, r.reaming_time})
        EXPECT_EQ(v, 0);
    EXPECT_EQ(r.start_time, 0u);
    EXPECT_EQ(r.end_time, 0u);
    for (double v : {r.footage, r.well_diameter, r.bit_diameter, r.depth_step, r.start_depth,
                     r.end_depth, r.avg_load, r.avg_density, r.avg_pressure, r.avg_flow,
                     r.run_speed, r.cake_thickness, r.ph, r.resistivity, r.chl, r.sand_percent})
        EXPECT_EQ(v, 0.0);
    for (const std::string* s : {&r.customer, &r.oil_field, &r.well, &r.area, &r.well_category})
        EXPECT_EQ(*s, "::НЕ ЗАДАНО::");
    for (const std::string* s :
         {&r.stability, &r.mud_type, &r.viscosity, &r.filtration, &r.stickiness, &r.assembly,
          &r.bit_type, &r.master, &r.motor_type, &r.pump, &r.operator_name, &r.bit_number,
          &r.initial_bit_wear, &r.time_file, &r.depth_file, &r.real_depth_file, &r.bit_wear,
          &r.drill_method_text})
        EXPECT_EQ(*s, "");
    EXPECT_EQ(r.type_name(), "RaceInfoNew");
}

TEST(RaceInfo, DescriptionSectionsAndOrder) {
    RaceInfo r;
    lib::options_list list;
    r.describe(list);
    std::vector<std::pair<std::string, std::string>> got;
    for (const auto& o : list.options())
        got.emplace_back(o->section_key, o->key);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"рейс_арх", "месторождение"},
        {"рейс_арх", "скважина"},
        {"рейс_арх", "категория_скважины"},
        {"рейс_арх", "площадь"},
        {"рейс_арх", "заказчик"},
        {"рейс_арх", "проходка"},
        {"рейс_арх", "нач_глубина"},
        {"рейс_арх", "нач_время"},
        {"рейс_арх", "конеч_глубина"},
        {"рейс_арх", "конеч_время"},
        {"рейс_главн", "номер_рейса"},
        {"рейс_главн", "способ_бурения"},
        {"рейс_главн", "оператор"},
        {"рейс_главн", "способ_бурения2"},
        {"рейс_долото", "тип_долота"},
        {"рейс_долото", "номер_долота"},
        {"рейс_долото", "диаметр_долота"},
        {"рейс_долото", "типоразмер_з_д"},
        {"рейс_долото", "начальный_износ_долота"},
        {"рейс_долото", "износ_долота"},
        {"рейс_долото", "компоновка"},
        {"рейс_техно", "сред_нагр"},
        {"рейс_техно", "сред_плотн"},
        {"рейс_техно", "сред_давл"},
        {"рейс_техно", "сред_расх"},
        {"рейс_техно", "рейс_скор"},
        {"рейс_пж", "тип_раствора"},
        {"рейс_пж", "вязкость"},
        {"рейс_пж", "фильтрация"},
        {"рейс_пж", "chl"},
        {"рейс_пж", "толщина_корки"},
        {"рейс_пж", "процент_песка"},
        {"рейс_пж", "стабильность"},
        {"рейс_пж", "удельное_сопротивление"},
        {"рейс_пж", "липкость"},
        {"рейс_пж", "ph"},
    };
    EXPECT_EQ(got, expected);

    const auto* method = list.find("способ_бурения2");
    ASSERT_NE(method, nullptr);
    EXPECT_EQ(method->section_caption, "Основные данные");
    EXPECT_EQ(method->caption, "Способ бурения");
    EXPECT_EQ(method->kind(), 1);
    r.drill_type = RaceInfo::rotary_turbine;
    EXPECT_EQ(method->to_stored_text(), "2 (Роторно-турбинное)");
    EXPECT_EQ(list.find("нач_время")->unit, "UNIX_TIME");
    EXPECT_EQ(list.find("нач_время")->caption, "");
    EXPECT_EQ(list.find("сред_давл")->unit, "атм");
    r.avg_pressure = 120.6;
    EXPECT_EQ(list.find("сред_давл")->to_text(), "121");
    r.avg_density = 1.184;
    EXPECT_EQ(list.find("сред_плотн")->to_text(), "1,18");
    EXPECT_EQ(list.find("сред_нагр")->section_caption, "Технол. параметры");
    EXPECT_EQ(list.find("ph")->caption, "pH");
}

TEST(RaceInfo, RunFileLayout) {
    ScratchDir dir;
    const std::string path = dir.file("well.rac");
    RaceInfo r;
    ASSERT_TRUE(r.save_to_file(path));
    EXPECT_EQ(r.drill_method_text, "Роторное");

    const std::vector<std::uint8_t> bytes = get_bytes(path);
    const std::string file(bytes.begin(), bytes.end());
    // [настройки_рейса] ... способ_бурения="Роторное", in Windows-1251.
    EXPECT_NE(file.find("[\xED\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8_\xF0\xE5\xE9\xF1\xE0]\r\n"),
              std::string::npos);
    EXPECT_NE(file.find("\r\n\xF1\xEF\xEE\xF1\xEE\xE1_\xE1\xF3\xF0\xE5\xED\xE8\xFF="
                        "\"\xD0\xEE\xF2\xEE\xF0\xED\xEE\xE5\"\r\n"),
              std::string::npos);
    // месторождение="::НЕ ЗАДАНО::" opens the file after its section.
    EXPECT_EQ(file.rfind("[\xE0\xF0\xF5\xE8\xE2\xED\xFB\xE5_\xE4\xE0\xED\xED\xFB\xE5]\r\n"
                         "\xEC\xE5\xF1\xF2\xEE\xF0\xEE\xE6\xE4\xE5\xED\xE8\xE5="
                         "\"::\xCD\xC5 \xC7\xC0\xC4\xC0\xCD\xCE::\"\r\n",
                         0),
              0u);

    lib::ini_file ini;
    ASSERT_TRUE(ini.load(path));
    EXPECT_EQ(ini.sections(),
              (std::vector<std::string>{"архивные_данные", "настройки_рейса", "начало_рейса",
                                        "окончание_рейса", "раствор"}));
    EXPECT_EQ(ini.keys("архивные_данные"),
              (std::vector<std::string>{"месторождение", "скважина", "категория_скважины",
                                        "площадь", "заказчик"}));
    EXPECT_EQ(ini.keys("настройки_рейса"),
              (std::vector<std::string>{"номер_рейса", "номер_долота", "диаметр_долота",
                                        "тип_долота", "способ_бурения", "оператор",
                                        "типоразмер_з_д", "шаг_записи_по_глубине",
                                        "шаг_записи_по_времени", "начальный_износ_долота"}));
    EXPECT_EQ(ini.keys("начало_рейса"), (std::vector<std::string>{"глубина", "время"}));
    EXPECT_EQ(ini.keys("окончание_рейса"),
              (std::vector<std::string>{"глубина", "время", "время_бурения", "время_циркуляции",
                                        "время_спо", "время_промывки", "время_проработки",
                                        "средняя_нагрузка", "среднее_давление", "средний_расход",
                                        "скорость_бурения", "износ_долота"}));
    EXPECT_EQ(
        ini.keys("раствор"),
        (std::vector<std::string>{"средняя_плотность", "тип_раствора", "вязкость", "фильтрация",
                                  "CHl", "толщина_корки", "процент_песка", "стабильность",
                                  "удельное_сопротивление", "липкость", "pH"}));
    EXPECT_EQ(ini.read("настройки_рейса", "номер_рейса"), "1");
    EXPECT_EQ(ini.read("начало_рейса", "время"), "0");
}

TEST(RaceInfo, MethodTextFollowsTheDrillType) {
    EXPECT_EQ(RaceInfo::drill_type_name(0), "Роторное");
    EXPECT_EQ(RaceInfo::drill_type_name(3), "Электробурение");
    EXPECT_EQ(RaceInfo::drill_type_name(4), "Аварийные работы");
    EXPECT_EQ(RaceInfo::drill_type_name(-1), "::ОШИБКА::");

    lib::ini_file ini;
    RaceInfo r;
    r.drill_type = RaceInfo::other;
    r.save(ini);
    EXPECT_EQ(ini.read("настройки_рейса", "способ_бурения"), "Другое");
    r.drill_type = static_cast<RaceInfo::DrillType>(9);
    r.save(ini);
    EXPECT_EQ(ini.read("настройки_рейса", "способ_бурения"), "::ОШИБКА::");

    // Loading takes the file's text and never sets the type from it.
    ini.write("Настройки_Рейса", "Способ_Бурения", "\"Турбинное\"");
    RaceInfo back;
    back.load(ini);
    EXPECT_EQ(back.drill_method_text, "Турбинное");
    EXPECT_EQ(back.drill_type, RaceInfo::rotary);
}

TEST(RaceInfo, RunFileRoundTripKeepsFieldsItDoesNotHold) {
    ScratchDir dir;
    const std::string path = dir.file("run.rac");
    const RaceInfo saved = filled();
    RaceInfo writer = saved;
    ASSERT_TRUE(writer.save_to_file(path));

    RaceInfo loaded;
    loaded.drill_type = RaceInfo::turbine;
    loaded.footage = 9;
    loaded.well_diameter = 8;
    loaded.assembly = "своя";
    loaded.master = "свой";
    loaded.pump = "свой насос";
    loaded.time_file = "t";
    loaded.depth_file = "d";
    loaded.real_depth_file = "r";
    ASSERT_TRUE(loaded.load_from_file(path));

    RaceInfo expected = saved;
    expected.drill_type = RaceInfo::turbine;
    expected.footage = 9;
    expected.well_diameter = 8;
    expected.assembly = "своя";
    expected.master = "свой";
    expected.pump = "свой насос";
    expected.time_file = "t";
    expected.depth_file = "d";
    expected.real_depth_file = "r";
    expected.drill_method_text = "Другое";
    EXPECT_EQ(serialized(loaded), serialized(expected));
    EXPECT_EQ(loaded.mud_type, "  глинистый  ");
    EXPECT_EQ(loaded.customer, "Заказчик \"Нефть\"");
    EXPECT_EQ(loaded.end_time, 4294967295u);
}

TEST(RaceInfo, RunFileNamesCompareWithoutCase) {
    ScratchDir dir;
    const std::string path = dir.file("upper.rac");
    put_bytes(path, [] {
        const std::string bytes = lib::to_cp1251(
            "[АРХИВНЫЕ_ДАННЫЕ]\r\nСКВАЖИНА = \"12-бис\"\r\n[Окончание_Рейса]\r\nВремя=$10\r\n"
            "ГЛУБИНА=1601,5\r\n[раствор]\r\nchl=0,5\r\nPH=7.5\r\n");
        return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    }());
    RaceInfo r;
    r.ph = 3;
    ASSERT_TRUE(r.load_from_file(path));
    EXPECT_EQ(r.well, "12-бис");
    EXPECT_EQ(r.end_time, 16u);
    EXPECT_EQ(r.end_depth, 1601.5);
    EXPECT_EQ(r.chl, 0.5);
    EXPECT_EQ(r.ph, 3.0); // "7.5" is not a number in a comma locale: the value stays
    EXPECT_EQ(r.oil_field, "::НЕ ЗАДАНО::");
}

TEST(RaceInfo, BinaryRecordNumbers) {
    RaceInfo r;
    r.drill_type = RaceInfo::rotary_turbine;
    r.run_number = 0x01020304;
    r.trip_time = -2;
    r.start_time = 0x80000001u;
    r.end_time = 4294967295u;
    r.footage = 1.0;
    r.avg_load = -2.0;
    r.sand_percent = 0.5;
    for (std::string* s : {&r.customer, &r.oil_field, &r.well, &r.area, &r.well_category})
        s->clear();
    r.stability = "Ж";
    r.initial_bit_wear = "z";

    const std::vector<std::uint8_t> numbers = {
        0x02, 0x00, 0x00, 0x00,                   // drill_type
        0x04, 0x03, 0x02, 0x01,                   // run_number
        0x00, 0x00, 0x00, 0x00,                   // time_step
        0x00, 0x00, 0x00, 0x00,                   // drilling_time
        0x00, 0x00, 0x00, 0x00,                   // circulation_time
        0xFE, 0xFF, 0xFF, 0xFF,                   // trip_time
        0x00, 0x00, 0x00, 0x00,                   // flushing_time
        0x00, 0x00, 0x00, 0x00,                   // reaming_time
        0x01, 0x00, 0x00, 0x80,                   // start_time
        0xFF, 0xFF, 0xFF, 0xFF,                   // end_time
        0,    0,    0,    0,    0, 0, 0xF0, 0x3F, // footage 1.0
        0,    0,    0,    0,    0, 0, 0,    0,    // well_diameter
        0,    0,    0,    0,    0, 0, 0,    0,    // bit_diameter
        0,    0,    0,    0,    0, 0, 0,    0,    // depth_step
        0,    0,    0,    0,    0, 0, 0,    0,    // start_depth
        0,    0,    0,    0,    0, 0, 0,    0,    // end_depth
        0,    0,    0,    0,    0, 0, 0,    0xC0, // avg_load -2.0
        0,    0,    0,    0,    0, 0, 0,    0,    // avg_density
        0,    0,    0,    0,    0, 0, 0,    0,    // avg_pressure
        0,    0,    0,    0,    0, 0, 0,    0,    // avg_flow
        0,    0,    0,    0,    0, 0, 0,    0,    // run_speed
        0,    0,    0,    0,    0, 0, 0,    0,    // cake_thickness
        0,    0,    0,    0,    0, 0, 0,    0,    // ph
        0,    0,    0,    0,    0, 0, 0,    0,    // resistivity
        0,    0,    0,    0,    0, 0, 0,    0,    // chl
        0,    0,    0,    0,    0, 0, 0xE0, 0x3F, // sand_percent 0.5
    };
    ASSERT_EQ(numbers.size(), 168u);
    std::vector<std::uint8_t> expected = numbers;
    expected.push_back(0xC6); // stability "Ж" in Windows-1251
    expected.push_back(0x00);
    expected.insert(expected.end(), 21, 0x00); // the 21 empty texts
    expected.push_back('z');                   // initial_bit_wear comes last
    expected.push_back(0x00);
    EXPECT_EQ(serialized(r), expected);
}

TEST(RaceInfo, BinaryRecordRoundTripAndShortInput) {
    const RaceInfo original = filled();
    const std::vector<std::uint8_t> bytes = serialized(original);

    RaceInfo back;
    lib::io::InputMemoryView in(bytes.data(), bytes.size());
    back.serialize(in);
    EXPECT_TRUE(in.at_end());
    EXPECT_EQ(serialized(back), bytes);
    EXPECT_EQ(back.initial_bit_wear, "В0П0");
    EXPECT_EQ(back.master, "Мастер");
    EXPECT_EQ(back.well_diameter, 215.9);
    EXPECT_EQ(back.drill_type, RaceInfo::other);

    // A record cut short raises and leaves the object as it was.
    for (std::size_t cut : {std::size_t{0}, std::size_t{100}, std::size_t{168}, bytes.size() - 1}) {
        RaceInfo target;
        target.well = "неизменно";
        lib::io::InputMemoryView shortened(bytes.data(), cut);
        EXPECT_THROW(target.serialize(shortened), std::runtime_error) << cut;
        EXPECT_EQ(target.well, "неизменно");
        EXPECT_EQ(target.run_number, 1);
    }
}

TEST(RaceInfo, RunFilePath) {
    EXPECT_EQ(RaceInfo::run_file_path("/data/well12.realtim"), "/data/well12.rac");
    EXPECT_EQ(RaceInfo::run_file_path("/data/run.2007.realtim"), "/data/run.rac");
    EXPECT_EQ(RaceInfo::run_file_path("/my.dir/well12"), "");
    EXPECT_EQ(RaceInfo::run_file_path("/my.dir/run.dep"), "/my.dir/run.rac");
    EXPECT_EQ(RaceInfo::run_file_path("well.tim"), "well.rac");
    EXPECT_EQ(RaceInfo::run_file_path("trailing."), "trailing.rac");
    EXPECT_EQ(RaceInfo::run_file_path(""), "");
    EXPECT_EQ(RaceInfo::run_file_path("/dir.with.dots/"), "");
}

TEST(RaceInfo, CopiesAreIndependent) {
    RaceInfo a = filled();
    RaceInfo b = a;
    b.set_defaults();
    EXPECT_EQ(a.run_number, 12);
    EXPECT_EQ(b.run_number, 1);
    a = b;
    a.well = "x";
    EXPECT_EQ(b.well, "::НЕ ЗАДАНО::");
    lib::ini_file ini;
    b.save(ini);
    EXPECT_EQ(ini.read("архивные_данные", "скважина"), "::НЕ ЗАДАНО::");
}
