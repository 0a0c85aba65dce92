#include "library/Optsbase.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "library/Codepage.h"
#include "library/Numstr.h"
#include "library/Strworks.h"

namespace lib {

std::optional<std::int32_t> parse_int32(std::string_view text, bool unsigned_range) {
    const std::string t = trim(text);
    std::string_view s = t;
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    bool hex = false;
    if (!s.empty() && s.front() == '$') {
        hex = true;
        s.remove_prefix(1);
    } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        hex = true;
        s.remove_prefix(2);
    }
    // An empty rest, a sign or any other stray character fails the whole text.
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, hex ? 16 : 10);
    if (error != std::errc() || end != s.data() + s.size() || value > 0xFFFFFFFFull)
        return std::nullopt;

    if (hex || (unsigned_range && !negative)) {
        const auto bits = static_cast<std::uint32_t>(negative ? 0u - value : value);
        return static_cast<std::int32_t>(bits);
    }
    if (negative) {
        if (value > 2147483648ull)
            return std::nullopt;
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(value));
    }
    if (value > 2147483647ull)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

namespace options_detailed {

meta_class_base::meta_class_base(std::string key_, std::string caption_, std::string unit_)
    : key(std::move(key_)), caption(std::move(caption_)), unit(std::move(unit_)) {}

meta_class_int::meta_class_int(int default_value, std::string key, std::string caption,
                               std::string unit)
    : meta_class_base(std::move(key), std::move(caption), std::move(unit)),
      default_value_(default_value) {}

std::string meta_class_int::to_text() const {
    return std::to_string(get());
}

meta_class_float::meta_class_float(double default_value, double scale, int decimals,
                                   std::string key, std::string caption, std::string unit)
    : meta_class_base(std::move(key), std::move(caption), std::move(unit)),
      default_value_(default_value), scale_(scale), decimals_(decimals) {}

std::string meta_class_float::to_text() const {
    return number_to_text(get() / scale_, decimals_);
}

void meta_class_float::from_text(const std::string& text) {
    set((trim(text).empty() ? default_value_ : text_to_number(text)) * scale_);
}

meta_class_enum_base::meta_class_enum_base(int default_value, std::string key, std::string caption,
                                           std::string_view items_text)
    : meta_class_int(default_value, std::move(key), std::move(caption), {}) {
    // Cut at every "|"; pieces stay untrimmed and an empty last piece is an item too.
    const std::string items = trim(items_text);
    std::size_t start = 0;
    for (std::size_t bar = items.find('|'); bar != std::string::npos;
         bar = items.find('|', start)) {
        items_.push_back(items.substr(start, bar - start));
        start = bar + 1;
    }
    items_.push_back(items.substr(start));
}

std::string meta_class_enum_base::to_text() const {
    const int index = get();
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size())
        return "?????";
    return items_[static_cast<std::size_t>(index)];
}

void meta_class_enum_base::from_text(const std::string& text) {
    const auto found = std::find_if(items_.begin(), items_.end(), [&](const std::string& item) {
        return equal_ident(item, text);
    });
    set(found == items_.end() ? default_value_ : static_cast<int>(found - items_.begin()));
}

std::string meta_class_enum_base::to_stored_text() const {
    return std::to_string(get()) + " (" + to_text() + ")";
}

void meta_class_enum_base::from_stored_text(const std::string& text) {
    const std::size_t space = text.find(' ');
    if (space == std::string::npos) {
        set(default_value_);
        return;
    }
    set(parse_int32(std::string_view(text).substr(0, space)).value_or(default_value_));
}

std::string meta_class<std::string>::to_stored_text() const {
    return escape_text(*field_);
}

void meta_class<std::string>::from_stored_text(const std::string& text) {
    *field_ = unescape_text(text);
}

} // namespace options_detailed

void options_list::begin_section(std::string key, std::string caption) {
    section_key_ = std::move(key);
    section_caption_ = std::move(caption);
}

void options_list::add(option_ptr option) {
    option->section_key = section_key_;
    option->section_caption = section_caption_;
    options_.push_back(std::move(option));
}

options_detailed::meta_class_base* options_list::find(std::string_view key) const {
    for (const option_ptr& option : options_)
        if (equal_ident(option->key, key))
            return option.get();
    return nullptr;
}

void options_base::set_defaults() {
    options_list list;
    describe(list);
    for (const options_list::option_ptr& option : list.options())
        option->set_default();
}

void add_string(options_list& list, std::string& field, std::string default_value, std::string key,
                std::string caption, std::string unit) {
    list.add(std::make_shared<options_detailed::meta_class<std::string>>(
        field, std::move(default_value), std::move(key), std::move(caption), std::move(unit)));
}

void add_double(options_list& list, double& field, double default_value, std::string key,
                std::string caption, std::string unit, int decimals, double scale) {
    list.add(std::make_shared<options_detailed::meta_class<double>>(
        field, default_value, scale, decimals, std::move(key), std::move(caption),
        std::move(unit)));
}

void add_unsigned(options_list& list, unsigned int& field, unsigned int default_value,
                  std::string key, std::string caption, std::string unit) {
    list.add(std::make_shared<options_detailed::meta_class<unsigned int>>(
        field, default_value, std::move(key), std::move(caption), std::move(unit)));
}

void add_int(options_list& list, int& field, int default_value, std::string key,
             std::string caption, std::string unit) {
    list.add(std::make_shared<options_detailed::meta_class<int>>(
        field, default_value, std::move(key), std::move(caption), std::move(unit)));
}

} // namespace lib
