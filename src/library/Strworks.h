#pragma once
// Small text helpers: trim, escape_text and unescape_text (a text kept on one line), split_text,
// split_item and split_spaced, take_line.
#include <cstddef>
#include <span>
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
// The first items of split_text(text, ' ') as views into text, as many as items has room for;
// the rest of items is left as it was. Returns how many were found.
std::size_t split_spaced(std::string_view text, std::span<std::string_view> items);

// Cuts the first line off text and returns it without its end: LF or CR LF ends a line, and the
// last line needs no end.
std::string_view take_line(std::string_view& text);

} // namespace lib
