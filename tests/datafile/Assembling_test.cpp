#include <gtest/gtest.h>

#include <cmath>

#include "datafile/Assembling.h"

namespace {

FileStorageParam param_with_ident(const std::string& ident) {
    FileStorageParam p;
    p.name = "n-" + ident;
    p.ident = ident;
    return p;
}

TEST(FileStorageModel, ParametersAreKeyedByIdentifierCaseInsensitively) {
    FileStorage m;
    EXPECT_EQ(m.add_param(param_with_ident("вес_на_крюке")), 0);
    FileStorageParam again = param_with_ident("ВЕС_НА_КРЮКЕ");
    again.high = 1.0f;
    EXPECT_EQ(m.add_param(again), 0);
    EXPECT_EQ(m.param_count(), 1);
    EXPECT_EQ(m.param(0)->high, 100.0f); // the stored entry is left as it was
    EXPECT_EQ(m.add_param(param_with_ident("Ёж")), 1);
    EXPECT_EQ(m.add_param(param_with_ident("ёж")), 1);
    EXPECT_EQ(m.param(-1), nullptr);
    EXPECT_EQ(m.param(2), nullptr);
    EXPECT_EQ(m.item(0), nullptr);
    EXPECT_EQ(m.item(-1), nullptr);
}

TEST(FileStorageModel, FullTableRejectsEvenAKnownIdentifier) {
    FileStorage m;
    for (int i = 0; i < FileStorage::max_params; ++i)
        ASSERT_EQ(m.add_param(param_with_ident("p" + std::to_string(i))), i);
    for (const char* ident : {"p0", "new"}) {
        try {
            m.add_param(param_with_ident(ident));
            ADD_FAILURE() << ident;
        } catch (const FileStorageException& e) {
            EXPECT_FALSE(e.fatal());
            EXPECT_STREQ(e.what(), "слишком много параметров");
        }
    }
}

TEST(FileStorageModel, AddItemCopiesAndClearKeepsWhatItShould) {
    FileStorage m;
    m.add_param(param_with_ident("a"));
    FileStorageItem item;
    item.time = 5;
    item.values = {1.0f, 2.0f, 3.0f};
    m.add_item(item);
    item.values[0] = 9.0f;
    EXPECT_EQ(m.item(0)->values, (ValueList{1.0f, 2.0f, 3.0f}));

    m.messages().push_back("message");
    m.text_values().run_number = 42;
    m.text_values().set_value("k", "v");
    m.remarks().push_back({1, 2, "r"});
    m.set_native_format(false);
    m.set_source_path("x.dep");
    m.clear();
    EXPECT_EQ(m.item_count(), 0);
    EXPECT_EQ(m.param_count(), 0);
    EXPECT_TRUE(m.remarks().empty());
    EXPECT_EQ(m.text_values().lines.size(), 0u);
    EXPECT_EQ(m.messages(), std::vector<std::string>{"message"});
    EXPECT_EQ(m.text_values().run_number, 42);
    EXPECT_FALSE(m.native_format());
    EXPECT_EQ(m.source_path(), "x.dep");
    EXPECT_EQ(m.text_values().owner(), &m);
}

TEST(ValueListTest, ResizeCopyAndMoveAcrossTheInlineLimit) {
    ValueList v;
    v.push_back(1.0f);
    v.push_back(2.0f);
    ValueList inline_copy = v;
    v.push_back(3.0f); // leaves the inline buffer
    v.resize(5);
    EXPECT_EQ(v, (ValueList{1, 2, 3, 0, 0}));
    EXPECT_EQ(inline_copy, (ValueList{1, 2}));
    v.resize(1);
    EXPECT_EQ(v, ValueList{1});
    v.resize(3);
    EXPECT_EQ(v, (ValueList{1, 0, 0})); // a grown tail is zero, not old values

    ValueList big{1, 2, 3, 4};
    ValueList moved = std::move(big);
    EXPECT_EQ(moved, (ValueList{1, 2, 3, 4}));
    EXPECT_TRUE(big.empty());
    big = moved;
    moved = std::move(inline_copy);
    EXPECT_EQ(moved, (ValueList{1, 2}));
    EXPECT_EQ(big, (ValueList{1, 2, 3, 4}));
}

TEST(TextLinesTest, SetValueReplacesAppendsAndRemoves) {
    TextLines t;
    t.set_value("a", "1");
    t.set_value("b", "2");
    t.set_value("a", "3");
    EXPECT_EQ(t.lines(), (std::vector<std::string>{"a=3", "b=2"}));
    t.set_value("a", "");
    EXPECT_EQ(t.value_of("a"), "");
    EXPECT_EQ(t.lines(), std::vector<std::string>{"b=2"});
    t.set_value("absent", "");
    EXPECT_EQ(t.size(), 1u);
    t.set_value("a", "x=y");
    EXPECT_EQ(t.value_of("a"), "x=y");
    EXPECT_EQ(t.lines(), (std::vector<std::string>{"b=2", "a=x=y"}));
}

TEST(TextLinesTest, AssignedLinesMayRepeatKeysAndHoldPlainText) {
    TextLines t;
    t.assign({"[раздел]", "k=1", "k=2", "=empty key"});
    EXPECT_EQ(t.value_of("k"), "1");
    EXPECT_EQ(t.value_of("[раздел]"), "");
    EXPECT_EQ(t.value_of(""), "empty key");
    t.set_value("k", ""); // the second line becomes the one found
    EXPECT_EQ(t.value_of("k"), "2");
    t.set_value("k", "3");
    EXPECT_EQ(t.lines(), (std::vector<std::string>{"[раздел]", "k=3", "=empty key"}));
}

TEST(TextValuesTest, UnquoteAndValueOf) {
    EXPECT_EQ(unquote("\""), "\"");
    EXPECT_EQ(unquote("\"\""), "");
    EXPECT_EQ(unquote("\"a\""), "a");
    EXPECT_EQ(unquote("\"a"), "\"a");
    EXPECT_EQ(unquote("a\"b\""), "a\"b\"");
    FileStorage m;
    m.text_values().set_value("k", "\"quoted\"");
    EXPECT_EQ(m.text_values().value_of("k"), "quoted");
    EXPECT_EQ(m.text_values().lines.value_of("k"), "\"quoted\"");
}

TEST(TextValuesTest, RaceToLinesWritesEveryKeyInOrder) {
    FileStorage m;
    auto& tv = m.text_values();
    tv.set_value("тип_датчика", "ДВ");
    tv.set_value("мастер", "old master");
    tv.run_number = -3;
    tv.start_time = 4294967295u;
    tv.bit_diameter = 215.9;
    tv.depth_step = 0.1 + 0.2; // 15 significant digits round this to 0,3
    tv.avg_load = 1e20;
    tv.ph = -7.25;
    tv.bit_type = "III-215";
    tv.master = "";
    tv.well = "Скв";
    tv.drill_type = RaceInfo::other;
    tv.race_to_lines();

    const auto lines = tv.lines.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "тип_датчика=ДВ"); // foreign keys stay where they are
    EXPECT_EQ(tv.value_of("мастер"), "");  // an empty text removes its line
    EXPECT_EQ(lines[1], "номер_рейса=-3");
    EXPECT_EQ(tv.value_of("нач_время"), "4294967295");
    EXPECT_EQ(tv.value_of("диаметр_долота"), "215,9");
    EXPECT_EQ(tv.value_of("шаг_записи_по_глубине"), "0,3");
    EXPECT_EQ(tv.value_of("средняя_нагрузка"), "1e+20");
    EXPECT_EQ(tv.value_of("ph"), "-7,25");
    EXPECT_EQ(tv.value_of("плотность"), "0");
    EXPECT_EQ(tv.value_of("тип_долота"), "III-215");
    EXPECT_EQ(tv.value_of("скважина"), "Скв");
    EXPECT_EQ(tv.value_of("площадь"), "::НЕ ЗАДАНО::");
    EXPECT_EQ(lines.back(), "способ_бурения=5");

