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

// The INI text of each variable type. Reading leaves the variable unchanged when the text
// cannot be read.
std::string to_ini_text(std::int32_t value);
std::string to_ini_text(std::uint32_t value);
std::string to_ini_text(double value);
std::string to_ini_text(const std::string& value);
void from_ini_text(const std::string& text, std::int32_t& var);
void from_ini_text(const std::string& text, std::uint32_t& var);
void from_ini_text(const std::string& text, double& var);
void from_ini_text(const std::string& text, std::string& var);

template <class T> class ioe_value : public ioe_base {
public:
    ioe_value(T& var, std::string section, std::string key)
        : ioe_base(std::move(section), std::move(key)), var_(var) {}
    void write(ini_file& file) const override { file.write(section(), key(), to_ini_text(var_)); }
    void read(const ini_file& file) override {
        if (const auto text = file.read(section(), key()))
            from_ini_text(*text, var_);
    }

private:
    T& var_;
};

// Decimal in the signed 32-bit view; read also "$" or "0x" hexadecimal.
using ioe_int = ioe_value<std::int32_t>;
using ioe_unsigned = ioe_value<std::uint32_t>;

// A colour, 0x00BBGGRR.
class ioe_TColor : public ioe_unsigned {
public:
    using ioe_unsigned::ioe_unsigned;
};

// The locale's decimal separator, up to 15 significant digits.
using ioe_double = ioe_value<double>;
// Written in double quotes so that leading and trailing spaces survive.
using ioe_String = ioe_value<std::string>;

// The INI texts of a double: locale separator on writing; on reading the same notation only.
std::string double_to_ini_text(double value);
std::optional<double> ini_text_to_double(std::string_view text);

} // namespace opt_detailed

class ini_options_elements {
public:
    void add_int(std::int32_t& var, std::string section, std::string key);
    void add_unsigned(std::uint32_t& var, std::string section, std::string key);
    void add_color(std::uint32_t& var, std::string section, std::string key);
    void add_double(double& var, std::string section, std::string key);
    void add_string(std::string& var, std::string section, std::string key);
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

    virtual void after_save(ini_file&) {}
    virtual void after_load(ini_file&) {}
    virtual void before_save(ini_file&) {}
    virtual void before_load(ini_file&) {}

private:
    std::string last_file_;
};

} // namespace lib
