#pragma once
// The text pieces of the report markup: ColorText, AlignText, EscapeText and the like.
// Attribute values come with their double quotes.
#include <cstdint>
#include <string>
#include <string_view>

namespace lib::html {

// Colours are blue-green-red values as stored everywhere in the program.
using colour = std::uint32_t;

enum alignment : int { align_left = 0, align_center = 2 };

std::string Indent(int n);
// "#RRGGBB" in quotes, upper-case hexadecimal. Only the low three bytes count: the core knows
// no system colours, so such a value is written as its blue-green-red bytes.
std::string ColorText(colour bgr);
std::string QuotedNumber(int n, std::string_view suffix = {});
// "left" or "center" in quotes; any other value gives empty quotes.
std::string AlignText(int align);
// Makes a text safe inside a cell. Every blank becomes a non-breaking space so cell texts never
// wrap at blanks; a line feed becomes "<br>" followed by the line feed.
std::string EscapeText(std::string_view text);

} // namespace lib::html
