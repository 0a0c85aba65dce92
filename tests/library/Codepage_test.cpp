#include <gtest/gtest.h>

#include <string>

#include "library/Codepage.h"

namespace {

std::string byte(int b) {
    return std::string(1, static_cast<char>(b));
}

TEST(Codepage, EveryCp1251ByteRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        const std::string utf8 = lib::from_cp1251(byte(b));
        EXPECT_EQ(lib::to_cp1251(utf8), byte(b)) << "byte " << b;
        if (b >= 0x80) {
            EXPECT_GE(utf8.size(), 2u) << "byte " << b << " must not pass through raw";
        }
    }
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += byte(b);
    EXPECT_EQ(lib::to_cp1251(lib::from_cp1251(all)), all);
}

TEST(Codepage, Cp1251KnownCharacters) {
    // "Вес на крюке" as the logger and the data files carry it.
    const std::string bytes = "\xC2\xE5\xF1\x20\xED\xE0\x20\xEA\xF0\xFE\xEA\xE5";
    EXPECT_EQ(lib::from_cp1251(bytes), "Вес на крюке");
    EXPECT_EQ(lib::to_cp1251("Вес на крюке"), bytes);

    EXPECT_EQ(lib::from_cp1251("\xA8\xB8"), "Ёё");
    EXPECT_EQ(lib::from_cp1251("\xB9"), "\xE2\x84\x96"); // №
    EXPECT_EQ(lib::from_cp1251("\x88"), "\xE2\x82\xAC"); // €
    EXPECT_EQ(lib::from_cp1251("\xA0"), "\xC2\xA0");     // no-break space
    EXPECT_EQ(lib::from_cp1251("\x98"), "\xC2\x98");     // the undefined byte keeps U+0098
    EXPECT_EQ(lib::from_cp1251("\xC0\xDF\xE0\xFF"), "АЯая");
    EXPECT_EQ(lib::to_cp1251("\xC2\x98"), "\x98");
    EXPECT_EQ(lib::to_cp1251("«№»"), "\xAB\xB9\xBB");
    EXPECT_EQ(lib::from_cp1251(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Codepage, UnmappableAndMalformedBecomeQuestionMarks) {
    EXPECT_EQ(lib::to_cp1251("日本"), "??");
    EXPECT_EQ(lib::to_cp1251("ÿ"), "?");
    EXPECT_EQ(lib::to_cp1251("\xF0\x9F\x98\x80x"), "?x"); // outside the BMP
    EXPECT_EQ(lib::to_cp1251("\xC2\x80"), "?");           // a C1 control other than U+0098
    EXPECT_EQ(lib::to_cp1251("\x80"), "?");               // stray continuation byte
    EXPECT_EQ(lib::to_cp1251("a\xD0"), "a?");             // cut at the end
    EXPECT_EQ(lib::to_cp1251("\xD0"
                             "A"),
              "?A"); // cut before ASCII
    EXPECT_EQ(lib::to_cp1251("\xE2\x84"
                             "b"),
              "?b");                                    // cut three-byte sequence
    EXPECT_EQ(lib::to_cp1251("\xC0\xAF"), "??");        // overlong '/'
    EXPECT_EQ(lib::to_cp1251("\xE0\x80\xAF"), "?");     // overlong three-byte form
    EXPECT_EQ(lib::to_cp1251("\xED\xA0\x80"), "?");     // surrogate
    EXPECT_EQ(lib::to_cp1251("\xF4\x90\x80\x80"), "?"); // above U+10FFFF
    EXPECT_EQ(lib::to_cp1251("\xF8\xFF"), "??");
    EXPECT_EQ(lib::to_cp1251(""), "");
}

TEST(Codepage, Cp866) {
    EXPECT_EQ(lib::from_cp866("\x82\xA5\xE1"), "Вес");
    EXPECT_EQ(lib::from_cp866("\x80\x8F\x90\x9F\xA0\xAF\xE0\xEF"), "АПРЯапря");
    EXPECT_EQ(lib::from_cp866("\xF0\xF1\xF4\xFC"), "ЁёЇ№");
    EXPECT_EQ(lib::from_cp866("\xC4\xB3\xDB"), "─│█");
    EXPECT_EQ(lib::from_cp866("\xFF"), "\xC2\xA0");
    EXPECT_EQ(lib::from_cp866("HP-33 \x84\x80\x82"), "HP-33 ДАВ");
    // Every byte decodes to something that CP1251 can take back or marks as '?'.
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(lib::to_cp1251(lib::from_cp866(byte(b))).size(), 1u) << "byte " << b;
}

TEST(Codepage, LowerIdentFoldsOnlyLatinAndRussianCapitals) {
    EXPECT_EQ(lib::lower_ident("ABC xyz 09_"), "abc xyz 09_");
    EXPECT_EQ(lib::lower_ident("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"),
              "абвгдеёжзийклмнопрстуфхцчшщъыьэюя");
    EXPECT_EQ(lib::lower_ident("абв ёж"), "абв ёж");
    EXPECT_EQ(lib::lower_ident("ЄЇІЎЂ ÀÉ Ω"), "ЄЇІЎЂ ÀÉ Ω");
    EXPECT_EQ(lib::lower_ident("\xD0"), "\xD0");
    EXPECT_EQ(lib::lower_ident("Вес На КРЮКЕ"), "вес на крюке");
}

TEST(Codepage, EqualIdent) {
    EXPECT_TRUE(lib::equal_ident("Вес на КРЮКЕ", "вес НА крюке"));
    EXPECT_TRUE(lib::equal_ident("Ёмкость", "ёМКОСТЬ"));
    EXPECT_TRUE(lib::equal_ident("Depth", "DEPTH"));
    EXPECT_TRUE(lib::equal_ident("", ""));
    EXPECT_FALSE(lib::equal_ident("Ё", "е"));
    EXPECT_FALSE(lib::equal_ident("Depth", "Dept"));
    EXPECT_FALSE(lib::equal_ident("ab", "a?"));
    // Р (D0 A0) lowers to р (D1 80); U+0400 (D0 80) must not match it through the shared
    // second byte.
    EXPECT_FALSE(lib::equal_ident("\xD0\xA0", "\xD0\x80"));
    EXPECT_TRUE(lib::equal_ident("\xD0\xA0", "\xD1\x80"));
    EXPECT_FALSE(lib::equal_ident("Ї", "ї")); // outside the folded set
}

} // namespace

// Each text goes into an INI file as Windows-1251 and comes back exactly; the ones that fit are
// written as they are.
TEST(Codepage, EscapedTextsComeBackFromWindows1251Exactly) {
    const struct {
        std::string text;
        std::string escaped; // empty: written as it is
    } cases[] = {
        {"/home/op/Скважина №7/день 1.realtim", ""},
        {"/data/100% (копия)/a?b.realtim", ""},
        {"/home/op/München/a.realtim", "utf8:/home/op/M%C3%BCnchen/a.realtim"},
        {"/home/op/Мюнхен ü/50%.tim", "utf8:/home/op/Мюнхен %C3%BC/50%25.tim"},
        {"/tmp/\xF0\x9F\x98\x80/\xE4\xB8\xAD.realtim", "utf8:/tmp/%F0%9F%98%80/%E4%B8%AD.realtim"},
        {"utf8:plain", "utf8:utf8:plain"},             // the mark itself is escaped
        {"/bad/\xFF\xC3.dat", "utf8:/bad/%FF%C3.dat"}, // bytes of no character too
        {"", ""},
    };
    for (const auto& [text, escaped] : cases) {
        const std::string stored = lib::escape_for_cp1251(text);
        EXPECT_EQ(stored, escaped.empty() ? text : escaped);
        const std::string read_back = lib::from_cp1251(lib::to_cp1251(stored));
        EXPECT_EQ(read_back, stored) << "not held by a Windows-1251 file: " << stored;
        EXPECT_EQ(lib::unescape_from_cp1251(read_back), text);
    }
    // What a person may have typed after the mark reads as it stands.
    EXPECT_EQ(lib::unescape_from_cp1251("utf8:a%zz%4"), "a%zz%4");
    EXPECT_EQ(lib::unescape_from_cp1251("utf8:%d0%af"), "Я");
}
