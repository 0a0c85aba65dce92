#pragma once
// FileStorage: the data model of one document (parameters, records, run information and text
// lines, remarks, load messages). It reads and writes no file: the formats do (formats/).
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/lock_object.h"
#include "params/All_params.h"
#include "params/Raceoptions.h"

using FileStorageParam = ParamLabel;

// A list of floats that keeps up to two values inside the object, so the common one-parameter
// record needs no allocation of its own.
class ValueList {
public:
    static constexpr std::size_t inline_capacity = 2;

    ValueList() = default;
    ValueList(std::initializer_list<float> values);
    ValueList(const ValueList& other);
    ValueList(ValueList&& other) noexcept;
    ValueList& operator=(const ValueList& other);
    ValueList& operator=(ValueList&& other) noexcept;
    ~ValueList();

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    float* data() { return capacity_ > inline_capacity ? heap_ : inline_; }
    const float* data() const { return capacity_ > inline_capacity ? heap_ : inline_; }
    float& operator[](std::size_t i) { return data()[i]; }
    float operator[](std::size_t i) const { return data()[i]; }
    const float* begin() const { return data(); }
    const float* end() const { return data() + size_; }

    // Truncates the tail or appends 0.0 entries.
    void resize(std::size_t n);
    void push_back(float value);
    bool operator==(const ValueList& other) const;

private:
    void reserve(std::size_t n);

    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = inline_capacity;
    union {
        float inline_[inline_capacity];
        float* heap_;
    };
};

struct FileStorageItem {
    std::uint32_t time = 0;
    float depth1 = 0.0f;
    float depth2 = 0.0f;
    float depth3 = 0.0f;
    ValueList values;
    bool full = true;
    std::uint8_t kind = 0;
};

struct SimpleRemark {
    std::uint32_t number1 = 0;
    std::uint32_t number2 = 0;
    std::string text;
};

class FileStorageException : public std::runtime_error {
public:
    FileStorageException(const std::string& message, bool fatal)
        : std::runtime_error(message), fatal_(fatal) {}
    bool fatal() const { return fatal_; }

private:
    bool fatal_;
};

// Drops one pair of enclosing double quotes.
std::string unquote(const std::string& text);

// Ordered text lines "key=value"; the key is the text before the first '='. Lines without '='
// are kept but never found by key. Lookups by key are constant-time, so a damaged file full of
// text lines cannot make loading quadratic.
class TextLines {
public:
    // Raw value of the first line with the key; empty when there is none.
    std::string value_of(std::string_view key) const;
    // Replaces the value of the key's first line in place, appends a line when the key is
    // absent, removes the line when value is empty.
    void set_value(const std::string& key, const std::string& value);
    void assign(const std::vector<std::string>& lines);
    void clear();
    std::vector<std::string> lines() const;
    std::size_t size() const { return lines_.size(); }

private:
    struct Line {
        std::string text;
        std::size_t key_length; // npos when the line has no '='
    };
    void append(std::string text);

    std::list<Line> lines_;
    // For every key, its lines in list order; the first one is what lookups see. Only assigned
    // lines repeat a key, so these lists are short.
    std::unordered_map<std::string, std::vector<std::list<Line>::iterator>> index_;
};

class FileStorage;

// The run information and its text list.
class FileStorageTextValues : public RaceInfo {
public:
    explicit FileStorageTextValues(FileStorage* owner) : owner_(owner) {}
    FileStorageTextValues(const FileStorageTextValues&) = delete;
    FileStorageTextValues& operator=(const FileStorageTextValues&) = delete;

    // The value of the key's line without enclosing double quotes.
    std::string value_of(std::string_view key) const { return unquote(lines.value_of(key)); }
    void set_value(const std::string& key, const std::string& value) {
        lines.set_value(key, value);
    }
    // Run information -> text lines (before every native save).
    void race_to_lines();
    // Text lines -> run information (after every native load).
    void lines_to_race();
    FileStorage* owner() const { return owner_; }

    TextLines lines;

private:
    FileStorage* owner_;
};

class FileStorage {
public:
    static constexpr int max_params = 128;

    FileStorage();
    FileStorage(const FileStorage&) = delete;
    FileStorage& operator=(const FileStorage&) = delete;

    // Empties records, remarks, the parameter count and the text list; keeps messages, run
    // information, native_format, source_path and the descriptor table's contents.
    void clear();

    // What clear() and the messages' clear empty, held whole so it can be put back.
    struct Content {
        std::vector<std::shared_ptr<FileStorageItem>> items;
        std::shared_ptr<std::vector<FileStorageItem>> block;
        std::vector<FileStorageParam> params;
        std::vector<SimpleRemark> remarks;
        TextLines lines;
        std::vector<std::string> messages;
    };
    // Hands the content over, leaving the model cleared and without messages.
    Content take_content();
    // Puts back content that take_content handed over, in place of the model's own.
    void restore_content(Content&& content);
    // Index of the descriptor with the same identifier (case-insensitive), or of the new entry.
    // Raises a non-fatal "слишком много параметров" when the table is full.
    int add_param(const FileStorageParam& param);
    // Index of the descriptor with this identifier (case-insensitive), or -1.
    int find_param(const std::string& ident) const;
    // Appends descriptors without an identifier (empty texts, 0.0 to 100.0) up to count.
    void pad_params(int count);
    // Appends a deep copy. Records are stored in blocks, and each record's pointer shares
    // ownership of its block: one allocation per block instead of one per record keeps a large
    // model small.
    void add_item(FileStorageItem item);
    // Room for count more records, so a loader that knows about how many come grows the model
    // once.
    void reserve_items(std::size_t count);
    // Gives every record param_count() values: 0.0 for the parameters added after it.
    void fit_values();

    int param_count() const { return param_count_; }
    const FileStorageParam* param(int i) const;
    int item_count() const { return static_cast<int>(items_.size()); }
    const FileStorageItem* item(int i) const;

    // The identifier as files store it: the parameter's own, or a name of its own when that is
    // empty or repeats an earlier one (readers merge equal identifiers).
    std::string stored_ident(int i) const;

    FileStorageTextValues& text_values() { return text_values_; }
    const FileStorageTextValues& text_values() const { return text_values_; }
    std::vector<std::string>& messages() { return messages_; }
    const std::vector<std::string>& messages() const { return messages_; }
    std::vector<SimpleRemark>& remarks() { return remarks_; }
    const std::vector<SimpleRemark>& remarks() const { return remarks_; }

    bool native_format() const { return native_format_; }
    void set_native_format(bool native) { native_format_ = native; }
    const std::string& source_path() const { return source_path_; }
    void set_source_path(const std::string& path) { source_path_ = path; }

private:
    int find_lower(const std::string& ident_lower) const;

    lib::lock_object mutex_;
    std::vector<std::shared_ptr<FileStorageItem>> items_;
    std::shared_ptr<std::vector<FileStorageItem>> block_;
    FileStorageParam params_[max_params];
    std::string ident_lower_[max_params]; // lower-cased identifiers, compared on every add
    int param_count_ = 0;
    bool native_format_ = true;
    std::string source_path_;
    std::vector<std::string> messages_;
    std::vector<SimpleRemark> remarks_;
    FileStorageTextValues text_values_{this};
};