    std::vector<std::string> keys;
    for (const auto& line : lines)
        keys.push_back(line.substr(0, line.find('=')));
    const std::vector<std::string> expected = {"тип_датчика",
                                               "номер_рейса",
                                               "шаг_записи_по_времени",
                                               "нач_время",
                                               "конеч_время",
                                               "время_бурения",
                                               "время_циркуляции",
                                               "время_спо",
                                               "время_промывки",
                                               "время_проработки",
                                               "диаметр_долота",
                                               "шаг_записи_по_глубине",
                                               "нач_глубина",
                                               "конеч_глубина",
                                               "средняя_нагрузка",
                                               "плотность",
                                               "среднее_давление",
                                               "средний_расход",
                                               "рейсовая_скорость",
                                               "диаметр_скважины",
                                               "толщина_корки",
                                               "процент_песка",
                                               "ph",
                                               "chl",
                                               "удельное_сопротивление",
                                               "тип_долота",
                                               "скважина",
                                               "площадь",
                                               "категория_скважины",
                                               "способ_бурения"};
    EXPECT_EQ(keys, expected);
}

TEST(TextValuesTest, LinesToRaceResetsParsesAndPrefersTheFirstKeyPresent) {
    FileStorage m;
    auto& tv = m.text_values();
    tv.run_number = 99;
    tv.bit_diameter = 5;
    tv.assembly = "kept only in memory";
    tv.lines.assign({"номер_рейса=12", "шаг_записи_по_времени=abc", "нач_время=4294967295",
                     "время_бурения=$10", "диаметр_долота=215.9", "плотность=1,2",
                     "типоразмер_з_д=Д2", "износ_долота=W1", "код_износа_долота=K1",
                     "номер_долота=\"N7\"",
                     "скважина=  ", "площадь=::не задано::", "способ_бурения=3"});
    tv.lines_to_race();
    EXPECT_EQ(tv.run_number, 12);
    EXPECT_EQ(tv.time_step, 0);
    EXPECT_EQ(tv.start_time, 4294967295u);
    EXPECT_EQ(tv.drilling_time, 16);
    EXPECT_DOUBLE_EQ(tv.bit_diameter, 215.9);
    EXPECT_DOUBLE_EQ(tv.avg_density, 1.2);
    EXPECT_EQ(tv.motor_type, "Д2");
    EXPECT_EQ(tv.bit_wear, "K1");
    EXPECT_EQ(tv.bit_number, "N7");
    EXPECT_EQ(tv.well, "  ");
    EXPECT_EQ(tv.area, "::не задано::");
    EXPECT_EQ(tv.customer, "::НЕ ЗАДАНО::");
    EXPECT_EQ(tv.drill_method_text, "3");
    EXPECT_EQ(tv.drill_type, RaceInfo::rotary);
    EXPECT_EQ(tv.assembly, ""); // everything is reset first

    tv.lines.assign({"типоразмер_забойного_двиг=Д1", "типоразмер_з_д=Д2"});
    tv.lines_to_race();
    EXPECT_EQ(tv.motor_type, "Д1");
    EXPECT_EQ(tv.run_number, 0); // an absent number is 0, not the default
}

} // namespace

