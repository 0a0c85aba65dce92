#include "print/Journalreport.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/Storage.h"
#include "library/Scratch_dir.h"
#include "print/Printlayout.h"

namespace {

class Silent : public Reporter {
public:
    void error(const std::string&, const std::string&) override {}
};

lib::html::line_list report_lines(const Storage& doc, int first, int last) {
    lib::html::line_list lines;
    BuildJournalReport(doc, first, last)->WriteLines(lines);
    return lines;
}

const std::vector<std::string> header_row = {
    "    <tr>",
    "      <td bgcolor=\"#F0F0F0\"><p align=\"center\">№</p></td>",
    "      <td bgcolor=\"#F0F0F0\"><p align=\"center\">Дата/Время</p></td>",
    "      <td bgcolor=\"#F0F0F0\"><p align=\"center\">Ситуация</p></td>",
    "      <td bgcolor=\"#F0F0F0\"><p align=\"center\"></p></td>",
    "    </tr>",
};

class JournalReport : public ::testing::Test {
protected:
    void SetUp() override {
        doc.Journal().Add(39146.5, 0.0, 0, 12.5f);
        doc.Journal().Add(39147.25, 39147.5, 13, 0.0f);
        doc.Journal().Add(39148.0, 0.0, 1, 0.0f);
    }
    Silent silent;
    Storage doc{silent};
};

} // namespace

TEST_F(JournalReport, TableOfTheChosenEventsUnderTheHeaderRow) {
    std::vector<std::string> expected = {
        "<html>",
        "<head>",
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">",
        "</head>",
        "<body style = \"font-family: Arial; font-size: 7pt\">",
        "  <table border=\"0\" width=\"100%\" bgcolor=\"#FFFFFF\">",
    };
    expected.insert(expected.end(), header_row.begin(), header_row.end());
    const std::vector<std::string> rows = {
        "    <tr>",
        "      <td>2</td>",
        "      <td>06.03.2007&nbsp;6:00:00&nbsp;-&nbsp;06.03.2007&nbsp;12:00:00</td>",
        "      <td>Пропало&nbsp;сетевое&nbsp;питание</td>",
        "      <td></td>",
        "    </tr>",
        "    <tr>",
        "      <td>3</td>",
        "      <td>07.03.2007&nbsp;0:00:00</td>",
        "      <td>Включение&nbsp;регистратора</td>",
        "      <td></td>",
        "    </tr>",
        "  </table>",
        "</body>",
        "</html>",
    };
    expected.insert(expected.end(), rows.begin(), rows.end());
    EXPECT_EQ(report_lines(doc, 1, 2), expected);

    const auto whole = report_lines(doc, 0, 2);
    EXPECT_EQ(whole.size(), 6 + 4 * 6 + 3u);
    EXPECT_EQ(whole[15], "      <td>Превышение&nbsp;установок&nbsp;(12,5)</td>");
}

TEST_F(JournalReport, EmptyRangeOrJournalGivesTheHeaderRowOnly) {
    const auto lines = report_lines(doc, 3, 2);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 6, lines.end() - 3), header_row);

    Storage empty(silent);
    EXPECT_EQ(report_lines(empty, 0, -1), lines);
    EXPECT_EQ(error_of([&] { BuildJournalReport(empty, 0, 0); }),
              "Строки 0:0 вне журнала: журнал пуст");
}

TEST_F(JournalReport, RangeOutsideTheJournalIsRefusedAndWritesNothing) {
    ScratchDir dir;
    const std::string path = dir.file("report.html");
    EXPECT_EQ(error_of([&] { SaveJournalReport(doc, 1, 3, path); }),
              "Строки 1:3 вне журнала: в нём позиции от 0 до 2");
    EXPECT_NE(error_of([&] { SaveJournalReport(doc, -1, 0, path); }), "");
    EXPECT_NE(error_of([&] { SaveJournalReport(doc, 2, 0, path); }), "");
    EXPECT_TRUE(dir.names().empty());

    SaveJournalReport(doc, 2, 2, path);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"report.html"});
}

namespace {

// The left edges of the first data row's first two cells as laid out, and the font of the first.
struct FirstRow {
    double number = 0, date = 0;
    QFont font;
};

FirstRow first_row(QTextDocument& page) {
    QTextTable* table = qobject_cast<QTextTable*>(page.rootFrame()->childFrames().value(0));
    EXPECT_NE(table, nullptr);
    if (!table)
        return {};
    const auto left = [&](int column) {
        return page.documentLayout()
            ->blockBoundingRect(table->cellAt(1, column).firstCursorPosition().block())
            .left();
    };
    return {left(0), left(1), table->cellAt(1, 0).firstCursorPosition().charFormat().font()};
}

TEST_F(JournalReport, TheNumberColumnIsAsWideAsItsNumbers) {
    for (int i = 3; i < 1200; ++i)
        doc.Journal().Add(39148.0 + i * 0.001, 0.0, 1, 0.0f);
    lib::html::line_list lines;
    BuildJournalReport(doc, 0, doc.JournalCount() - 1)->WriteLines(lines);
    std::string html;
    for (const std::string& line : lines)
        html += line + "\n";
    QTextDocument page;
    page.setHtml(QString::fromStdString(html));
    page.setTextWidth(1500); // a preview window at 200 %
    const FirstRow wide = first_row(page);
    FitNumberColumn(page);
    const FirstRow fitted = first_row(page);
    const QFontMetricsF fm(fitted.font);
    const double digits = fm.horizontalAdvance(QStringLiteral("1200"));
    EXPECT_GT(fitted.date - fitted.number, digits);
    EXPECT_LT(fitted.date - fitted.number,
              digits + 4 * fm.horizontalAdvance(QLatin1Char(' ')) + 12);
    EXPECT_LT(fitted.date, wide.date);
}

TEST(JournalPrintHeader, NamesTheJournalTheFileThePeriodAndTheSheet) {
    LogStorage journal;
    journal.Add(39205.3, 0.0, 0, 1.0f);           // 03.05.2007 7:12
    journal.Add(39205.25, 39205.5, 13, 0.0f);     // 6:00 to 12:00
    journal.Add(1e9, 0.0, 1, 0.0f);               // damaged: no date
    journal.Add(39206.0 + 1.0 / 1440, 0.0, 1, 0); // 04.05.2007 0:01
    const struct {
        int first, last;
        const char* period;
    } periods[] = {
        {0, 0, "03.05.2007 7:12 – 03.05.2007 7:12"},
        {0, 1, "03.05.2007 6:00 – 03.05.2007 12:00"},
        {2, 2, ""},
        {0, 3, "03.05.2007 6:00 – 04.05.2007 0:01"},
        {1, 0, ""},
    };
    for (const auto& c : periods)
        EXPECT_EQ(JournalPeriod(journal, c.first, c.last), c.period) << c.first << ":" << c.last;

    const PageHeader header = JournalPageHeader("run.realtim", "p", 1, 3);
    EXPECT_EQ(header.title, "Журнал событий — run.realtim");
    EXPECT_EQ(header.span, "p");
    EXPECT_EQ(header.sheet, "Лист 2 из 3");
    EXPECT_EQ(JournalPageHeader("", "", 0, 1).title, "Журнал событий") << "a read not saved";
}

} // namespace
