#include "library/Codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace lib {

namespace {

// Code points of bytes 0x80..0xFF. The one undefined CP1251 byte, 0x98, is given U+0098 so that
// every byte survives a round trip.
constexpr std::array<char16_t, 128> cp1251_high = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, // F8
};

constexpr std::array<char16_t, 128> cp866_high = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, // 80
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, // 88
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, // 90
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, // 98
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, // A0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, // D8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, // E0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, // E8
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E, // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0, // F8
};

// The UTF-8 form of each high byte, built once at compile time so decoding is a copy.
struct Utf8Unit {
    std::array<char, 3> bytes{};
    std::uint8_t size = 0;
};
using Utf8Table = std::array<Utf8Unit, 128>;

constexpr Utf8Table make_utf8_table(const std::array<char16_t, 128>& high) {
    Utf8Table table{};
    for (std::size_t i = 0; i < high.size(); ++i) {
        const unsigned cp = high[i];
        Utf8Unit& u = table[i];
        if (cp < 0x800) {
            u.bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
            u.bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
            u.size = 2;
        } else {
            u.bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
            u.bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            u.bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
            u.size = 3;
        }
    }
    return table;
}

constexpr Utf8Table cp1251_utf8 = make_utf8_table(cp1251_high);
constexpr Utf8Table cp866_utf8 = make_utf8_table(cp866_high);

// Code point -> CP1251 byte, sorted by code point for a binary search.
using Reverse = std::array<std::pair<char16_t, unsigned char>, 128>;

constexpr Reverse make_reverse() {
    Reverse r{};
    for (std::size_t i = 0; i < r.size(); ++i)
        r[i] = {cp1251_high[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(r.begin(), r.end());
    return r;
}

constexpr Reverse cp1251_reverse = make_reverse();

char cp1251_byte(char32_t cp) {
    if (cp >= 0x0410 && cp <= 0x044F) // the Cyrillic block, by far the most common
        return static_cast<char>(0xC0 + (cp - 0x0410));
    if (cp > 0xFFFF)
        return '?';
    const auto it = std::lower_bound(
        cp1251_reverse.begin(), cp1251_reverse.end(), static_cast<char16_t>(cp),
        [](const std::pair<char16_t, unsigned char>& e, char16_t v) { return e.first < v; });
    if (it == cp1251_reverse.end() || it->first != cp)
        return '?';
    return static_cast<char>(it->second);
}

bool is_ascii(unsigned char c) {
    return c < 0x80;
}

bool is_cont(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Decodes one UTF-8 sequence at s[i]. On success stores the code point and returns its length;
// on malformed input returns 0 and stores in `skip` how many bytes form the maximal bad prefix.
inline std::size_t decode_utf8(std::string_view s, std::size_t i, char32_t& cp, std::size_t& skip) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t need;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        skip = 1;
        return 0;
    }
    std::size_t k = 1;
    for (; k < need && i + k < s.size(); ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if (!is_cont(b))
            break;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (k < need) {
        skip = k;
        return 0;
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        skip = need;
        return 0;
    }
    return need;
}

std::string decode_8bit(std::string_view bytes, const Utf8Table& table) {
    std::string out;
    out.reserve(bytes.size() * 2);
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t j = i;
        while (j < bytes.size() && is_ascii(static_cast<unsigned char>(bytes[j])))
            ++j;
        out.append(bytes.data() + i, j - i);
        for (; j < bytes.size() && !is_ascii(static_cast<unsigned char>(bytes[j])); ++j) {
            const Utf8Unit& u = table[static_cast<unsigned char>(bytes[j]) - 0x80];
            out.append(u.bytes.data(), u.size);
        }
        i = j;
    }
    return out;
}

// Lower-cased byte at s[i]; the result has the same length as the input, so two texts can be
// compared byte by byte without building either.
unsigned char lower_at(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
    if (c == 0xD0) {
        if (i + 1 < s.size()) {
            const auto n = static_cast<unsigned char>(s[i + 1]);
            if (n == 0x81 || (n >= 0xA0 && n <= 0xAF)) // Ё, Р..Я move to the D1 row
                return 0xD1;
        }
        return c;
    }
    if (i > 0 && static_cast<unsigned char>(s[i - 1]) == 0xD0) {
        if (c == 0x81) // Ё -> ё
            return 0x91;
        if (c >= 0x90 && c <= 0x9F) // А..П -> а..п
            return static_cast<unsigned char>(c + 0x20);
        if (c >= 0xA0 && c <= 0xAF) // Р..Я -> р..я
            return static_cast<unsigned char>(c - 0x20);
    }
    return c;
}

} // namespace

std::string to_cp1251(std::string_view utf8) {
    // Every character takes at least one byte in, and one byte out: written in place, since a
    // call per byte is most of the time of a conversion.
    std::string out(utf8.size(), '\0');
    char* o = out.data();
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (is_ascii(c)) {
            *o++ = static_cast<char>(c);
            ++i;
            continue;
        }
        char32_t cp = 0;
        std::size_t skip = 0;
        const std::size_t len = decode_utf8(utf8, i, cp, skip);
        if (len == 0) {
            *o++ = '?';
            i += skip;
        } else {
            *o++ = cp1251_byte(cp);
            i += len;
        }
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

namespace {

constexpr std::string_view escape_mark = "utf8:";

void append_percent(std::string& out, std::string_view bytes) {
    static constexpr char hex[] = "0123456789ABCDEF";
    for (const char b : bytes) {
        const auto c = static_cast<unsigned char>(b);
        out += '%';
        out += hex[c >> 4];
        out += hex[c & 0x0F];
    }
}

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string escape_for_cp1251(std::string_view utf8) {
    if (!utf8.starts_with(escape_mark) && from_cp1251(to_cp1251(utf8)) == utf8)
        return std::string(utf8);
    std::string out(escape_mark);
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (is_ascii(c)) {
            if (c == '%')
                append_percent(out, utf8.substr(i, 1));
            else
                out += static_cast<char>(c);
            ++i;
            continue;
        }
        char32_t cp = 0;
        std::size_t skip = 0;
        const std::size_t len = decode_utf8(utf8, i, cp, skip);
        const std::string_view unit = utf8.substr(i, len == 0 ? skip : len);
        if (len != 0 && cp1251_byte(cp) != '?')
            out += unit;
        else
            append_percent(out, unit);
        i += unit.size();
    }
    return out;
}

std::string unescape_from_cp1251(std::string_view text) {
    if (!text.starts_with(escape_mark))
        return std::string(text);
    text.remove_prefix(escape_mark.size());
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = i + 2 < text.size() && text[i] == '%' ? hex_value(text[i + 1]) : -1;
        const int low = high >= 0 ? hex_value(text[i + 2]) : -1;
        if (low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string from_cp1251(std::string_view bytes) {
    return decode_8bit(bytes, cp1251_utf8);
}

std::string from_cp866(std::string_view bytes) {
    return decode_8bit(bytes, cp866_utf8);
}

std::string lower_ident(std::string_view utf8) {
    std::string out(utf8.size(), '\0');
    for (std::size_t i = 0; i < utf8.size(); ++i)
        out[i] = static_cast<char>(lower_at(utf8, i));
    return out;
}

bool equal_ident(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        // A non-ASCII byte lowers by its neighbours, so equal bytes prove nothing there.
        if (a[i] == b[i] && is_ascii(static_cast<unsigned char>(a[i])))
            continue;
        if (lower_at(a, i) != lower_at(b, i))
            return false;
    }
    return true;
}

} // namespace lib
