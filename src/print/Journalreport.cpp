#include "print/Journalreport.h"

#include <QFontMetricsF>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <algorithm>
#include <stdexcept>

#include "document/Storage.h"
#include "library/Html_table.h"

namespace {

constexpr int report_columns = 4;
constexpr lib::html::colour header_bgr = 0xF0F0F0;

void check_range(const Storage& doc, int first, int last) {
    const int count = doc.JournalCount();
    if (first >= 0 && last >= first - 1 && last < count)
        return;
    const std::string rows = "Строки " + std::to_string(first) + ":" + std::to_string(last);
    if (count == 0)
        throw std::runtime_error(rows + " вне журнала: журнал пуст");
    throw std::runtime_error(rows + " вне журнала: в нём позиции от 0 до " +
                             std::to_string(count - 1));
}

} // namespace

std::unique_ptr<lib::html::page> BuildJournalReport(const Storage& doc, int first, int last) {
    check_range(doc, first, last);
    auto grid = std::make_shared<lib::html::table>();
    grid->SetRowCount(last - first + 2);
    grid->SetColumnCount(report_columns);
    for (int c = 0; c < report_columns; ++c)
        grid->Cell(c, 0) = {header_bgr, Storage::JournalColumnTitle(c), lib::html::align_center};
    for (int j = first; j <= last; ++j)
        for (int c = 0; c < report_columns; ++c)
            grid->Cell(c, j - first + 1).text = doc.JournalCellText(c, j);
    auto report = std::make_unique<lib::html::page>();
    report->AddElement(grid);
    return report;
}

void SaveJournalReport(const Storage& doc, int first, int last, const std::string& path) {
    BuildJournalReport(doc, first, last)->SaveToFile(path);
}

void FitNumberColumn(QTextDocument& report) {
    QTextTable* table = nullptr;
    for (QTextFrame* frame : report.rootFrame()->childFrames())
        if ((table = qobject_cast<QTextTable*>(frame)))
            break;
    if (!table || table->rows() == 0 || table->columns() == 0)
        return;
    double widest = 0;
    for (const int row : {0, 1, table->rows() - 1}) {
        if (row >= table->rows())
            continue;
        const QTextTableCell cell = table->cellAt(row, 0);
        QTextCursor text = cell.firstCursorPosition();
        text.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        const QFontMetricsF fm(cell.firstCursorPosition().charFormat().font());
        // A blank's room on either side, as the cell's padding may be none.
        widest = std::max(widest, fm.horizontalAdvance(text.selectedText()) +
                                      2 * fm.horizontalAdvance(QLatin1Char(' ')));
    }
    QTextTableFormat format = table->format();
    QList<QTextLength> widths(table->columns(), QTextLength(QTextLength::VariableLength, 0));
    widths[0] = QTextLength(QTextLength::FixedLength,
                            widest + 2 * (format.cellPadding() + format.border()));
    format.setColumnWidthConstraints(widths);
    table->setFormat(format);
}
