#include "document/Storage.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "library/Binary_io.h"
#include "library/Codepage.h"
#include "library/Fileworks.h"
#include "library/Mytime.h"
#include "library/Numstr.h"
#include "library/Strworks.h"

namespace {

// Calendar numbers of 0001-01-01 and of the day after 9999-12-31: beyond them a journal
// moment is damage, not a date.
constexpr double first_datetime = -693593.0;
constexpr double past_last_datetime = 2958466.0;

bool valid_datetime(double dt) {
    return std::isfinite(dt) && dt >= first_datetime && dt < past_last_datetime;
}

bool fits_float(double v) {
    return std::isfinite(v) && std::fabs(v) <= std::numeric_limits<float>::max();
}

std::string datetime_text(double dt) {
    if (!valid_datetime(dt))
        return {};
    const lib::time_parts parts = lib::datetime_to_parts(dt);
    return lib::format_short_date(parts) + " " + lib::format_long_time(parts);
}

void append_fixed(std::string& out, double v, int decimals) {
    char buf[400]; // the longest fixed double: 309 integer digits, sign, point, decimals
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    out.append(buf, res.ptr);
}

EventKind parse_code(const std::string& item) {
    EventKind code = 0;
    const char* end = item.data() + item.size();
    const auto res = std::from_chars(item.data(), end, code);
    if (res.ec != std::errc() || res.ptr != end)
        return 255;
    return code;
}

} // namespace

LogStorage::LogStorage()
    : kinds_{
          {0, "Превышение установок"},
          {1, "Включение регистратора"},
          {2, "Низкий уровень напряжения резервного питания"},
          {3, "Питание в норме"},
          {4, "3 вольта кирдык"},
          {5, "3 вольта вернулись"},
          {6, "пришлось прибить страничку с замерами"},
          {7, "пришлось прибить страничку с алармами"},
          {8, "всё слили в компьютер и стёрли флешку."},
          {9, "Отключение +12 вольт от пульта"},
          {10, "Включение +12 вольт от пульта"},
          {11, "Отключение -12 вольт от пульта"},
          {12, "Включение -12 вольт от пульта"},
          {13, "Пропало сетевое питание"},
          {14, "Сетевое питание в норме"},
          {255, "Неизвестное событие"},
      } {}

void LogStorage::Add(double start, double end, EventKind code, float value) {
    records_.push_back(LogRecord{start, end, code, value});
}

void LogStorage::Clear() {
    records_.clear();
}

std::string LogStorage::SituationText(EventKind code, float value) const {
    const auto it = kinds_.find(code);
    if (it == kinds_.end())
        return "Неизвестный код (" + std::to_string(code) + ")";
    std::string text = it->second;
    if (value > 0.001f)
        text += " (" + lib::number_to_text(value) + ")";
    return text;
}

std::string LogStorage::CellText(int column, int row) const {
    if (row < 0 || row >= Count())
        return {};
    const LogRecord& r = records_[static_cast<std::size_t>(row)];
    switch (column) {
    case 0:
        return std::to_string(row + 1);
    case 1: {
        std::string text = datetime_text(r.start);
        if (std::trunc(r.end) != 0.0) {
            const std::string end = datetime_text(r.end);
            if (!end.empty())
                text += " - " + end;
        }
        return text;
    }
    case 2:
        return SituationText(r.code, r.value);
    default:
        return {};
    }
}

std::string LogStorage::ColumnTitle(int index) {
    constexpr const char* titles[] = {"№", "Дата/Время", "Ситуация"};
    return index >= 0 && index < static_cast<int>(std::size(titles)) ? titles[index] : "";
}

namespace {

void append_line(std::string& out, const LogRecord& r) {
    out += std::to_string(r.code);
    out += ' ';
    append_fixed(out, r.start, 10);
    out += ' ';
    append_fixed(out, r.end, 10);
    out += ' ';
    append_fixed(out, r.value, 3);
    out += "\r\n";
}

} // namespace

std::string LogStorage::ToText() const {
    std::string out;
    out.reserve(records_.size() * 40);
    for (const LogRecord& r : records_)
        append_line(out, r);
    return out; // ASCII only, so it is already Windows-1251
}

