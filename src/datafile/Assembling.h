#pragma once
// FileStorage: the data model of one document (parameters, records, run information and text
// lines, remarks, load messages). It reads and writes no file: the formats do (formats/).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <list>
#include <span>
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

// One record by value: what add_item takes and what a model gives out. The model itself keeps its
// records in columns.
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

// A record of a model read in place through its index: it stays valid whatever is appended after
// it, and gives the record by value (item->time reads one field of that copy). Empty for an
// index outside the records.
class ItemView {
public:
    // The record by value, for one expression.
    struct Arrow {
        FileStorageItem item;
        const FileStorageItem* operator->() const { return &item; }
    };

    ItemView() = default;
    ItemView(const FileStorage* model, int index) : model_(model), index_(index) {}

    explicit operator bool() const { return model_ != nullptr; }
    friend bool operator==(const ItemView& view, std::nullptr_t) { return !view; }
    int index() const { return index_; }
    // The record as it is now; a default record once the model no longer has it.
    FileStorageItem operator*() const;
    Arrow operator->() const { return {**this}; }

private:
    const FileStorage* model_ = nullptr;
    int index_ = -1;
};

// A load that was asked to stop (FileStorage::set_load_stop). Deliberately no std::exception:
// a loader's guard that turns errors into load messages must let it pass.
struct LoadStopped {};

class FileStorage {
public:
    static constexpr int max_params = 128;

    // Records handed to a visitor one by one, each in one item that is reused for the next.
    using RecordVisitor = std::function<void(const FileStorageItem&)>;
    // Hands every record of a recording to a visitor, in order.
    using RecordSource = std::function<void(const RecordVisitor&)>;

    FileStorage();
    FileStorage(const FileStorage&) = delete;
    FileStorage& operator=(const FileStorage&) = delete;

    // Empties records, remarks, the parameter count and the text list; keeps messages, run
    // information, native_format, source_path and the descriptor table's contents.
    void clear();

    // The records in columns. Times and one column per value always exist; a depth, the kind
    // and the full flag get a column of their own only once a record needs one (a depth that
    // is not 0, a kind that is not 0, a record that is not full), so a logger's recording costs
    // 8 bytes per record and parameter.
    struct Columns {
        std::vector<std::uint32_t> times;
        std::vector<std::vector<float>> values; // each as long as times
        std::vector<float> depths[3];           // empty, or as long as times
        std::vector<std::uint8_t> kinds;        // empty, or as long as times
        std::vector<bool> not_full;             // empty, or as long as times
    };
    // What clear() and the messages' clear empty, held whole so it can be put back.
    struct Content {
        Columns records;
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
    // Raises a non-fatal "слишком много параметров" when the table is full. A new parameter
    // has the value 0.0 in every record there is.
    int add_param(const FileStorageParam& param);
    // Index of the descriptor with this identifier (case-insensitive), or -1.
    int find_param(const std::string& ident) const;
    // Appends descriptors without an identifier (empty texts, 0.0 to 100.0) up to count.
    void pad_params(int count);

    // Appends a copy of the record. A record with more values than there are parameters
    // widens every record: the others read 0.0 there.
    void add_item(const FileStorageItem& item);
    // Appends a record whose every value is 0.0 and returns its index; set_value fills it.
    int append_record(std::uint32_t time, float depth1 = 0.0f, float depth2 = 0.0f,
                      float depth3 = 0.0f, std::uint8_t kind = 0, bool full = true);
    void set_value(int i, int k, float value) {
        records_.values[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)] = value;
    }
    // Gives every record at least count values: 0.0 where it had none.
    void widen_values(std::size_t count);
    // Room for count more records, so a loader that knows about how many come grows the model
    // once. Room that is never filled costs address space, not memory (but commit on Windows):
    // only the first reserved_value_columns value columns take it.
    void reserve_items(std::size_t count);
    static constexpr std::size_t reserved_value_columns = 8;

    int param_count() const { return param_count_; }
    const FileStorageParam* param(int i) const;
    int item_count() const {
        return source_ ? source_count_ : static_cast<int>(records_.times.size());
    }
    ItemView item(int i) const {
        return i >= 0 && i < static_cast<int>(records_.times.size()) ? ItemView(this, i)
                                                                     : ItemView();
    }
    // Fills into with record i, reusing the room its values already have.
    void read_item(int i, FileStorageItem& into) const;

    // The columns read in place: valid until the records next change. Index checks are the
    // caller's.
    int value_count() const { return static_cast<int>(records_.values.size()); } // >= param_count
    std::span<const std::uint32_t> times() const { return records_.times; }
    // The values of parameter k; empty for a k outside 0 .. value_count() - 1.
    std::span<const float> values(int k) const;
    std::uint32_t time(int i) const { return records_.times[static_cast<std::size_t>(i)]; }
    float value(int i, int k) const {
        return records_.values[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)];
    }
    float depth(int i, int which) const; // which: 0, 1, 2 for depth1 .. depth3
    std::uint8_t kind(int i) const;
    bool full(int i) const;
    // Whether some record has a depth that is not 0.
    bool has_depths() const;

    // Every record in order, from the columns or, for a model that streams its records, from
    // their source.
    void for_each_record(const RecordVisitor& visit) const;
    // From now on the model's records are the count records source hands out each time it is
    // asked; the model holds none itself (item() finds none). A conversion reads its input
    // that way while it writes, however large the input is. clear() ends it.
    void stream_records(RecordSource source, int count);
    bool streams_records() const { return static_cast<bool>(source_); }

    // A load into this model looks at stop now and then and raises LoadStopped once it is set.
    void set_load_stop(const std::atomic<bool>* stop) { stop_ = stop; }
    void check_load_stop() const {
        if (stop_ && stop_->load(std::memory_order_relaxed))
            throw LoadStopped();
    }

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
    Columns records_;
    RecordSource source_;
    int source_count_ = 0;
    FileStorageParam params_[max_params];
    std::string ident_lower_[max_params]; // lower-cased identifiers, compared on every add
    int param_count_ = 0;
    bool native_format_ = true;
    std::string source_path_;
    std::vector<std::string> messages_;
    std::vector<SimpleRemark> remarks_;
    FileStorageTextValues text_values_{this};
    const std::atomic<bool>* stop_ = nullptr;
};
