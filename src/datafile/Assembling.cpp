#include "datafile/Assembling.h"

#include <algorithm>
#include <charconv>
#include <new>
#include <string_view>
#include <type_traits>

#include "datafile/Legacy.h"
#include "library/Codepage.h"
#include "library/Fileworks.h"
#include "library/Locale.h"
#include "library/Mappedfile.h"
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
    items_.clear();
    block_.reset();
    remarks_.clear();
    param_count_ = 0;
    sector_param_count_ = 0;
    text_values_.lines.clear();
}

FileStorage::Content FileStorage::take_content() {
    Content content{.items = std::move(items_),
                    .block = std::move(block_),
                    .params = {params_, params_ + param_count_},
                    .sector_param_count = sector_param_count_,
                    .sector_map = sector_map_,
                    .remarks = std::move(remarks_),
                    .lines = std::move(text_values_.lines),
                    .messages = std::move(messages_)};
    clear();
    messages_.clear();
    return content;
}

void FileStorage::restore_content(Content&& content) {
    items_ = std::move(content.items);
    block_ = std::move(content.block);
    param_count_ = 0;
    for (const FileStorageParam& param : content.params) {
        params_[param_count_] = param;
        ident_lower_[param_count_++] = lib::lower_ident(param.ident);
    }
    sector_param_count_ = content.sector_param_count;
    sector_map_ = content.sector_map;
    remarks_ = std::move(content.remarks);
    text_values_.lines = std::move(content.lines);
    messages_ = std::move(content.messages);
}

int FileStorage::add_param(const FileStorageParam& param) {
    if (param_count_ == max_params)
        throw FileStorageException("слишком много параметров", false);
    std::string ident = lib::lower_ident(param.ident);
    if (const int known = find_param(ident); known >= 0)
        return known;
    params_[param_count_] = param;
    ident_lower_[param_count_] = std::move(ident);
    return param_count_++;
}

int FileStorage::find_param(const std::string& ident_lower) const {
    for (int i = 0; i < param_count_; ++i)
        if (ident_lower_[i] == ident_lower)
            return i;
    return -1;
}

void FileStorage::add_item(FileStorageItem item) {
    constexpr std::size_t block_size = 1024;
    if (!block_ || block_->size() == block_->capacity()) {
        block_ = std::make_shared<std::vector<FileStorageItem>>();
        block_->reserve(block_size); // never grows further, so records never move
    }
    block_->push_back(std::move(item));
    items_.emplace_back(block_, &block_->back());
}

const FileStorageParam* FileStorage::param(int i) const {
    return i >= 0 && i < param_count_ ? &params_[i] : nullptr;
}

const FileStorageItem* FileStorage::item(int i) const {
    return i >= 0 && i < item_count() ? items_[i].get() : nullptr;
}

namespace {

enum class FileFamily { native, legacy, unknown };

FileFamily family_of(const std::string& path, std::string& extension) {
    extension = lib::lower_ident(path.substr(lib::io::extension_start(path)));
    if (extension == ".realtim" || extension == ".realdep" || extension == ".reallag" ||
        extension == ".rtm")
        return FileFamily::native;
    if (extension == ".dep" || extension == ".ldp" || extension == ".tim")
        return FileFamily::legacy;
    return FileFamily::unknown;
}

} // namespace

bool is_data_file_name(const std::string& path) {
    std::string extension;
    return family_of(path, extension) != FileFamily::unknown;
}

std::vector<std::string> data_files_of(const std::string& path) {
    std::string extension;
    if (family_of(path, extension) != FileFamily::legacy)
        return {path};
    std::vector<std::string> files{path, legacy::description_path(path)};
    if (const std::string run_file = RaceInfo::run_file_path(path); !run_file.empty())
        files.push_back(run_file);
    return files;
}

void FileStorage::load(const std::string& path, bool text_only) {
    std::string extension;
    switch (family_of(path, extension)) {
    case FileFamily::native: {
        lib::io::InputMappedFile file;
        file.open(path, true);
        load_native(file, text_only);
        native_format_ = true;
        return;
    }
    case FileFamily::legacy:
        load_legacy(path, text_only);
        native_format_ = false;
        return;
    case FileFamily::unknown:
        break;
    }
    throw FileStorageException("Неправильное расширение открываемого файла: " + extension, true);
}

void FileStorage::save(const std::string& path, bool text_only,
                       const std::vector<lib::io::file_replacement>& companions) {
    // The target's extension picks the writer, so a file always holds what its name says;
    // under any other name the file could never be opened again.
    std::string extension;
    const FileFamily family = family_of(path, extension);
    if (family == FileFamily::unknown)
        throw FileStorageException("Неправильное расширение записываемого файла: " + extension,
                                   false);
    native_format_ = family == FileFamily::native;
    std::vector<lib::io::file_replacement> unit;
    if (native_format_) {
        text_values_.race_to_lines();
        unit.push_back(text_only ? native_text_file(path) : native_whole_file(path));
    } else {
        unit = legacy_files(path, text_only);
    }
    unit.insert(unit.end(), companions.begin(), companions.end());
    try {
        lib::io::replace_files(unit);
    } catch (const lib::io::replace_error& e) {
        // A companion's failure is its owner's to word.
        if (std::any_of(companions.begin(), companions.end(),
                        [&](const lib::io::file_replacement& f) { return f.target == e.target(); }))
            throw;
        if (!native_format_)
            legacy_failure(path, e.target(), e.what());
        if (!text_only || !companions.empty())
            throw std::runtime_error(e.what());
        append_native_text(path);
    } catch (const std::exception&) {
        // A writer's failure; the legacy writers report their own.
        if (!native_format_ || !text_only || !companions.empty())
            throw;
        append_native_text(path);
    }
}
