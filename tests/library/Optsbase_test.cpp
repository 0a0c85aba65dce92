#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "library/Optsbase.h"

using lib::options_detailed::meta_class;
using lib::options_detailed::meta_class_enum;

namespace {

const char* const methods =
    "Роторное|Турбинное|Роторно-турбинное|Электробурение|Аварийные работы|Другое";

enum class Method : int { rotary = 0, turbine_rotary = 2, other = 5 };

struct Sample : lib::options_base {
    int number = -7;
    unsigned int stamp = 99;
    double depth = -1;
    std::string name = "x";
    Method method = Method::other;

    Sample() { set_defaults(); }

    void describe(lib::options_list& list) override {
        lib::add_int(list, number, 1, "номер", "Номер");
        list.begin_section("вторая", "Вторая");
        lib::add_unsigned(list, stamp, 0, "время", "", "UNIX_TIME");
        lib::add_double(list, depth, 2.5, "глубина", "Глубина", "м", 2);
        lib::add_string(list, name, "::НЕ ЗАДАНО::", "имя");
        lib::add_enum(list, method, Method::turbine_rotary, "способ", "Способ", methods);
    }
};

} // namespace

TEST(Options, ParseInt32) {
    EXPECT_EQ(lib::parse_int32("42"), 42);
    EXPECT_EQ(lib::parse_int32("  -42 \t"), -42);
    EXPECT_EQ(lib::parse_int32("+7"), 7);
    EXPECT_EQ(lib::parse_int32("$1F"), 31);
    EXPECT_EQ(lib::parse_int32("0x1f"), 31);
    EXPECT_EQ(lib::parse_int32("$FFFFFFFF"), -1);
    EXPECT_EQ(lib::parse_int32("-$10"), -16);
    EXPECT_EQ(lib::parse_int32("2147483647"), INT_MAX);
    EXPECT_EQ(lib::parse_int32("-2147483648"), INT_MIN);
    EXPECT_EQ(lib::parse_int32("4294967295", true), -1);
    for (const char* bad : {"", "  ", "-", "$", "0x", "12abc", "1 2", "2147483648", "4294967295",
                            "$100000000", "99999999999999999999999", "1.5", "abc"})
        EXPECT_FALSE(lib::parse_int32(bad)) << bad;
    EXPECT_FALSE(lib::parse_int32("4294967296", true));
}

TEST(Options, ListCollectsSectionsInOrder) {
    Sample s;
    lib::options_list list;
    s.describe(list);
    ASSERT_EQ(list.options().size(), 5u);
    EXPECT_EQ(list.options()[0]->section_key, "default");
    EXPECT_EQ(list.options()[0]->section_caption, "[Без названия]");
    EXPECT_EQ(list.options()[1]->section_key, "вторая");
    EXPECT_EQ(list.options()[4]->section_caption, "Вторая");
    EXPECT_EQ(list.options()[1]->unit, "UNIX_TIME");
    EXPECT_EQ(list.options()[2]->caption, "Глубина");
    const int kinds[] = {7, 8, 12, 14, 1};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(list.options()[i]->kind(), kinds[i]);
    EXPECT_EQ(list.find("ГЛУБИНА"), list.options()[2].get());
    EXPECT_EQ(list.find("нет"), nullptr);
}

TEST(Options, SetDefaultsResetsEveryField) {
    Sample s;
    EXPECT_EQ(s.number, 1);
    EXPECT_EQ(s.stamp, 0u);
    EXPECT_EQ(s.depth, 2.5);
    EXPECT_EQ(s.name, "::НЕ ЗАДАНО::");
    EXPECT_EQ(s.method, Method::turbine_rotary);
    s.number = 5;
    s.name = "y";
    s.set_defaults();
    EXPECT_EQ(s.number, 1);
    EXPECT_EQ(s.name, "::НЕ ЗАДАНО::");
}

