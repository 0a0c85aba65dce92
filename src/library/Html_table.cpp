#include "library/Html_table.h"

#include <stdexcept>

namespace lib::html {

void table::SetRowCount(int n) {
    rows_.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    SetColumnCount(columns_);
}

void table::SetColumnCount(int n) {
    columns_ = n > 0 ? n : 0;
    for (row& r : rows_)
        r.cells.resize(static_cast<std::size_t>(columns_));
}

cell& table::Cell(int column, int row_index) {
    if (row_index < 0 || static_cast<std::size_t>(row_index) >= rows_.size() || column < 0 ||
        column >= columns_)
        throw std::out_of_range("vector");
    return rows_[static_cast<std::size_t>(row_index)].cells[static_cast<std::size_t>(column)];
}

std::string table::CellMarkup(const cell& c) const {
    std::string out = "<td";
    if (c.background != background)
        out += " bgcolor=" + ColorText(c.background);
    out += '>';
    if (c.align != default_align)
        out += "<p align=" + AlignText(c.align) + ">" + EscapeText(c.text) + "</p>";
    else
        out += EscapeText(c.text);
    out += "</td>";
    return out;
}

void table::Emit(line_list& lines, int indent) const {
    lines.push_back(Indent(indent) + "<table border=" + QuotedNumber(border) + " width=" +
                    QuotedNumber(width, "%") + " bgcolor=" + ColorText(background) + ">");
    for (const row& r : rows_) {
        lines.push_back(Indent(indent + 2) + "<tr>");
        for (const cell& c : r.cells)
            lines.push_back(Indent(indent + 4) + CellMarkup(c));
        lines.push_back(Indent(indent + 2) + "</tr>");
    }
    lines.push_back(Indent(indent) + "</table>");
}

} // namespace lib::html
