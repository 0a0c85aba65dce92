#pragma once
// The one place where text changes encoding (to_cp1251, from_cp1251, from_cp866), and names
// compared without regard to letter case (equal_ident). Inside the program every text is UTF-8.
#include <string>
#include <string_view>

namespace lib {

// UTF-8 -> Windows-1251, the code page of files, the INI file and the logger line. A character
// with no CP1251 byte becomes '?'; malformed UTF-8 bytes too.
std::string to_cp1251(std::string_view utf8);
// Windows-1251 -> UTF-8. All 256 bytes map (0x98 to U+0098), so to_cp1251 gives the bytes back.
std::string from_cp1251(std::string_view bytes);
// CP866 (DOS Cyrillic) -> UTF-8: the logger's type reply comes in it.
std::string from_cp866(std::string_view bytes);

// Lower-cases Latin A-Z, Cyrillic А-Я and Ё of a UTF-8 text; everything else stays.
std::string lower_ident(std::string_view utf8);
// True when both texts are equal after lower_ident.
bool equal_ident(std::string_view a, std::string_view b);

} // namespace lib