namespace {

// One line of a journal file without its line end; nothing when the line is to be dropped.
std::optional<LogRecord> parse_line(std::string_view line) {
    const std::string text = lib::from_cp1251(line);
    const EventKind code = parse_code(lib::split_item(text, 0, ' '));
    const double start = lib::text_to_number(lib::split_item(text, 1, ' '));
    const double end = lib::text_to_number(lib::split_item(text, 2, ' '));
    const double value = lib::text_to_number(lib::split_item(text, 3, ' '));
    if (std::trunc(start) == 0.0)
        return std::nullopt;
    // NaN, infinities and moments outside the calendar are damage: such a line is dropped like
    // one without a start.
    if (!valid_datetime(start) || !valid_datetime(end) || !fits_float(value))
        return std::nullopt;
    return LogRecord{start, end, code, static_cast<float>(value)};
}

// Cuts the pieces of a journal into lines (CR LF or LF) and keeps their records. A line that
// goes on into the next piece waits in a buffer of at most one longest line.
class JournalParser {
public:
    explicit JournalParser(std::vector<LogRecord>& into) : into_(into) {
        pending_.reserve(LogStorage::longest_line + 1);
    }

    void feed(std::string_view piece) {
        for (;;) {
            const std::size_t eol = piece.find('\n');
            if (eol == std::string_view::npos) {
                hold(piece);
                return;
            }
            const std::string_view part = piece.substr(0, eol);
            piece.remove_prefix(eol + 1);
            if (pending_.empty() && !skipping_) {
                line(part);
                continue;
            }
            hold(part);
            end_line();
        }
    }

    // Ends the line held so far (empty after an overlong one); a file's last line needs no
    // line end.
    void end_line() {
        line(pending_);
        pending_.clear();
        skipping_ = false;
    }

private:
    void hold(std::string_view part) {
        if (skipping_)
            return;
        // One byte more than the longest line leaves room for the CR of its CR LF.
        if (pending_.size() + part.size() > LogStorage::longest_line + 1) {
            pending_.clear();
            skipping_ = true;
            return;
        }
        pending_.append(part);
    }

    void line(std::string_view text) {
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        if (text.empty() || text.size() > LogStorage::longest_line)
            return;
        if (const std::optional<LogRecord> record = parse_line(text))
            into_.push_back(*record);
    }

    std::vector<LogRecord>& into_;
    std::string pending_;
    bool skipping_ = false; // the rest of an overlong line is still to come
};

std::size_t line_count(std::string_view bytes) {
    return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
}

// Room for one record per line, as the lines were counted beforehand: a vector that grows by
// doubling would hold up to twice the records' size.
void make_room(std::vector<LogRecord>& records, std::size_t lines) {
    records = {};
    records.reserve(lines);
}

// Many dropped lines leave much room unused; give it back.
void fit(std::vector<LogRecord>& records) {
    if (records.capacity() - records.size() > records.size() / 4)
        records.shrink_to_fit();
}

} // namespace

void LogStorage::LoadFromText(std::string_view bytes) {
    make_room(records_, line_count(bytes) + 1);
    JournalParser parser(records_);
    parser.feed(bytes);
    parser.end_line();
    fit(records_);
}

void LogStorage::LoadFromFile(const std::string& path) {
    records_.clear();
    lib::io::OSFile file;
    try {
        file.open(path, lib::io::OSFile::read_existing, false);
    } catch (const std::exception&) {
        return; // no journal beside the data file
    }
    const std::unique_ptr<char[]> buffer(new char[piece_bytes]);
    const auto next_piece = [&] {
        return std::string_view(buffer.get(), file.read(buffer.get(), piece_bytes));
    };
    try {
        // Read twice: once to count the lines, once to keep their records.
        std::size_t lines = 1;
        for (std::string_view piece = next_piece(); !piece.empty(); piece = next_piece())
            lines += line_count(piece);
        file.seek(0, lib::io::OSFile::from_begin);
        make_room(records_, lines);
        JournalParser parser(records_);
        for (std::string_view piece = next_piece(); !piece.empty(); piece = next_piece())
            parser.feed(piece);
        parser.end_line();
    } catch (const std::exception&) {
        // A read that fails on the way keeps the lines before it, as a text reader would.
    }
    fit(records_);
}

