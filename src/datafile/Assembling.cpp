#include "datafile/Assembling.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <new>
#include <string_view>
#include <type_traits>

#include "library/Codepage.h"
#include "library/Locale.h"
#include "library/Numstr.h"
#include "library/Optsbase.h"
#include "library/Strworks.h"

// ---------------------------------------------------------------------------------------------
// ValueList

ValueList::ValueList(std::initializer_list<float> values) {
    reserve(values.size());
    std::copy(values.begin(), values.end(), data());
    size_ = static_cast<std::uint32_t>(values.size());
}

ValueList::ValueList(const ValueList& other) {
    *this = other;
}

ValueList::ValueList(ValueList&& other) noexcept : size_(other.size_), capacity_(other.capacity_) {
    if (other.capacity_ > inline_capacity) {
        heap_ = other.heap_;
        other.capacity_ = inline_capacity;
    } else {
        std::copy(other.inline_, other.inline_ + other.size_, inline_);
    }
    other.size_ = 0;
}

ValueList& ValueList::operator=(const ValueList& other) {
    if (this != &other) {
        size_ = 0;
        reserve(other.size_);
        std::copy(other.begin(), other.end(), data());
        size_ = other.size_;
    }
    return *this;
}

ValueList& ValueList::operator=(ValueList&& other) noexcept {
    if (this != &other) {
        this->~ValueList();
        new (this) ValueList(std::move(other));
    }
    return *this;
}

ValueList::~ValueList() {
    if (capacity_ > inline_capacity)
        delete[] heap_;
}

void ValueList::reserve(std::size_t n) {
    if (n <= capacity_)
        return;
    auto* fresh = new float[n];
    std::copy(begin(), end(), fresh);
    if (capacity_ > inline_capacity)
        delete[] heap_;
    heap_ = fresh;
    capacity_ = static_cast<std::uint32_t>(n);
}

void ValueList::resize(std::size_t n) {
    reserve(n);
    if (n > size_)
        std::fill(data() + size_, data() + n, 0.0f);
    size_ = static_cast<std::uint32_t>(n);
}

void ValueList::push_back(float value) {
    if (size_ == capacity_)
        reserve(std::size_t{capacity_} * 2);
    data()[size_++] = value;
}

bool ValueList::operator==(const ValueList& other) const {
    return std::equal(begin(), end(), other.begin(), other.end());
}

// ---------------------------------------------------------------------------------------------
// Text lines

std::string unquote(const std::string& text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

std::string TextLines::value_of(std::string_view key) const {
    auto found = index_.find(std::string(key));
    if (found == index_.end())
        return {};
    const Line& line = *found->second.front();
    return line.text.substr(line.key_length + 1);
}

void TextLines::append(std::string text) {
    const std::size_t eq = text.find('=');
    lines_.push_back(Line{std::move(text), eq});
    if (eq != std::string::npos) {
        auto last = std::prev(lines_.end());
        index_[last->text.substr(0, eq)].push_back(last);
    }
}

void TextLines::set_value(const std::string& key, const std::string& value) {
    auto found = index_.find(key);
    if (found == index_.end()) {
        if (!value.empty())
            append(key + '=' + value);
        return;
    }
    auto line = found->second.front();
    if (value.empty()) {
        lines_.erase(line);
        found->second.erase(found->second.begin());
        if (found->second.empty())
            index_.erase(found);
    } else {
        line->text = key + '=' + value;
    }
}

void TextLines::assign(const std::vector<std::string>& lines) {
    clear();
    for (const auto& line : lines)
        append(line);
}

void TextLines::clear() {
    lines_.clear();
    index_.clear();
}

std::vector<std::string> TextLines::lines() const {
    std::vector<std::string> out;
    out.reserve(lines_.size());
    for (const auto& line : lines_)
        out.push_back(line.text);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Run information <-> text lines

namespace {

std::string real_text(double v) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 15);
    std::string text(buffer, result.ptr);
    const std::size_t point = text.find('.');
    if (point != std::string::npos)
        text.replace(point, 1, lib::Locale::current().decimal_separator);
    return text;
}

// A text field takes a key's value only while nothing better is there.
void take_text(const FileStorageTextValues& tv, std::string_view key, std::string& field) {
    const std::string value = tv.value_of(key);
    if (value.empty())
        return;
    if (lib::trim(field).empty() || lib::equal_ident(field, "::не задано::"))
        field = value;
}

} // namespace

void FileStorageTextValues::race_to_lines() {
    for (const RaceField* f : race_fields(RaceOrder::text_lines))
        f->visit(*this, [&](const auto& value) {
            using V = std::remove_cvref_t<decltype(value)>;
            if constexpr (std::is_same_v<V, double>)
                set_value(f->line.key, real_text(value));
            else if constexpr (std::is_same_v<V, std::string>)
                set_value(f->line.key, value);
            else
                set_value(f->line.key, std::to_string(value));
        });
}

