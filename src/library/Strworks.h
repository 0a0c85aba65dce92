#pragma once
// Small text helpers: trim, escape_text and unescape_text (a text kept on one line), split_text
// and split_item, take_line.
#include <string>
#include <string_view>
#include <vector>

namespace lib {

// Trims spaces and control characters (bytes <= 32) at both ends.
std::string trim(std::string_view s);

std::string escape_text(std::string_view s);
std::string unescape_text(std::string_view s);

void split_text(std::string_view text, char sep, std::vector<std::string>& items);
// Item `index` of split_text(text, sep), or empty. Remembers the last split; thread-safe.
std::string split_item(std::string_view text, int index, char sep);

// Cuts the first line off text and returns it without its end: LF or CR LF ends a line, and the
// last line needs no end.
std::string_view take_line(std::string_view& text);

} // namespace lib
