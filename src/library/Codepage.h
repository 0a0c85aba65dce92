#pragma once
// The one place where text changes encoding (to_cp1251, from_cp1251, from_cp866), and names
// compared without regard to letter case (equal_ident). Inside the program every text is UTF-8.
#include <string>
#include <string_view>

namespace lib {

// UTF-8 -> Windows-1251, the code page of files, the INI file and the logger line. A character
// with no CP1251 byte becomes '?'; malformed UTF-8 bytes too.
std::string to_cp1251(std::string_view utf8);
// A UTF-8 text as a Windows-1251 file can hold it and give it back exactly: a text that fits
// stays as it is; any other, and one that starts with the mark "utf8:", is the mark followed by
// the text with '%' and every character outside Windows-1251 (and every malformed byte) written
// as %XX of its UTF-8 bytes (upper-case hex). Cyrillic letters stay readable.
std::string escape_for_cp1251(std::string_view utf8);
// The text escape_for_cp1251 was given; a text without the mark, or with a '%' not followed by
// two hex digits, comes back as it is there.
std::string unescape_from_cp1251(std::string_view text);
// Windows-1251 -> UTF-8. All 256 bytes map (0x98 to U+0098), so to_cp1251 gives the bytes back.
std::string from_cp1251(std::string_view bytes);
// CP866 (DOS Cyrillic) -> UTF-8: the logger's type reply comes in it.
std::string from_cp866(std::string_view bytes);

// Lower-cases Latin A-Z, Cyrillic А-Я and Ё of a UTF-8 text; everything else stays.
std::string lower_ident(std::string_view utf8);
// True when both texts are equal after lower_ident.
bool equal_ident(std::string_view a, std::string_view b);

} // namespace lib
