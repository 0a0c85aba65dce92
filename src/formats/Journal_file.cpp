#include "formats/Journal_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <system_error>

#include "library/Binary_io.h"
#include "library/File_error.h"
#include "library/Numstr.h"
#include "library/Strworks.h"

namespace journal_file {

namespace {

bool fits_float(double v) {
    return std::isfinite(v) && std::fabs(v) <= std::numeric_limits<float>::max();
}

void append_fixed(std::string& out, double v, int decimals) {
    char buf[400]; // the longest fixed double: 309 integer digits, sign, point, decimals
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    out.append(buf, res.ptr);
}

EventKind parse_code(std::string_view item) {
    EventKind code = 0;
    const char* end = item.data() + item.size();
    const auto res = std::from_chars(item.data(), end, code);
    if (res.ec != std::errc() || res.ptr != end)
        return 255;
    return code;
}

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

std::string to_text(const LogStorage& journal) {
    std::string out;
    out.reserve(journal.Records().size() * 40);
    for (const LogRecord& r : journal.Records())
        append_line(out, r);
    return out; // ASCII only, so it is already Windows-1251
}

namespace {

// The line every writer writes, a code and three numbers with '.' between spaces, read in one
// pass: each field ends where its number ends, so this reads what the general reading in
// parse_line does. False for anything else (a quote, a tab, a comma, a missing field, a number
// followed by more than a space), which the general reading then takes.
bool parse_plain(std::string_view line, EventKind& code, double (&numbers)[3]) {
    const char* p = line.data();
    const char* const end = p + line.size();
    const auto field_starts = [&] {
        while (p < end && *p == ' ')
            ++p;
        const bool printable = p != end && static_cast<unsigned char>(*p) > ' ';
        return printable && *p != '"';
    };
    const auto field_ends = [&](const char* at) { return at == end || *at == ' '; };
    if (!field_starts())
        return false;
    const auto code_read = std::from_chars(p, end, code);
    if (code_read.ec != std::errc() || !field_ends(code_read.ptr))
        return false;
    p = code_read.ptr;
    for (double& number : numbers) {
        if (!field_starts())
            return false;
        const bool negative = *p == '-';
        if (*p == '-' || *p == '+')
            ++p;
        if (p == end || !((*p >= '0' && *p <= '9') || *p == '.'))
            return false;
        const auto read = std::from_chars(p, end, number);
        if (read.ec != std::errc() || !field_ends(read.ptr))
            return false;
        number = negative ? -number : number;
        p = read.ptr;
    }
    return true;
}

// One line of a journal file without its line end; nothing when the line is to be dropped. The
// line is read where it stands, in its own code page: spaces, quotes, digits and signs are the
// same bytes in Windows-1251 as in UTF-8, and any other byte ends a number either way.
std::optional<LogRecord> parse_line(std::string_view line) {
    EventKind code = 0;
    double numbers[3];
    if (!parse_plain(line, code, numbers)) {
        std::string_view items[4];
        lib::split_spaced(line, items);
        code = parse_code(items[0]);
        for (int k = 0; k < 3; ++k)
            numbers[k] = lib::text_to_number(items[k + 1]);
    }
    const auto [start, end, value] = numbers;
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
        pending_.reserve(longest_line + 1);
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
        if (pending_.size() + part.size() > longest_line + 1) {
            pending_.clear();
            skipping_ = true;
            return;
        }
        pending_.append(part);
    }

    void line(std::string_view text) {
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        if (text.empty() || text.size() > longest_line)
            return;
        if (const std::optional<LogRecord> record = parse_line(text))
            into_.push_back(*record);
    }

    std::vector<LogRecord>& into_;
    std::string pending_;
    bool skipping_ = false; // the rest of an overlong line is still to come
};

std::size_t line_count(std::string_view bytes) {
    // memchr is the library's vectorised search: a plain count is not vectorised at -O2, and
    // even one call per line is faster.
    std::size_t lines = 0;
    for (const char *p = bytes.data(), *const end = p + bytes.size();
         (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))));
         ++p)
        ++lines;
    return lines;
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

void load_text(LogStorage& journal, std::string_view bytes) {
    std::vector<LogRecord> records;
    make_room(records, line_count(bytes) + 1);
    JournalParser parser(records);
    parser.feed(bytes);
    parser.end_line();
    fit(records);
    journal.Assign(std::move(records));
}

void load(LogStorage& journal, const std::string& path) {
    journal.Clear();
    lib::io::OSFile file;
    try {
        file.open(path, lib::io::OSFile::read_existing, false);
    } catch (const std::exception&) {
        return; // no journal beside the data file
    }
    std::vector<LogRecord> records;
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
        make_room(records, lines);
        JournalParser parser(records);
        for (std::string_view piece = next_piece(); !piece.empty(); piece = next_piece())
            parser.feed(piece);
        parser.end_line();
    } catch (const std::exception&) {
        // A read that fails on the way keeps the lines before it, as a text reader would.
    }
    fit(records);
    journal.Assign(std::move(records));
}

lib::io::file_replacement replacement(const LogStorage& journal, const std::string& path) {
    return {path, [&journal](lib::io::BinaryOutputStream& out) {
                // Line by line through the stream's buffer: a large journal is never held twice.
                std::string line;
                for (const LogRecord& r : journal.Records()) {
                    line.clear();
                    append_line(line, r);
                    out.write(line.data(), line.size());
                }
            }};
}

std::runtime_error failure(const lib::io::replace_error& e) {
    // A protected journal's error names it already.
    if (e.kind() == lib::io::FileErrorKind::write_protected)
        return std::runtime_error(lib::io::file_error_message(e));
    const std::string reason = ": " + lib::io::file_error_message(e);
    if (e.step() == lib::io::replace_error::writing)
        return std::runtime_error("Невозможно записать файл '" + e.target() + "'" + reason);
    return std::runtime_error("Невозможно открыть файл '" + e.target() + "' для записи" + reason);
}

void save(const LogStorage& journal, const std::string& path) {
    try {
        lib::io::replace_files({replacement(journal, path)});
    } catch (const lib::io::replace_error& e) {
        throw failure(e);
    }
}

} // namespace journal_file
