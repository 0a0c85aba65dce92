#pragma once
// ini_options: settings classes list the INI entries they keep (section, key, variable) once in
// describe_ini; loading and saving are then one generic pass over the list.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library/Inifile.h"

namespace lib {

namespace opt_detailed {

class ioe_base {
public:
    ioe_base(std::string section, std::string key)
        : section_(std::move(section)), key_(std::move(key)) {}
    virtual ~ioe_base() = default;
    virtual void write(ini_file& file) const = 0;
    // A missing key or an unreadable value leaves the variable unchanged.
    virtual void read(const ini_file& file) = 0;
    const std::string& section() const { return section_; }
    const std::string& key() const { return key_; }

private:
    std::string section_;
    std::string key_;
};

// The INI texts of a double: locale separator on writing; on reading the same notation only.
std::string double_to_ini_text(double value);
std::optional<double> ini_text_to_double(std::string_view text);

} // namespace opt_detailed

class ini_options_elements {
public:
    // Both written as decimal in the signed 32-bit view; read also "$" or "0x" hexadecimal.
    void add_int(std::int32_t& var, std::string section, std::string key);
    void add_unsigned(std::uint32_t& var, std::string section, std::string key);
    // A colour, 0x00BBGGRR, kept as an unsigned entry.
    void add_color(std::uint32_t& var, std::string section, std::string key);
    // The locale's decimal separator, up to 15 significant digits.
    void add_double(double& var, std::string section, std::string key);
    // Written in double quotes so that leading and trailing spaces survive.
    void add_string(std::string& var, std::string section, std::string key);
    // A file or folder name: a string whose characters outside Windows-1251 are kept through
    // escape_for_cp1251, so that it reads back exactly.
    void add_path(std::string& var, std::string section, std::string key);
    void add(std::unique_ptr<opt_detailed::ioe_base> element);

    const std::vector<std::unique_ptr<opt_detailed::ioe_base>>& elements() const {
        return elements_;
    }

private:
    std::vector<std::unique_ptr<opt_detailed::ioe_base>> elements_;
};

class ini_options {
public:
    virtual ~ini_options() = default;
    virtual void describe_ini(ini_options_elements& elements) = 0;

    // One pass over every element on an open INI file; a failure in one entry never stops it.
    void save(ini_file& file);
    void load(ini_file& file);
    // Nothing (false) for a path that is empty after trimming. Otherwise the path is
    // remembered, the file read (a missing one reads as empty) and the pass run; saving then
    // writes the file. False when the file could not be read or written.
    bool save_to_file(const std::string& path);
    bool load_from_file(const std::string& path);

    const std::string& last_file() const { return last_file_; }

protected:
    ini_options() = default;
    ini_options(const ini_options&) = default;
    ini_options& operator=(const ini_options&) = default;

    virtual void after_load(ini_file&) {}
    virtual void before_save(ini_file&) {}
    virtual void before_load(ini_file&) {}

private:
    std::string last_file_;
};

} // namespace lib
