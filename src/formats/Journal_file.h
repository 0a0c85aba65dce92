#pragma once
// journal_file: the journal's file beside a data file (".dat"): Windows-1251 text, one
// "code start end value" line per record, CR LF.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "datafile/Journal.h"
#include "library/Fileworks.h"

namespace journal_file {

// A file is read in pieces of piece_bytes; a line longer than longest_line (its line end not
// counted) is damage and is skipped without being held.
constexpr std::size_t piece_bytes = 1 << 20;
constexpr std::size_t longest_line = 4096;

std::string to_text(const LogStorage& journal);
// Both loads replace the records and leave them little unused room.
void load_text(LogStorage& journal, std::string_view bytes);
// A missing or unreadable file gives an empty journal.
void load(LogStorage& journal, const std::string& path);

// The journal as one file of a replace, so it can be saved in one unit with its data file.
lib::io::file_replacement replacement(const LogStorage& journal, const std::string& path);
// A failed replace of a journal, as the document tells it: the journal's name, whether it could
// not be made (or put in place) or not be written, and why.
std::runtime_error failure(const lib::io::replace_error& e);
// Raises failure() of a replace that failed.
void save(const LogStorage& journal, const std::string& path);

} // namespace journal_file