void FileStorageTextValues::lines_to_race() {
    // Building a RaceInfo runs its whole option description; one pristine copy serves all.
    static const RaceInfo fresh;
    static_cast<RaceInfo&>(*this) = fresh;

    for (const RaceField& f : race_fields()) {
        if (!f.line.key)
            continue;
        const std::string_view key = f.line.key;
        // The numeric drilling method is not read back: its key fills drill_method_text.
        f.visit(*this, [&](auto& value) {
            using V = std::remove_cvref_t<decltype(value)>;
            if constexpr (std::is_same_v<V, std::int32_t>)
                value = lib::parse_int32(value_of(key)).value_or(0);
            else if constexpr (std::is_same_v<V, std::uint32_t>)
                // Time values use the whole unsigned range; "no time" is 4294967295.
                value =
                    static_cast<std::uint32_t>(lib::parse_int32(value_of(key), true).value_or(0));
            else if constexpr (std::is_same_v<V, double>)
                value = lib::text_to_number(value_of(key));
            else if constexpr (std::is_same_v<V, std::string>) {
                take_text(*this, key, value);
                if (f.line.alias)
                    take_text(*this, f.line.alias, value);
            }
        });
    }
}

// ---------------------------------------------------------------------------------------------
// The model

FileStorage::FileStorage() : mutex_("reg_data_file_mutex") {}

void FileStorage::clear() {
    records_ = {};
    source_ = nullptr;
    source_count_ = 0;
    remarks_.clear();
    param_count_ = 0;
    text_values_.lines.clear();
}

FileStorage::Content FileStorage::take_content() {
    Content content{.records = std::move(records_),
                    .params = {params_, params_ + param_count_},
                    .remarks = std::move(remarks_),
                    .lines = std::move(text_values_.lines),
                    .messages = std::move(messages_)};
    clear();
    messages_.clear();
    return content;
}

void FileStorage::restore_content(Content&& content) {
    clear();
    records_ = std::move(content.records);
    for (const FileStorageParam& param : content.params) {
        params_[param_count_] = param;
        ident_lower_[param_count_++] = lib::lower_ident(param.ident);
    }
    remarks_ = std::move(content.remarks);
    text_values_.lines = std::move(content.lines);
    messages_ = std::move(content.messages);
}

int FileStorage::add_param(const FileStorageParam& param) {
    if (param_count_ == max_params)
        throw FileStorageException("слишком много параметров", false);
    std::string ident = lib::lower_ident(param.ident);
    if (const int known = find_lower(ident); known >= 0)
        return known;
    params_[param_count_] = param;
    ident_lower_[param_count_] = std::move(ident);
    widen_values(static_cast<std::size_t>(param_count_ + 1));
    return param_count_++;
}

int FileStorage::find_lower(const std::string& ident_lower) const {
    for (int i = 0; i < param_count_; ++i)
        if (ident_lower_[i] == ident_lower)
            return i;
    return -1;
}

int FileStorage::find_param(const std::string& ident) const {
    return find_lower(lib::lower_ident(ident));
}

void FileStorage::pad_params(int count) {
    // Padded entries are defaults, not what an earlier document left in the table.
    for (; param_count_ < std::min(count, max_params); ++param_count_) {
        params_[param_count_] = FileStorageParam{};
        ident_lower_[param_count_].clear();
    }
    widen_values(static_cast<std::size_t>(param_count_));
}

void FileStorage::widen_values(std::size_t count) {
    std::vector<std::vector<float>>& values = records_.values;
    if (values.size() >= count)
        return;
    const std::size_t rows = records_.times.size();
    const std::size_t room = records_.times.capacity();
    while (values.size() < count) {
        values.emplace_back();
        // The room a load reserves is for the smallest possible records; every column taking
        // all of it would ask for many times the file's size with many parameters (and for each
        // stray parameter a damaged stretch shows): the first few take it, the others grow.
        if (values.size() <= reserved_value_columns)
            values.back().reserve(room);
        values.back().resize(rows);
    }
}

void FileStorage::add_item(const FileStorageItem& item) {
    widen_values(item.values.size());
    const int i =
        append_record(item.time, item.depth1, item.depth2, item.depth3, item.kind, item.full);
    for (std::size_t k = 0; k < item.values.size(); ++k)
        records_.values[k][static_cast<std::size_t>(i)] = item.values[k];
}

