#include "library/Html_page.h"
#include "library/Html_table.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "Scratch_dir.h"

using namespace lib::html;

namespace {

std::string saved_bytes(const page& p, const ScratchDir& dir) {
    const std::string path = dir.file("report.html");
    p.SaveToFile(path);
    const auto bytes = get_bytes(path);
    return {bytes.begin(), bytes.end()};
}

line_list table_lines(const table& t, int indent = 0) {
    line_list lines;
    t.Emit(lines, indent);
    return lines;
}

} // namespace

TEST(HtmlPage, FileHoldsHeadBodyAndTableInWindows1251WithCrLf) {
    ScratchDir dir;
    auto t = std::make_shared<table>();
    t->SetColumnCount(2);
    t->SetRowCount(2);
    t->Cell(0, 0) = {0xF0F0F0, "№", align_center};
    t->Cell(1, 0) = {0xF0F0F0, "", align_center};
    t->Cell(0, 1).text = "Сеть";
    t->Cell(1, 1).text = "";
    page p;
    p.AddElement(t);

    const std::string expected =
        "<html>\r\n"
        "<head>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\r\n"
        "</head>\r\n"
        "<body style = \"font-family: Arial; font-size: 7pt\">\r\n"
        "  <table border=\"0\" width=\"100%\" bgcolor=\"#FFFFFF\">\r\n"
        "    <tr>\r\n"
        "      <td bgcolor=\"#F0F0F0\"><p align=\"center\">\xB9</p></td>\r\n"
        "      <td bgcolor=\"#F0F0F0\"><p align=\"center\"></p></td>\r\n"
        "    </tr>\r\n"
        "    <tr>\r\n"
        "      <td>\xD1\xE5\xF2\xFC</td>\r\n"
        "      <td></td>\r\n"
        "    </tr>\r\n"
        "  </table>\r\n"
        "</body>\r\n"
        "</html>\r\n";
    EXPECT_EQ(saved_bytes(p, dir), expected);
}

TEST(HtmlPage, SaveReplacesTheFileAndAMissingFolderRaises) {
    ScratchDir dir;
    put_bytes(dir.file("report.html"), {'o', 'l', 'd'});
    page p;
    p.font_size = "9pt";
    const std::string bytes = saved_bytes(p, dir);
    EXPECT_EQ(bytes.substr(0, 8), "<html>\r\n");
    EXPECT_NE(bytes.find("font-size: 9pt\">\r\n</body>\r\n</html>\r\n"), std::string::npos);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"report.html"}); // no temporary file left

    EXPECT_THROW(p.SaveToFile(dir.file("missing/report.html")), std::runtime_error);
}

TEST(HtmlText, EscapesEveryListedCharacterAndBreaksTheLineAtALineFeed) {
    EXPECT_EQ(EscapeText("a&b<c>d\"e f\ng"), "a&amp;b&lt;c&gt;d&quot;e&nbsp;f<br>\ng");
    EXPECT_EQ(EscapeText("'%#;\t"), "'%#;\t");

    ScratchDir dir;
    auto t = std::make_shared<table>();
    t->SetColumnCount(1);
    t->SetRowCount(1);
    t->Cell(0, 0).text = "1\n2";
    page p;
    p.AddElement(t);
    EXPECT_NE(saved_bytes(p, dir).find("\r\n      <td>1<br>\r\n2</td>\r\n"), std::string::npos);
}

TEST(HtmlText, ColoursNumbersAndAlignments) {
    EXPECT_EQ(ColorText(0xF0F0F0), "\"#F0F0F0\"");
    EXPECT_EQ(ColorText(0x0000FF), "\"#FF0000\""); // blue-green-red: the low byte is red
    EXPECT_EQ(ColorText(0x123456), "\"#563412\"");
    EXPECT_EQ(QuotedNumber(100, "%"), "\"100%\"");
    EXPECT_EQ(QuotedNumber(-3), "\"-3\"");
    EXPECT_EQ(AlignText(align_left), "\"left\"");
    EXPECT_EQ(AlignText(align_center), "\"center\"");
    EXPECT_EQ(AlignText(1), "\"\"");
    EXPECT_EQ(Indent(3), "   ");
    EXPECT_EQ(Indent(0), "");
}

TEST(HtmlTable, CellsAreComparedWithTheTableDefaults) {
    table t;
    t.background = 0xF0F0F0;
    t.default_align = align_center;
    t.border = 1;
    t.width = 50;
    t.SetColumnCount(3);
    t.SetRowCount(1);
    t.Cell(0, 0) = {0xF0F0F0, "same", align_center};
    t.Cell(1, 0) = {0xFFFFFF, "x", align_left};
    t.Cell(2, 0).background = 0xF0F0F0;
    t.Cell(2, 0).align = 7;
    const line_list expected = {
        "  <table border=\"1\" width=\"50%\" bgcolor=\"#F0F0F0\">",
        "    <tr>",
        "      <td>same</td>",
        "      <td bgcolor=\"#FFFFFF\"><p align=\"left\">x</p></td>",
        "      <td><p align=\"\">No&nbsp;text</p></td>",
        "    </tr>",
        "  </table>",
    };
    EXPECT_EQ(table_lines(t, 2), expected);
}

TEST(HtmlTable, EmptyTableGivesItsStartAndEndOnly) {
    table t;
    t.SetColumnCount(4);
    EXPECT_EQ(table_lines(t),
              (line_list{"<table border=\"0\" width=\"100%\" bgcolor=\"#FFFFFF\">", "</table>"}));
}

TEST(HtmlTable, RowsKeepTheColumnCountAndOutOfRangeRaisesVector) {
    table t;
    t.SetColumnCount(2);
    t.SetRowCount(3);
    EXPECT_EQ(t.RowCount(), 3);
    EXPECT_EQ(t.Cell(1, 2).text, "No text");
    EXPECT_EQ(error_of<std::out_of_range>([&] { t.Cell(2, 0); }), "vector");
    EXPECT_EQ(error_of<std::out_of_range>([&] { t.Cell(0, 3); }), "vector");
    EXPECT_EQ(error_of<std::out_of_range>([&] { t.Cell(-1, 0); }), "vector");

    t.Cell(0, 0).text = "kept";
    t.SetColumnCount(1);
    t.SetRowCount(1);
    EXPECT_EQ(t.Cell(0, 0).text, "kept");
    EXPECT_EQ(error_of<std::out_of_range>([&] { t.Cell(1, 0); }), "vector");
    EXPECT_EQ(error_of<std::out_of_range>([&] { t.Cell(0, 1); }), "vector");
    EXPECT_EQ(table_lines(t).size(), 5u);
}
