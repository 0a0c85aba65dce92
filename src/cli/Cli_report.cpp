// vornell-cli report: the journal report of a document, as the preview's "Сохранить..." writes it.
#include <charconv>
#include <string>

#include "cli/Commands.h"
#include "document/Storage.h"
#include "print/Journalreport.h"

namespace {

struct RowRange {
    int first = 0, last = 0;
};

// "FIRST:LAST", two whole numbers from 0 with LAST not below FIRST.
RowRange parse_rows(const std::string& text) {
    RowRange rows;
    const char* const end = text.data() + text.size();
    auto [colon, e1] = std::from_chars(text.data(), end, rows.first);
    bool ok = e1 == std::errc() && colon != end && *colon == ':';
    if (ok) {
        auto [tail, e2] = std::from_chars(colon + 1, end, rows.last);
        ok = e2 == std::errc() && tail == end && rows.first >= 0 && rows.last >= rows.first;
    }
    if (!ok)
        throw UsageError("--rows needs FIRST:LAST, whole numbers from 0 with LAST >= FIRST");
    return rows;
}

} // namespace

int cmd_report(const std::vector<std::string>& args) {
    const ParsedArgs parsed = parse_args(args, {"--rows"});
    if (parsed.positional.size() != 2)
        throw UsageError("expected FILE and OUT.html");
    const auto rows_option = parsed.options.find("--rows");
    const bool have_rows = rows_option != parsed.options.end();
    RowRange rows = have_rows ? parse_rows(rows_option->second) : RowRange{};
    check_output(parsed.positional[0], parsed.positional[1], {"html", "htm"});
    Storage doc(stderr_reporter());
    if (!open_document(doc, parsed.positional[0]))
        return 1;
    if (!have_rows)
        rows = {0, doc.JournalCount() - 1};
    SaveJournalReport(doc, rows.first, rows.last, parsed.positional[1]);
    return 0;
}
