#pragma once
// lib::html::table: a table of the report page, rows of cells with their colour, text and
// alignment.
#include <string>
#include <vector>

#include "library/Html_base.h"
#include "library/Html_funcs.h"

namespace lib::html {

struct cell {
    colour background = 0xFFFFFF;
    std::string text = "No text";
    int align = align_left;
};

struct row {
    std::vector<cell> cells;
};

// The table's colour and alignment are the defaults against which each cell is written: a cell
// equal to them carries no attribute.
class table : public base {
public:
    int default_align = align_left;
    int width = 100; // per cent of the page
    int border = 0;
    colour background = 0xFFFFFF;

    // New rows get the current column count; surplus rows go from the end.
    void SetRowCount(int n);
    // Every row gets n cells: new ones at the cell defaults, surplus ones dropped from the end.
    void SetColumnCount(int n);
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // Out of the table raises the range error "vector".
    cell& Cell(int column, int row);

    void Emit(line_list& lines, int indent) const override;

private:
    std::string CellMarkup(const cell& c) const;

    std::vector<row> rows_; // every row holds columns_ cells
    int columns_ = 0;
};

} // namespace lib::html