namespace {

// Appends value to a column made only once some record needs it: until then every record
// there has the value empty stands for.
template <class T, class V>
void push_optional(std::vector<T>& column, std::size_t rows, std::size_t room, V value,
                   bool needed) {
    if (column.empty()) {
        if (!needed)
            return;
        column.reserve(room);
        column.resize(rows);
    }
    column.push_back(value);
}

bool nonzero(float value) {
    // By its bits: -0.0 is kept as written, like any other value.
    return std::bit_cast<std::uint32_t>(value) != 0;
}

} // namespace

int FileStorage::append_record(std::uint32_t time, float depth1, float depth2, float depth3,
                               std::uint8_t kind, bool full) {
    Columns& r = records_;
    const std::size_t rows = r.times.size();
    const std::size_t room = r.times.capacity();
    r.times.push_back(time);
    for (std::vector<float>& column : r.values)
        column.push_back(0.0f);
    const float depths[3] = {depth1, depth2, depth3};
    for (int d = 0; d < 3; ++d)
        push_optional(r.depths[d], rows, room, depths[d], nonzero(depths[d]));
    push_optional(r.kinds, rows, room, kind, kind != 0);
    if (r.not_full.empty() && full)
        return static_cast<int>(rows);
    if (r.not_full.empty())
        r.not_full.resize(rows);
    r.not_full.push_back(!full);
    return static_cast<int>(rows);
}

void FileStorage::reserve_items(std::size_t count) {
    const std::size_t room = records_.times.size() + count;
    records_.times.reserve(room);
    for (std::size_t k = 0; k < records_.values.size() && k < reserved_value_columns; ++k)
        records_.values[k].reserve(room);
}

std::span<const float> FileStorage::values(int k) const {
    if (k < 0 || k >= value_count())
        return {};
    return records_.values[static_cast<std::size_t>(k)];
}

float FileStorage::depth(int i, int which) const {
    const std::vector<float>& column = records_.depths[which];
    return column.empty() ? 0.0f : column[static_cast<std::size_t>(i)];
}

std::uint8_t FileStorage::kind(int i) const {
    return records_.kinds.empty() ? 0 : records_.kinds[static_cast<std::size_t>(i)];
}

bool FileStorage::full(int i) const {
    return records_.not_full.empty() || !records_.not_full[static_cast<std::size_t>(i)];
}

bool FileStorage::has_depths() const {
    return std::any_of(std::begin(records_.depths), std::end(records_.depths),
                       [](const std::vector<float>& column) { return !column.empty(); });
}

void FileStorage::read_item(int i, FileStorageItem& into) const {
    into.time = time(i);
    into.depth1 = depth(i, 0);
    into.depth2 = depth(i, 1);
    into.depth3 = depth(i, 2);
    into.kind = kind(i);
    into.full = full(i);
    into.values.resize(records_.values.size());
    for (std::size_t k = 0; k < records_.values.size(); ++k)
        into.values[k] = records_.values[k][static_cast<std::size_t>(i)];
}

void FileStorage::for_each_record(const RecordVisitor& visit) const {
    if (source_) {
        source_(visit);
        return;
    }
    // read_item's work with the column checks made once: a save or an export goes through here.
    const Columns& r = records_;
    const std::size_t width = r.values.size();
    FileStorageItem item;
    item.values.resize(width);
    float* const values = item.values.data();
    const auto optional = [](const auto& column, std::size_t i) {
        return column.empty() ? typename std::decay_t<decltype(column)>::value_type{} : column[i];
    };
    for (std::size_t i = 0; i < r.times.size(); ++i) {
        item.time = r.times[i];
        item.depth1 = optional(r.depths[0], i);
        item.depth2 = optional(r.depths[1], i);
        item.depth3 = optional(r.depths[2], i);
        item.kind = optional(r.kinds, i);
        item.full = r.not_full.empty() || !r.not_full[i];
        for (std::size_t k = 0; k < width; ++k)
            values[k] = r.values[k][i];
        visit(item);
    }
}

void FileStorage::stream_records(RecordSource source, int count) {
    const std::size_t width = records_.values.size();
    records_ = {};
    records_.values.resize(width); // no rows, but as wide as the parameters
    source_ = std::move(source);
    source_count_ = count;
}

std::string FileStorage::stored_ident(int i) const {
    auto taken = [&](const std::string& name, int upto) {
        return std::find(ident_lower_, ident_lower_ + upto, name) != ident_lower_ + upto;
    };
    if (!ident_lower_[i].empty() && !taken(ident_lower_[i], i))
        return params_[i].ident;
    std::string name = "параметр_" + std::to_string(i + 1);
    while (taken(name, param_count_))
        name += '_';
    return name;
}

const FileStorageParam* FileStorage::param(int i) const {
    return i >= 0 && i < param_count_ ? &params_[i] : nullptr;
}

FileStorageItem ItemView::operator*() const {
    FileStorageItem item;
    if (model_ && index_ < static_cast<int>(model_->times().size()))
        model_->read_item(index_, item);
    return item;
}
