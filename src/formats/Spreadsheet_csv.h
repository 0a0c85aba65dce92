#pragma once
// Spreadsheet_csv: CSV for people, which a spreadsheet opens as it is: SheetCsv builds the rows,
// spreadsheet_csv writes the records of a data model with it and journal_csv the journal.
#include <functional>
#include <string>
#include <string_view>

#include "library/Locale.h"

class FileStorage;
class LogStorage;
struct ExportOptions;
struct FileStorageItem;

namespace lib::io {
class BinaryOutputStream;
} // namespace lib::io

// Rows as spreadsheets read them: UTF-8 after a byte order mark (so Cyrillic shows on Windows),
// CR LF, fields quoted as RFC 4180 says. Where the locale writes decimals with ',' the fields
// are separated by ';', otherwise by ','.
class SheetCsv {
public:
    explicit SheetCsv(const lib::Locale& locale = lib::Locale::current());

    void text(std::string_view field);
    // The fewest digits that read back to the same float, with the locale's decimal separator;
    // an empty field for a value that is not finite.
    void number(float value);
    void end_row();
    // The bytes so far, handed over; the next ones continue the same file.
    std::string take();
    std::size_t size() const { return out_.size(); }

private:
    void separate();

    std::string out_;
    std::string decimal_;
    char separator_;
    bool row_started_ = false;
};

// The records' sheet row by row: "Дата/Время" and one "name, unit" column per parameter, then
// per record its time on the recording's wall clock as "2026-03-02 06:00:00" and its values of
// the first params parameters (empty where a record has none).
void sheet_header(SheetCsv& csv, const FileStorage& model);
void sheet_record(SheetCsv& csv, const FileStorageItem& item, int params);
// The whole sheet of a model, handed to sink in pieces of about 64 KiB.
void spreadsheet_csv(const FileStorage& model, const std::function<void(std::string_view)>& sink);
// The journal as the grid shows it ("№", "Дата/Время", "Ситуация"), dates as
// "2026-03-02 06:00:00".
void journal_csv(const LogStorage& journal, const std::function<void(std::string_view)>& sink);

// Both into a file, as the format table exports them.
void write_spreadsheet_csv(const FileStorage& data, const LogStorage& journal,
                           const ExportOptions& options, lib::io::BinaryOutputStream& out);
void write_journal_csv(const FileStorage& data, const LogStorage& journal,
                       const ExportOptions& options, lib::io::BinaryOutputStream& out);