// The records live in columns: what a column store can get wrong.
TEST(FileStorageColumns, GrowthLateColumnsAndViewsKeepEveryRecord) {
    FileStorage m;
    m.add_param(param_with_ident("a"));
    constexpr int count = 50000; // many reallocations of every column
    for (int i = 0; i < count; ++i) {
        const int row = m.append_record(static_cast<std::uint32_t>(i + 1));
        m.set_value(row, 0, static_cast<float>(i));
    }
    const ItemView early = m.item(7);
    EXPECT_FALSE(m.has_depths());

    // A depth, a kind and a record that is not full appear only now: the earlier records keep
    // their defaults, and a -0.0 depth is kept as written.
    FileStorageItem late;
    late.time = 99;
    late.depth2 = -0.0f;
    late.kind = 255;
    late.full = false;
    late.values = {5.0f, 6.0f}; // one value more than there are parameters
    m.add_item(late);
    m.append_record(100, 0, 0, 3.5f);
    ASSERT_EQ(m.item_count(), count + 2);
    EXPECT_TRUE(m.has_depths());
    EXPECT_EQ(m.value_count(), 2);

    for (int i = 0; i < count; i += 997) {
        const FileStorageItem r = *m.item(i);
        ASSERT_EQ(r.time, static_cast<std::uint32_t>(i + 1)) << i;
        ASSERT_EQ(r.values, (ValueList{static_cast<float>(i), 0.0f})) << i;
        ASSERT_EQ(r.depth2, 0.0f);
        ASSERT_FALSE(std::signbit(r.depth2));
        ASSERT_EQ(r.kind, 0);
        ASSERT_TRUE(r.full);
    }
    const FileStorageItem l = *m.item(count);
    EXPECT_TRUE(std::signbit(l.depth2));
    EXPECT_EQ(l.kind, 255);
    EXPECT_FALSE(l.full);
    EXPECT_EQ(l.values, (ValueList{5.0f, 6.0f}));
    const FileStorageItem last = *m.item(count + 1);
    EXPECT_EQ(last.depth3, 3.5f);
    EXPECT_EQ(last.depth2, 0.0f);
    EXPECT_TRUE(last.full);
    EXPECT_EQ(last.kind, 0);

    // A view taken before all those appends still reads its record; after clear it reads none.
    EXPECT_EQ(early->time, 8u);
    EXPECT_EQ(early->values[0], 7.0f);
    m.clear();
    EXPECT_EQ(early->time, 0u);
    EXPECT_EQ(m.item(0), nullptr);
}

