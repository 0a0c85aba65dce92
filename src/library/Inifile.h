#pragma once
// ini_file: an INI file held in memory ("[section]" and "key=value" lines, Windows-1251 on disk).
// Rewriting keeps every other line, its order and its spelling; only the touched lines change.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lib {

// Section and key names compare without regard to letter case (Cyrillic included).
class ini_file {
public:
    // Files above this size are read only up to it and are then never written back, so that a
    // huge or endless file neither hangs the program nor loses its tail. Settings and run files
    // hold a few kilobytes; a file of several megabytes is still read and written like any other.
    static constexpr std::size_t max_file_size = 16u << 20;

    // Why the last load or save failed (or left a file that may not be written back).
    enum class problem { none, folder, not_regular, too_large, unreadable, unwritable, read_only };

    ini_file() = default;

    // Reads the file at `path` and remembers the path. A missing file gives an empty INI and
    // true (it is created on save); an unreadable one gives an empty INI and false.
    bool load(const std::string& path);
    // Takes the Windows-1251 bytes of a whole file. LF or CR LF end lines; damaged lines are
    // kept as they are and take no part in lookups.
    void parse(std::string_view bytes);
    // The Windows-1251 bytes of the file, every line ended by CR LF.
    std::string serialize() const;
    // Replaces the file through io::replace_files; false on failure, and always after a load
    // that failed or was cut short.
    bool save();
    bool save(const std::string& path);

    // The value trimmed, with one pair of enclosing double quotes removed; nothing when the
    // section or key is missing.
    std::optional<std::string> read(std::string_view section, std::string_view key) const;
    // Replaces the value in place, or appends the key at the end of its section, or appends
    // the section at the end of the file. Line breaks in the texts become spaces.
    void write(std::string_view section, std::string_view key, std::string_view value);

    std::vector<std::string> sections() const;
    std::vector<std::string> keys(std::string_view section) const;
    bool truncated() const { return truncated_; }
    problem last_problem() const { return problem_; }
    // The reason of last_problem() as the user reads it; empty for none.
    std::string problem_text() const;

private:
    struct line {
        std::string text;  // the line as it stands in the file (UTF-8, no line end)
        std::string ident; // lowered section or key name; empty for other lines
        bool is_key = false;
    };
    struct section {
        std::string header; // the "[...]" line as it stands
        std::string name;
        std::string ident;
        bool has_header = false; // false for the lines before the first section
        std::vector<line> lines{};
    };

    const section* find_section(const std::string& ident) const;
    section* find_section(const std::string& ident);
    static const line* find_key(const section& s, const std::string& ident);

    std::vector<section> sections_;
    std::string path_;
    bool truncated_ = false;
    problem problem_ = problem::none;
    int system_error_ = 0; // errno of an unreadable or unwritable file
};

} // namespace lib