lib::io::file_replacement LogStorage::FileReplacement(const std::string& path) const {
    return {path, [this](lib::io::BinaryOutputStream& out) {
                // Line by line through the stream's buffer: a large journal is never held twice.
                std::string line;
                for (const LogRecord& r : records_) {
                    line.clear();
                    append_line(line, r);
                    out.write(line.data(), line.size());
                }
            }};
}

namespace {

// A failed replace of a journal, as the document tells it: the stream's own words for a write
// that failed, the journal's name when it could not be made or put in place.
std::runtime_error journal_failure(const lib::io::replace_error& e) {
    if (e.step() == lib::io::replace_error::writing)
        return std::runtime_error(e.what());
    return std::runtime_error("Невозможно открыть файл '" + e.target() + "' для записи");
}

} // namespace

void LogStorage::SaveToFile(const std::string& path) const {
    try {
        lib::io::replace_files({FileReplacement(path)});
    } catch (const lib::io::replace_error& e) {
        throw journal_failure(e);
    }
}

namespace {

constexpr const char* sensor_type_key = "тип_датчика";

} // namespace

Storage::Storage(Reporter& reporter) : reporter_(reporter) {
    data_.set_native_format(true);
}

std::string Storage::JournalPath(const std::string& data_path) {
    return data_path.substr(0, lib::io::extension_start(data_path)) + ".dat";
}

std::vector<std::string> Storage::Files(const std::string& data_path) {
    std::vector<std::string> files = data_files_of(data_path);
    files.push_back(JournalPath(data_path));
    return files;
}

bool Storage::Guarded(const std::string& prefix, const std::function<void()>& action) {
    std::string message;
    try {
        action();
        return true;
    } catch (const std::runtime_error& e) {
        // Every error of the program's own (the data model's, the files', the journal's)
        // carries the text meant for the user; only a foreign one is unknown.
        message = e.what();
    } catch (...) {
        message = "Неизвестная ошибка!!!";
    }
    reporter_.error(error_caption, prefix + message);
    return false;
}

bool Storage::Open(const std::string& path) {
    const std::string prefix =
        "В процессе считывания файла\n'" + path + "'\nпроизошла следующая ошибка:\n\n";
    const bool ok = Guarded(prefix, [&] {
        data_.clear();
        data_.messages().clear(); // the notes of this open alone
        journal_.Clear();
        data_.load(path, false);
        journal_.LoadFromFile(JournalPath(path));
    });
    if (ok) {
        file_name_ = path;
        sensor_type_ = data_.text_values().value_of(sensor_type_key);
        if (sensor_type_.empty() && data_.param_count() > 0) {
            sensor_type_ = data_.param(0)->name;
            unit_ = data_.param(0)->unit;
        }
    } else {
        file_name_.clear();
    }
    modified_ = false;
    return ok;
}

bool Storage::Save(const std::string& path) {
    data_.text_values().set_value(sensor_type_key, sensor_type_);
    const std::string prefix =
        "В процессе записи файла\n'" + path + "'\nпроизошла следующая ошибка:\n\n";
    const bool ok = Guarded(prefix, [&] {
        // One unit: the data file never stands beside a journal of another save.
        try {
            data_.save(path, false, {journal_.FileReplacement(JournalPath(path))});
        } catch (const lib::io::replace_error& e) {
            // The data model words the failures of its own files; what passes is the journal's.
            throw journal_failure(e);
        }
    });
    // A failed save keeps the flag, so closing still asks before the read data are lost.
    if (ok)
        modified_ = false;
    return ok;
}

Storage::Content Storage::ClearForRead() {
    Content before{.file_name = std::move(file_name_),
                   .modified = modified_,
                   .data = data_.take_content(),
                   .journal = {}};
    // The read is not the opened file's content: a save must not go over that file.
    file_name_.clear();
    modified_ = false;
    std::swap(journal_, before.journal);
    return before;
}

void Storage::Restore(Content&& content) {
    file_name_ = std::move(content.file_name);
    modified_ = content.modified;
    data_.restore_content(std::move(content.data));
    std::swap(journal_, content.journal);
}
