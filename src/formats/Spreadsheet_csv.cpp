#include "formats/Spreadsheet_csv.h"

#include <algorithm>
#include <cmath>

#include "datafile/Assembling.h"
#include "datafile/Journal.h"
#include "formats/Records_csv.h"
#include "library/Binary_io.h"
#include "library/Mytime.h"

namespace {

std::function<void(std::string_view)> into(lib::io::BinaryOutputStream& out) {
    return [&out](std::string_view piece) { out.write(piece.data(), piece.size()); };
}

} // namespace

SheetCsv::SheetCsv(const lib::Locale& locale)
    : out_("\xEF\xBB\xBF"), decimal_(locale.decimal_separator),
      separator_(locale.decimal_separator == "," ? ';' : ',') {}

void SheetCsv::separate() {
    if (row_started_)
        out_ += separator_;
    row_started_ = true;
}

void SheetCsv::text(std::string_view field) {
    separate();
    // A plain loop: this runs once per field of every row, and a search for a set of characters
    // costs a search per character.
    const auto special = [this](char c) {
        return c == separator_ || c == '"' || c == '\r' || c == '\n';
    };
    if (std::none_of(field.begin(), field.end(), special)) {
        out_ += field;
        return;
    }
    out_ += '"';
    for (const char c : field) {
        if (c == '"')
            out_ += '"';
        out_ += c;
    }
    out_ += '"';
}

void SheetCsv::number(float value) {
    separate();
    if (!std::isfinite(value))
        return;
    const std::string digits = shortest_float(value);
    const std::size_t point = digits.find('.');
    if (point == std::string::npos) {
        out_ += digits;
    } else {
        out_.append(digits, 0, point);
        out_ += decimal_;
        out_.append(digits, point + 1);
    }
}

void SheetCsv::end_row() {
    out_ += "\r\n";
    row_started_ = false;
}

std::string SheetCsv::take() {
    std::string taken;
    taken.swap(out_);
    return taken;
}

void sheet_header(SheetCsv& csv, const FileStorage& model) {
    csv.text("Дата/Время");
    for (int k = 0; k < model.param_count(); ++k) {
        const FileStorageParam& p = *model.param(k);
        csv.text(p.unit.empty() ? p.name : p.name + ", " + p.unit);
    }
    csv.end_row();
}

void sheet_record(SheetCsv& csv, const FileStorageItem& item, int params) {
    csv.text(lib::iso_date_time(lib::time_to_parts(item.time)));
    for (int k = 0; k < params; ++k) {
        if (static_cast<std::size_t>(k) < item.values.size())
            csv.number(item.values[static_cast<std::size_t>(k)]);
        else
            csv.text({});
    }
    csv.end_row();
}

void spreadsheet_csv(const FileStorage& model, const std::function<void(std::string_view)>& sink) {
    SheetCsv csv;
    sheet_header(csv, model);
    model.for_each_record([&](const FileStorageItem& item) {
        sheet_record(csv, item, model.param_count());
        if (csv.size() > (1u << 16))
            sink(csv.take());
    });
    sink(csv.take());
}

void journal_csv(const LogStorage& journal, const std::function<void(std::string_view)>& sink) {
    SheetCsv csv;
    for (int column = 0; column < 3; ++column)
        csv.text(LogStorage::ColumnTitle(column));
    csv.end_row();
    for (int row = 0; row < journal.Count(); ++row) {
        for (int column = 0; column < 3; ++column)
            csv.text(journal.CellText(column, row, true));
        csv.end_row();
        if (csv.size() > (1u << 16))
            sink(csv.take());
    }
    sink(csv.take());
}

void write_spreadsheet_csv(const FileStorage& data, const LogStorage&, const ExportOptions&,
                           lib::io::BinaryOutputStream& out) {
    spreadsheet_csv(data, into(out));
}

void write_journal_csv(const FileStorage&, const LogStorage& journal, const ExportOptions&,
                       lib::io::BinaryOutputStream& out) {
    journal_csv(journal, into(out));
}