TEST(Options, IntegerTexts) {
    int field = 0;
    meta_class<int> opt(field, 1, "k", "", "");
    for (const char* fallback : {"", "   ", "abc", "12abc", "2147483648"}) {
        field = 9;
        opt.from_text(fallback);
        EXPECT_EQ(field, 1) << fallback;
    }
    opt.from_text(" 42 ");
    EXPECT_EQ(field, 42);
    opt.from_text("$10");
    EXPECT_EQ(field, 16);
    EXPECT_EQ(opt.to_text(), "16");
    EXPECT_EQ(opt.to_stored_text(), "16");

    unsigned int u = 0;
    meta_class<unsigned int> uopt(u, 7, "u", "", "");
    u = 4294967295u;
    EXPECT_EQ(uopt.to_text(), "-1"); // the signed view
    u = 0;
    uopt.from_text("-1");
    EXPECT_EQ(u, 4294967295u);
    uopt.from_text("3000000000");
    EXPECT_EQ(u, 3000000000u);
    uopt.from_text("x");
    EXPECT_EQ(u, 7u);
}

TEST(Options, DoubleTextsUseFixedDecimals) {
    double field = 12.345;
    meta_class<double> opt(field, 0.5, 1.0, 2, "k", "", "м");
    EXPECT_EQ(opt.to_text(), "12,35");
    field = 12.5;
    EXPECT_EQ(opt.to_text(), "12,50");
    opt.from_text("3,25 м");
    EXPECT_EQ(field, 3.25);
    opt.from_text("7.5");
    EXPECT_EQ(field, 7.5);
    opt.from_text("  ");
    EXPECT_EQ(field, 0.5);
    opt.from_text("abc"); // not a number reads as 0, as every number text does
    EXPECT_EQ(field, 0.0);

    meta_class<double> scaled(field, 2, 10.0, 1, "s", "", "");
    scaled.set_default();
    EXPECT_EQ(field, 20.0);
    EXPECT_EQ(scaled.to_text(), "2,0");
    scaled.from_text("1,5");
    EXPECT_EQ(field, 15.0);
}

TEST(Options, EnumerationTexts) {
    Method m = Method::rotary;
    meta_class_enum<Method> opt(m, Method::other, "k", "", methods);
    ASSERT_EQ(opt.items().size(), 6u);
    EXPECT_EQ(opt.items()[4], "Аварийные работы");

    m = Method::turbine_rotary;
    EXPECT_EQ(opt.to_text(), "Роторно-турбинное");
    EXPECT_EQ(opt.to_stored_text(), "2 (Роторно-турбинное)");
    m = static_cast<Method>(6);
    EXPECT_EQ(opt.to_text(), "?????");
    m = static_cast<Method>(-1);
    EXPECT_EQ(opt.to_text(), "?????");
    EXPECT_EQ(opt.to_stored_text(), "-1 (????\?)");

    opt.from_text("РОТОРНО-ТУРБИННОЕ");
    EXPECT_EQ(m, Method::turbine_rotary);
    opt.from_text("Роторное ");
    EXPECT_EQ(m, Method::other); // not an item: the default

    m = Method::rotary;
    opt.from_stored_text("2 (Роторно-турбинное)");
    EXPECT_EQ(m, Method::turbine_rotary);
    opt.from_stored_text("2");
    EXPECT_EQ(m, Method::other);
    m = Method::rotary;
    opt.from_stored_text("x (Другое)");
    EXPECT_EQ(m, Method::other);
    opt.from_stored_text("17 (far out)"); // stored index is not range-checked
    EXPECT_EQ(static_cast<int>(m), 17);
}

TEST(Options, EnumerationItemsAreCutAtEveryBar) {
    Method m = Method::rotary;
    meta_class_enum<Method> trailing(m, Method::rotary, "k", "", "  a| b ||c|  ");
    EXPECT_EQ(trailing.items(), (std::vector<std::string>{"a", " b ", "", "c", ""}));
    meta_class_enum<Method> single(m, Method::rotary, "k", "", "one");
    EXPECT_EQ(single.items(), std::vector<std::string>{"one"});
}

TEST(Options, StringTextsAndEscapes) {
    std::string field;
    meta_class<std::string> opt(field, "def", "k", "", "");
    opt.from_text("  spaced  ");
    EXPECT_EQ(field, "  spaced  ");
    field = "строка\n\"кавычки\" \\ конец";
    const std::string stored = opt.to_stored_text();
    EXPECT_EQ(stored, "строка\\n\\\"кавычки\\\" \\\\ конец");
    EXPECT_EQ(stored.find('\n'), std::string::npos);
    field.clear();
    opt.from_stored_text(stored);
    EXPECT_EQ(field, "строка\n\"кавычки\" \\ конец");
    opt.set_default();
    EXPECT_EQ(field, "def");
}
