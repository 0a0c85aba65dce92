#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "library/Strworks.h"

namespace {

using Items = std::vector<std::string>;

Items split(std::string_view text, char sep) {
    Items items{"stale"};
    lib::split_text(text, sep, items);
    return items;
}

TEST(Strworks, Trim) {
    EXPECT_EQ(lib::trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(lib::trim(""), "");
    EXPECT_EQ(lib::trim(std::string("\x01 \x1F\0", 4)), "");
    EXPECT_EQ(lib::trim("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0"); // UTF-8 bytes are not blanks
    EXPECT_EQ(lib::trim("Вес "), "Вес");
}

TEST(Strworks, Escape) {
    EXPECT_EQ(lib::escape_text("a\nb"), "a\\nb");
    EXPECT_EQ(lib::escape_text("say \"hi\""), "say \\\"hi\\\"");
    EXPECT_EQ(lib::escape_text("c:\\dir"), "c:\\\\dir");
    EXPECT_EQ(lib::escape_text("line\r\nnext"), "line\\nnext");
    EXPECT_EQ(lib::escape_text(std::string("a\tb\x01\x1F\0c", 7)), "abc");
    EXPECT_EQ(lib::escape_text("Скв. №5 \x7F"), "Скв. №5 \x7F");
}

TEST(Strworks, Unescape) {
    EXPECT_EQ(lib::unescape_text("\\\""), "\"");
    EXPECT_EQ(lib::unescape_text("\\\\"), "\\");
    EXPECT_EQ(lib::unescape_text("a\\nb"), "a\nb");
    EXPECT_EQ(lib::unescape_text("\\t\\x"), "\\t\\x");
    EXPECT_EQ(lib::unescape_text("end\\"), "end\\");
    EXPECT_EQ(lib::unescape_text("\\\\n"), "\\n");
    EXPECT_EQ(lib::unescape_text("\\\\\\n"), "\\\n");
    EXPECT_EQ(lib::unescape_text("\\"), "\\");
    EXPECT_EQ(lib::unescape_text(""), "");
}

TEST(Strworks, EscapeRoundTripDropsOnlyControls) {
    std::string all;
    std::string kept;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
        if (b >= 32 || b == '\n')
            kept += static_cast<char>(b);
    }
    EXPECT_EQ(lib::unescape_text(lib::escape_text(all)), kept);
    for (std::string s : {"\\n", "\\\"", "\"\\\\\"", "\\", "a\\\nb", "\n\n\\"})
        EXPECT_EQ(lib::unescape_text(lib::escape_text(s)), s) << s;
}

TEST(Strworks, SplitBySpaces) {
    EXPECT_EQ(split("a \"x y\" z", ' '), (Items{"a", "x y", "z"}));
    EXPECT_EQ(split("   a    b  ", ' '), (Items{"a", "b"}));
    EXPECT_EQ(split("one", ' '), (Items{"one"}));
    EXPECT_EQ(split("\"\"", ' '), (Items{""}));
    EXPECT_EQ(split("a \"\" b", ' '), (Items{"a", "", "b"}));
    EXPECT_EQ(split("\"unclosed x", ' '), (Items{"unclosed x"}));
    EXPECT_EQ(split("\"a\"b", ' '), (Items{"a", "b"}));
    EXPECT_EQ(split("a\"b c\"", ' '), (Items{"a\"b", "c\""}));
    EXPECT_EQ(split("a\tb c", ' '), (Items{"a\tb", "c"}));
    EXPECT_EQ(split("a \t b", ' '), (Items{"a", "b"}));
    EXPECT_EQ(split("\"Вес на крюке\" т", ' '), (Items{"Вес на крюке", "т"}));
}

TEST(Strworks, SplitByOtherSeparator) {
    EXPECT_EQ(split("Роторное|Турбинное|Роторно-турбинное", '|'),
              (Items{"Роторное", "Турбинное", "Роторно-турбинное"}));
    EXPECT_EQ(split("a||b", '|'), (Items{"a", "", "b"}));
    EXPECT_EQ(split("a|", '|'), (Items{"a"}));
    EXPECT_EQ(split("a||", '|'), (Items{"a", ""}));
    EXPECT_EQ(split("|a", '|'), (Items{"", "a"}));
    EXPECT_EQ(split(" a | b ", '|'), (Items{" a ", " b "}));
    EXPECT_EQ(split("|", '|'), (Items{""}));
    EXPECT_EQ(split("a\r\nb|c\rd\ne", '|'), (Items{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(split("a\n\rb", '|'), (Items{"a", "", "b"}));
    EXPECT_EQ(split("0\t2007 MAR 05 09:05:30\t12.5", '\t'),
              (Items{"0", "2007 MAR 05 09:05:30", "12.5"}));
    EXPECT_EQ(split("\t1\t\t2\t", '\t'), (Items{"", "1", "", "2"}));
    EXPECT_EQ(split("a\rb", '\r'), (Items{"a", "b"}));
}

TEST(Strworks, SplitOfBlankTextIsEmpty) {
    EXPECT_TRUE(split("", ' ').empty());
    EXPECT_TRUE(split(" \t\r\n", ' ').empty());
    EXPECT_TRUE(split("\t", '\t').empty());
    EXPECT_TRUE(split("  ", '|').empty());
}

TEST(Strworks, SplitItem) {
    EXPECT_EQ(lib::split_item("a b", 0, ' '), "a");
    EXPECT_EQ(lib::split_item("a b", 1, ' '), "b");
    EXPECT_EQ(lib::split_item("a b", 5, ' '), "");
    EXPECT_EQ(lib::split_item("a b", 2, ' '), "");
    EXPECT_EQ(lib::split_item("a b", -1, ' '), "");
    EXPECT_EQ(lib::split_item("", 0, ' '), "");
    // The same text split by another separator must not reuse the remembered items.
    EXPECT_EQ(lib::split_item("x|y z", 0, '|'), "x");
    EXPECT_EQ(lib::split_item("x|y z", 0, ' '), "x|y");
    EXPECT_EQ(lib::split_item("x|y z", 1, '|'), "y z");
}

TEST(Strworks, SplitItemFromTwoThreads) {
    std::atomic<int> wrong{0};
    auto hammer = [&](const std::string& text, const Items& expect) {
        for (int round = 0; round < 20000; ++round) {
            const int i = round % static_cast<int>(expect.size());
            if (lib::split_item(text, i, '|') != expect[static_cast<std::size_t>(i)])
                ++wrong;
        }
    };
    std::thread a(hammer, "one|two|three", Items{"one", "two", "three"});
    std::thread b(hammer, "Роторное|Турбинное", Items{"Роторное", "Турбинное"});
    hammer("x||z|w", Items{"x", "", "z", "w"});
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
