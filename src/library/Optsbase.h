#pragma once
// options_base and options_list: settings classes describe each field once as a typed option
// (key, caption, unit, default), so generic code resets each field and turns it to text and back.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace lib {

// A 32-bit integer text: optional sign, then decimal digits, or hexadecimal after "$" or "0x".
// Hexadecimal covers the full 32 bits (wraps into the signed view); decimal stays within the
// signed range, or up to 4294967295 when unsigned_range is set. The whole (trimmed) text must
// be the number; otherwise nothing.
std::optional<std::int32_t> parse_int32(std::string_view text, bool unsigned_range = false);

namespace options_detailed {

// Option type codes.
enum option_kind : int {
    kind_enum = 1,
    kind_int = 7,
    kind_unsigned = 8,
    kind_double = 12,
    kind_string = 14,
};

class meta_class_base {
public:
    meta_class_base(std::string key, std::string caption, std::string unit);
    virtual ~meta_class_base() = default;

    virtual std::string to_text() const = 0;
    virtual void from_text(const std::string& text) = 0;
    virtual std::string to_stored_text() const { return to_text(); }
    virtual void from_stored_text(const std::string& text) { from_text(text); }
    virtual void set_default() = 0;
    virtual int kind() const = 0;

    std::string key;
    std::string caption;
    std::string unit; // for time fields the tag "UNIX_TIME"
    std::string section_key;
    std::string section_caption;
};

class meta_class_int : public meta_class_base {
public:
    meta_class_int(int default_value, std::string key, std::string caption, std::string unit);
    virtual int get() const = 0;
    virtual void set(int value) = 0;
    std::string to_text() const override;
    void set_default() override { set(default_value_); }

protected:
    int default_value_;
};

// An int field, or an unsigned one, which also takes the values that its signed view shows as
// negative.
template <class T> class meta_class : public meta_class_int {
    static_assert(std::is_same_v<T, int> || std::is_same_v<T, unsigned int>);

public:
    meta_class(T& field, T default_value, std::string key, std::string caption, std::string unit)
        : meta_class_int(static_cast<int>(default_value), std::move(key), std::move(caption),
                         std::move(unit)),
          field_(&field) {}
    int get() const override { return static_cast<int>(*field_); }
    void set(int value) override { *field_ = static_cast<T>(value); }
    void from_text(const std::string& text) override {
        set(parse_int32(text, std::is_unsigned_v<T>).value_or(default_value_));
    }
    int kind() const override { return std::is_unsigned_v<T> ? kind_unsigned : kind_int; }

private:
    T* field_;
};

class meta_class_float : public meta_class_base {
public:
    meta_class_float(double default_value, double scale, int decimals, std::string key,
                     std::string caption, std::string unit);
    virtual double get() const = 0;
    virtual void set(double value) = 0;
    std::string to_text() const override;
    void from_text(const std::string& text) override;
    void set_default() override { set(default_value_ * scale_); }

protected:
    double default_value_;
    double scale_;
    int decimals_;
};

template <> class meta_class<double> : public meta_class_float {
public:
    meta_class(double& field, double default_value, double scale, int decimals, std::string key,
               std::string caption, std::string unit)
        : meta_class_float(default_value, scale, decimals, std::move(key), std::move(caption),
                           std::move(unit)),
          field_(&field) {}
    double get() const override { return *field_; }
    void set(double value) override { *field_ = value; }
    int kind() const override { return kind_double; }

private:
    double* field_;
};

// An index into a list of item texts; the items text separates them with "|".
class meta_class_enum_base : public meta_class_int {
public:
    meta_class_enum_base(int default_value, std::string key, std::string caption,
                         std::string_view items_text);
    std::string to_text() const override;             // the item, "?????" when out of range
    void from_text(const std::string& text) override; // item text, letter case ignored
    std::string to_stored_text() const override;      // "2 (Роторно-турбинное)"
    void from_stored_text(const std::string& text) override;
    int kind() const override { return kind_enum; }
    const std::vector<std::string>& items() const { return items_; }

private:
    std::vector<std::string> items_;
};

template <class E> class meta_class_enum : public meta_class_enum_base {
public:
    meta_class_enum(E& field, E default_value, std::string key, std::string caption,
                    std::string_view items_text)
        : meta_class_enum_base(static_cast<int>(default_value), std::move(key), std::move(caption),
                               items_text),
          field_(&field) {}
    int get() const override { return static_cast<int>(*field_); }
    void set(int value) override { *field_ = static_cast<E>(value); }

private:
    E* field_;
};

// A text field; its stored form is escaped so that it stays on one line.
template <> class meta_class<std::string> : public meta_class_base {
public:
    meta_class(std::string& field, std::string default_value, std::string key, std::string caption,
               std::string unit)
        : meta_class_base(std::move(key), std::move(caption), std::move(unit)), field_(&field),
          default_value_(std::move(default_value)) {}
    std::string to_text() const override { return *field_; }
    void from_text(const std::string& text) override { *field_ = text; }
    std::string to_stored_text() const override;
    void from_stored_text(const std::string& text) override;
    void set_default() override { *field_ = default_value_; }
    int kind() const override { return kind_string; }

private:
    std::string* field_;
    std::string default_value_;
};

} // namespace options_detailed

// Collects the options of one describe() call, in the order of adding. Options point into the
// settings object and live only while it does.
class options_list {
public:
    using option_ptr = std::shared_ptr<options_detailed::meta_class_base>;

    void begin_section(std::string key, std::string caption);
    void add(option_ptr option);

    const std::vector<option_ptr>& options() const { return options_; }
    // The first option with this key (case ignored), or null.
    options_detailed::meta_class_base* find(std::string_view key) const;

private:
    std::string section_key_ = "default";
    std::string section_caption_ = "[Без названия]";
    std::vector<option_ptr> options_;
};

class options_base {
public:
    virtual ~options_base() = default;
    virtual void describe(options_list& list) = 0;
    // Sets every described field to its default.
    void set_defaults();

protected:
    options_base() = default;
    options_base(const options_base&) = default;
    options_base& operator=(const options_base&) = default;
};

// Adding operations for describe(). An empty caption means none.
void add_string(options_list& list, std::string& field, std::string default_value, std::string key,
                std::string caption = {}, std::string unit = {});
void add_double(options_list& list, double& field, double default_value, std::string key,
                std::string caption, std::string unit, int decimals, double scale = 1.0);
void add_unsigned(options_list& list, unsigned int& field, unsigned int default_value,
                  std::string key, std::string caption = {}, std::string unit = {});
void add_int(options_list& list, int& field, int default_value, std::string key,
             std::string caption = {}, std::string unit = {});

template <class E>
void add_enum(options_list& list, E& field, E default_value, std::string key, std::string caption,
              std::string_view items_text) {
    list.add(std::make_shared<options_detailed::meta_class_enum<E>>(
        field, default_value, std::move(key), std::move(caption), items_text));
}

} // namespace lib
