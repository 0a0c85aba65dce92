#include "library/Html_funcs.h"

namespace lib::html {

std::string Indent(int n) {
    return std::string(n > 0 ? static_cast<std::size_t>(n) : 0, ' ');
}

std::string ColorText(colour bgr) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out = "\"#";
    for (int shift : {0, 8, 16}) { // red is the low byte
        const unsigned byte = (bgr >> shift) & 0xFFu;
        out += digits[byte >> 4];
        out += digits[byte & 0xFu];
    }
    out += '"';
    return out;
}

std::string QuotedNumber(int n, std::string_view suffix) {
    return "\"" + std::to_string(n) + std::string(suffix) + '"';
}

std::string AlignText(int align) {
    switch (align) {
    case align_left:
        return "\"left\"";
    case align_center:
        return "\"center\"";
    default:
        return "\"\"";
    }
}

std::string EscapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\n':
            out += "<br>\n";
            break;
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case ' ':
            out += "&nbsp;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace lib::html
