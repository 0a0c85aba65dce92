#include "library/Strworks.h"

namespace lib {

namespace {

bool is_blank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

std::string_view trim_view(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && is_blank(s[b]))
        ++b;
    while (e > b && is_blank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

// The items of a text split at spaces, each to take until it returns false: blanks around an
// item go, and a double quote starts an item that runs to the next one (spaces and all).
template <class Take> void spaced_items(std::string_view rest, Take&& take) {
    if (trim_view(rest).empty())
        return;
    for (;;) {
        rest = trim_view(rest);
        std::size_t end;
        bool more;
        if (!rest.empty() && rest.front() == '"') {
            end = rest.find('"', 1);
            more = take(rest.substr(1, end == std::string_view::npos ? end : end - 1));
        } else {
            end = rest.find(' ');
            more = take(rest.substr(0, end));
        }
        if (!more || end == std::string_view::npos || end + 1 >= rest.size())
            return;
        rest.remove_prefix(end + 1);
    }
}

// Every separator ends an item, and so does every line break (CR, LF or CR LF) already in the
// text; a separator or break at the very end adds no empty item.
void split_by_char(std::string_view text, char sep, std::vector<std::string>& items) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && text[end] != sep && text[end] != '\r' && text[end] != '\n')
            ++end;
        items.emplace_back(text.substr(pos, end - pos));
        if (end == text.size())
            return;
        pos = end + 1;
        if (text[end] == '\r' && sep != '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
}

} // namespace

std::string trim(std::string_view s) {
    return std::string(trim_view(s));
}

std::string_view take_line(std::string_view& text) {
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

std::string escape_text(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (static_cast<unsigned char>(c) >= 32)
                out += c;
            break;
        }
    }
    return out;
}

std::string unescape_text(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char next = s[++i];
        if (next == '"' || next == '\\') {
            out += next;
        } else if (next == 'n') {
            out += '\n';
        } else {
            out += '\\';
            out += next;
        }
    }
    return out;
}

void split_text(std::string_view text, char sep, std::vector<std::string>& items) {
    items.clear();
    if (sep == ' ') {
        spaced_items(text, [&](std::string_view item) {
            items.emplace_back(item);
            return true;
        });
    } else if (!trim_view(text).empty()) {
        split_by_char(text, sep, items);
    }
}

std::size_t split_spaced(std::string_view text, std::span<std::string_view> items) {
    std::size_t found = 0;
    spaced_items(text, [&](std::string_view item) {
        if (found == items.size())
            return false;
        items[found++] = item;
        return found < items.size();
    });
    return found;
}

std::string split_item(std::string_view text, int index, char sep) {
    // Callers walk the items of one text by index, so each thread keeps its last split; the
    // separator is part of the key, since the same text splits differently by another one.
    struct Cache {
        bool valid = false;
        std::string text;
        char sep = 0;
        std::vector<std::string> items;
    };
    thread_local Cache cache;
    if (!cache.valid || cache.sep != sep || cache.text != text) {
        cache.valid = false; // stays invalid if the split below throws
        cache.text.assign(text);
        cache.sep = sep;
        split_text(text, sep, cache.items);
        cache.valid = true;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= cache.items.size())
        return {};
    return cache.items[static_cast<std::size_t>(index)];
}

} // namespace lib