TEST(FileStorageColumns, AHundredAndTwentyEightParametersAndOneAddedAfterTheRecords) {
    FileStorage m;
    for (int k = 0; k + 1 < FileStorage::max_params; ++k)
        m.add_param(param_with_ident("p" + std::to_string(k)));
    FileStorageItem item;
    for (int k = 0; k + 1 < FileStorage::max_params; ++k)
        item.values.push_back(static_cast<float>(k) + 0.5f);
    for (std::uint32_t t = 1; t <= 3; ++t) {
        item.time = t;
        m.add_item(item);
    }
    // The last parameter comes after the records: they read 0.0 for it, the next one does not.
    EXPECT_EQ(m.add_param(param_with_ident("last")), FileStorage::max_params - 1);
    const int row = m.append_record(4);
    m.set_value(row, FileStorage::max_params - 1, 42.0f);
    ASSERT_EQ(m.value_count(), FileStorage::max_params);
    for (int i = 0; i < 3; ++i) {
        const FileStorageItem r = *m.item(i);
        ASSERT_EQ(r.values.size(), static_cast<std::size_t>(FileStorage::max_params));
        for (int k = 0; k + 1 < FileStorage::max_params; ++k)
            ASSERT_EQ(r.values[static_cast<std::size_t>(k)], static_cast<float>(k) + 0.5f) << k;
        EXPECT_EQ(r.values[FileStorage::max_params - 1], 0.0f);
    }
    EXPECT_EQ(m.value(3, FileStorage::max_params - 1), 42.0f);
    EXPECT_EQ(m.value(3, 0), 0.0f);
    EXPECT_EQ(m.values(FileStorage::max_params - 1).size(), 4u);
    EXPECT_TRUE(m.values(FileStorage::max_params).empty());

    // What take_content hands over comes back whole.
    FileStorage::Content content = m.take_content();
    EXPECT_EQ(m.item_count(), 0);
    m.restore_content(std::move(content));
    EXPECT_EQ(m.item_count(), 4);
    EXPECT_EQ(m.param_count(), FileStorage::max_params);
    EXPECT_EQ(m.item(2)->values[5], 5.5f);
}
