#pragma once
// The journal as a report page: one table of the grid's columns under a grey centred header
// row. The print preview and vornell-cli report both build it here.
#include <memory>
#include <string>

#include "library/Html_page.h"

class QTextDocument;
class Storage;

// The events first to last (positions from 0, both included); last = first - 1 gives the header
// row alone. A range outside the journal raises an error naming it.
std::unique_ptr<lib::html::page> BuildJournalReport(const Storage& doc, int first, int last);
// Builds the report and saves it into path; nothing is written when the range is refused.
void SaveJournalReport(const Storage& doc, int first, int last, const std::string& path);

// The report's table laid out with its "№" column as wide as the widest of its texts (the
// header and the numbers of the first and last rows) in the type the document has now; the
// other columns share the rest. The width is in screen pixels, which a layout on a printer
// scales as it scales the type.
void FitNumberColumn(QTextDocument& report);
