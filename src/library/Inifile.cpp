#include "library/Inifile.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "library/Codepage.h"
#include "library/Fileworks.h"
#include "library/Strworks.h"

namespace lib {

namespace {

// Line breaks inside a name or value would split the line and forge other entries.
std::string one_line(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

std::string key_of(const std::string& line_text) {
    return trim(std::string_view(line_text).substr(0, line_text.find('=')));
}

std::string value_of(const std::string& line_text) {
    const std::size_t eq = line_text.find('=');
    std::string value = trim(std::string_view(line_text).substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return value;
}

} // namespace

bool ini_file::load(const std::string& path) {
    path_ = path;
    sections_.clear();
    truncated_ = false;
    problem_ = problem::none;

    // The name is UTF-8 whatever the system's code page.
    const std::filesystem::path name(std::u8string(path.begin(), path.end()));
    std::error_code ec;
    const auto status = std::filesystem::status(name, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return true;
    // A directory, a pipe or a device is no settings file; reading one could block for ever.
    if (status.type() == std::filesystem::file_type::directory) {
        problem_ = problem::folder;
        return false;
    }
    if (ec || status.type() != std::filesystem::file_type::regular) {
        problem_ = ec ? problem::unreadable : problem::not_regular;
        system_error_ = ec.value();
        return false;
    }

    errno = 0;
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        problem_ = problem::unreadable;
        system_error_ = errno;
        return false;
    }
    // In pieces, so that a small file costs little and a growing one stops at the limit.
    std::string bytes;
    char chunk[65536];
    while (bytes.size() <= max_file_size && in) {
        in.read(chunk, sizeof chunk);
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        problem_ = problem::unreadable;
        system_error_ = errno;
        return false;
    }
    if (bytes.size() > max_file_size) {
        bytes.resize(max_file_size);
        truncated_ = true;
        problem_ = problem::too_large;
    }
    parse(bytes);
    return true;
}

void ini_file::parse(std::string_view bytes) {
    sections_.clear();
    const std::string text = from_cp1251(bytes);
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::string_view raw = take_line(rest);
        const std::string trimmed = trim(raw);
        if (!trimmed.empty() && trimmed.front() == '[') {
            // A header without "]" still names a section: load what can be loaded.
            std::size_t close = trimmed.find(']');
            if (close == std::string::npos)
                close = trimmed.size();
            const std::string name = trim(std::string_view(trimmed).substr(1, close - 1));
            sections_.push_back({.header = std::string(raw),
                                 .name = name,
                                 .ident = lower_ident(name),
                                 .has_header = true});
            continue;
        }
        if (sections_.empty())
            sections_.emplace_back();
        line l;
        l.text = std::string(raw);
        const std::size_t eq = trimmed.find('=');
        if (eq != std::string::npos && trimmed.front() != ';') {
            const std::string key = trim(std::string_view(trimmed).substr(0, eq));
            if (!key.empty()) {
                l.ident = lower_ident(key);
                l.is_key = true;
            }
        }
        sections_.back().lines.push_back(std::move(l));
    }
}

std::string ini_file::serialize() const {
    std::string text;
    for (const section& s : sections_) {
        if (s.has_header) {
            text += s.header;
            text += "\r\n";
        }
        for (const line& l : s.lines) {
            text += l.text;
            text += "\r\n";
        }
    }
    return to_cp1251(text);
}

bool ini_file::save() {
    // A file that could not be read, or only in part, would lose what it holds.
    if (truncated_ || problem_ == problem::folder || problem_ == problem::not_regular ||
        problem_ == problem::unreadable)
        return false;
    if (path_.empty()) {
        problem_ = problem::unwritable;
        system_error_ = 0;
        return false;
    }
    // A file the user made read-only is not replaced, and says so.
    try {
        io::check_writable(path_);
    } catch (const io::file_error&) {
        problem_ = problem::read_only;
        return false;
    }
    // A failed write never leaves a half-written settings file behind. The replace keeps the
    // errno of the step that failed.
    errno = 0;
    if (io::write_file_replacing(path_, serialize()))
        return true;
    problem_ = problem::unwritable;
    system_error_ = errno;
    return false;
}

bool ini_file::save(const std::string& path) {
    path_ = path;
    return save();
}

std::string ini_file::problem_text() const {
    switch (problem_) {
    case problem::none:
        return {};
    case problem::folder:
        return "на месте файла папка";
    case problem::not_regular:
        return "на месте файла канал или устройство, а не обычный файл";
    case problem::too_large:
        return "файл больше " + std::to_string(max_file_size >> 20) + " МиБ";
    case problem::read_only:
        return "файл только для чтения";
    case problem::unreadable:
    case problem::unwritable:
        break;
    }
    const std::string action =
        problem_ == problem::unreadable ? "файл не читается" : "файл не записывается";
    if (system_error_ == 0)
        return action;
    const std::error_condition e(system_error_, std::generic_category());
    if (e == std::errc::permission_denied || e == std::errc::operation_not_permitted)
        return action + ": нет прав доступа";
    if (e == std::errc::no_space_on_device)
        return action + ": на диске нет места";
    if (e == std::errc::read_only_file_system)
        return action + ": диск только для чтения";
    if (e == std::errc::no_such_file_or_directory || e == std::errc::not_a_directory)
        return action + ": нет такой папки";
    return action + " (ошибка системы " + std::to_string(system_error_) + ")";
}

const ini_file::section* ini_file::find_section(const std::string& ident) const {
    for (const section& s : sections_)
        if (s.has_header && s.ident == ident)
            return &s;
    return nullptr;
}

ini_file::section* ini_file::find_section(const std::string& ident) {
    return const_cast<section*>(std::as_const(*this).find_section(ident));
}

const ini_file::line* ini_file::find_key(const section& s, const std::string& ident) {
    for (const line& l : s.lines)
        if (l.is_key && l.ident == ident)
            return &l;
    return nullptr;
}

std::optional<std::string> ini_file::read(std::string_view section_name,
                                          std::string_view key) const {
    const section* s = find_section(lower_ident(section_name));
    if (!s)
        return std::nullopt;
    const line* l = find_key(*s, lower_ident(key));
    if (!l)
        return std::nullopt;
    return value_of(l->text);
}

void ini_file::write(std::string_view section_name, std::string_view key, std::string_view value) {
    const std::string name = trim(one_line(section_name));
    const std::string key_text = trim(one_line(key));
    const std::string value_text = one_line(value);

    section* s = find_section(lower_ident(name));
    if (!s) {
        sections_.push_back({.header = "[" + name + "]",
                             .name = name,
                             .ident = lower_ident(name),
                             .has_header = true});
        s = &sections_.back();
    }
    const std::string key_ident = lower_ident(key_text);
    if (line* l = const_cast<line*>(find_key(*s, key_ident))) {
        // Keep the key as the file spells it; only the value changes.
        l->text = key_of(l->text) + "=" + value_text;
        return;
    }
    // After the last non-blank line, so blank lines that separate sections stay between them.
    auto pos = s->lines.end();
    while (pos != s->lines.begin() && trim(std::prev(pos)->text).empty())
        --pos;
    s->lines.insert(pos, {.text = key_text + "=" + value_text, .ident = key_ident, .is_key = true});
}

std::vector<std::string> ini_file::sections() const {
    std::vector<std::string> names;
    for (const section& s : sections_)
        if (s.has_header)
            names.push_back(s.name);
    return names;
}

std::vector<std::string> ini_file::keys(std::string_view section_name) const {
    std::vector<std::string> names;
    if (const section* s = find_section(lower_ident(section_name)))
        for (const line& l : s->lines)
            if (l.is_key)
                names.push_back(key_of(l.text));
    return names;
}

} // namespace lib
