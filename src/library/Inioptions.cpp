#include "library/Inioptions.h"

#include <charconv>
#include <cmath>

#include "library/Codepage.h"
#include "library/Locale.h"
#include "library/Optsbase.h"
#include "library/Strworks.h"

namespace lib {

namespace opt_detailed {

std::string double_to_ini_text(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string text(buffer, result.ptr);
    const std::string& separator = Locale::current().decimal_separator;
    if (const std::size_t point = text.find('.'); point != std::string::npos)
        text.replace(point, 1, separator);
    return text;
}

std::optional<double> ini_text_to_double(std::string_view text) {
    std::string t = trim(text);
    const std::string& separator = Locale::current().decimal_separator;
    if (separator != ".") {
        // Only the locale's own notation is readable; a point is not its separator.
        if (t.find('.') != std::string::npos)
            return std::nullopt;
        if (!separator.empty())
            if (const std::size_t pos = t.find(separator); pos != std::string::npos)
                t.replace(pos, separator.size(), ".");
    }
    std::string_view s = t;
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    if (s.empty())
        return std::nullopt;
    double value = 0;
    const auto result = std::from_chars(s.data(), s.data() + s.size(), value);
    if (result.ec != std::errc() || result.ptr != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

namespace {

// The INI text of each variable type. Reading leaves the variable unchanged when the text
// cannot be read.
std::string to_ini_text(std::int32_t value) {
    return std::to_string(value);
}

std::string to_ini_text(std::uint32_t value) {
    return std::to_string(static_cast<std::int32_t>(value));
}

std::string to_ini_text(double value) {
    return double_to_ini_text(value);
}

std::string to_ini_text(const std::string& value) {
    return "\"" + value + "\"";
}

void from_ini_text(const std::string& text, std::int32_t& var) {
    if (const auto value = parse_int32(text))
        var = *value;
}

void from_ini_text(const std::string& text, std::uint32_t& var) {
    if (const auto value = parse_int32(text, true))
        var = static_cast<std::uint32_t>(*value);
}

void from_ini_text(const std::string& text, double& var) {
    if (const auto value = ini_text_to_double(text))
        var = *value;
}

void from_ini_text(const std::string& text, std::string& var) {
    var = text;
}

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

class ioe_path : public ioe_base {
public:
    ioe_path(std::string& var, std::string section, std::string key)
        : ioe_base(std::move(section), std::move(key)), var_(var) {}
    void write(ini_file& file) const override {
        file.write(section(), key(), to_ini_text(escape_for_cp1251(var_)));
    }
    void read(const ini_file& file) override {
        if (const auto text = file.read(section(), key()))
            var_ = unescape_from_cp1251(*text);
    }

private:
    std::string& var_;
};

template <class T> std::unique_ptr<ioe_base> entry(T& var, std::string section, std::string key) {
    return std::make_unique<ioe_value<T>>(var, std::move(section), std::move(key));
}

} // namespace

} // namespace opt_detailed

void ini_options_elements::add_int(std::int32_t& var, std::string section, std::string key) {
    add(opt_detailed::entry(var, std::move(section), std::move(key)));
}

void ini_options_elements::add_unsigned(std::uint32_t& var, std::string section, std::string key) {
    add(opt_detailed::entry(var, std::move(section), std::move(key)));
}

void ini_options_elements::add_color(std::uint32_t& var, std::string section, std::string key) {
    add(opt_detailed::entry(var, std::move(section), std::move(key)));
}

void ini_options_elements::add_double(double& var, std::string section, std::string key) {
    add(opt_detailed::entry(var, std::move(section), std::move(key)));
}

void ini_options_elements::add_string(std::string& var, std::string section, std::string key) {
    add(opt_detailed::entry(var, std::move(section), std::move(key)));
}

void ini_options_elements::add_path(std::string& var, std::string section, std::string key) {
    add(std::make_unique<opt_detailed::ioe_path>(var, std::move(section), std::move(key)));
}

void ini_options_elements::add(std::unique_ptr<opt_detailed::ioe_base> element) {
    elements_.push_back(std::move(element));
}

namespace {

template <class Step> void for_each_element(const ini_options_elements& elements, Step step) {
    for (const auto& element : elements.elements()) {
        try {
            step(*element);
        } catch (const std::exception&) {
            // One bad entry must not cost the others.
        }
    }
}

} // namespace

void ini_options::save(ini_file& file) {
    before_save(file);
    ini_options_elements elements;
    describe_ini(elements);
    for_each_element(elements, [&](const opt_detailed::ioe_base& e) { e.write(file); });
}

void ini_options::load(ini_file& file) {
    before_load(file);
    ini_options_elements elements;
    describe_ini(elements);
    for_each_element(elements, [&](opt_detailed::ioe_base& e) { e.read(file); });
    after_load(file);
}

bool ini_options::save_to_file(const std::string& path) {
    if (trim(path).empty())
        return false;
    last_file_ = path;
    ini_file file;
    // An existing file that cannot be read is left alone: rewriting it would drop its other
    // sections.
    if (!file.load(path))
        return false;
    save(file);
    return file.save();
}

bool ini_options::load_from_file(const std::string& path) {
    if (trim(path).empty())
        return false;
    last_file_ = path;
    ini_file file;
    if (!file.load(path))
        return false;
    load(file);
    return true;
}

} // namespace lib
