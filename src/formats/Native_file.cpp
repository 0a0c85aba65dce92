// The native chunked data file: writer, loader and salvage of damaged files.
// A chunk is kind (1 byte), payload length (2 bytes, little-endian) and the payload.
#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "formats/Native_file.h"

#include "formats/Formats.h"

#include "library/Binary_io.h"
#include "library/Codepage.h"
#include "library/File_error.h"
#include "library/Fileworks.h"
#include "library/Mappedfile.h"
#include "library/array.h"

namespace native {

namespace {

enum ChunkKind : std::uint8_t {
    chunk_record = 1,
    chunk_sector = 2,
    chunk_text = 3,
    chunk_remark = 4,
    chunk_compact = 5,
};

// Readers take the length as a signed 16-bit number.
constexpr std::size_t max_payload = 0x7FFF;
constexpr std::size_t max_values = 255;
constexpr int sector_rhythm = 3600;
constexpr std::size_t record_fixed = 18;

const char* const text_damage = "Повреждён файл в области текстовых данных";
const char* const text_too_large =
    "Текстовые данные слишком велики для записи в файл (больше 32767 байт). Файл не сохранён";

template <class T> void put(std::uint8_t* out, T value) {
    std::memcpy(out, &value, sizeof value);
}

// Header and payload of one record chunk; returns the chunk size.
std::size_t serialise_record(const FileStorageItem& item, std::uint8_t* out) {
    const std::size_t n = item.values.size();
    if (n > max_values)
        throw FileStorageException("Запись содержит больше 255 значений и не может быть сохранена",
                                   true);
    const std::size_t payload = record_fixed + 4 * n;
    out[0] = chunk_record;
    out[1] = static_cast<std::uint8_t>(payload);
    out[2] = static_cast<std::uint8_t>(payload >> 8);
    std::uint8_t* p = out + 3;
    put(p, item.time);
    put(p + 4, item.depth1);
    put(p + 8, item.depth3);
    p[12] = item.kind;
    put(p + 13, item.depth2);
    p[17] = static_cast<std::uint8_t>(n);
    std::memcpy(p + record_fixed, item.values.data(), 4 * n);
    return 3 + payload;
}

void write_payload(std::uint8_t kind, const lib::io::BinaryMemoryOutputStream& payload,
                   lib::io::BinaryOutputStream& sink) {
    write_chunk(kind, payload.data(), payload.size(), sink);
}

} // namespace

void write_chunk(std::uint8_t kind, const std::uint8_t* payload, std::size_t size,
                 lib::io::BinaryOutputStream& sink) {
    if (size > max_payload)
        throw FileStorageException(
            kind == chunk_text ? text_too_large
                               : "Блок данных слишком велик для записи в файл (больше 32767 байт). "
                                 "Файл не сохранён",
            true);
    const std::uint8_t header[3] = {kind, static_cast<std::uint8_t>(size),
                                    static_cast<std::uint8_t>(size >> 8)};
    sink.write(header, 3);
    sink.write(payload, size);
}

// ---------------------------------------------------------------------------------------------
// Writer

namespace {

std::shared_ptr<const lib::io::BinaryMemoryOutputStream> text_chunk(const FileStorage& model) {
    std::string text;
    for (const auto& line : model.text_values().lines.lines()) {
        // A 0 byte would end the whole text on reading, and a line break inside a value would
        // make a line of its own: neither may reach the file.
        const std::size_t start = text.size();
        text.append(line, 0, line.find('\0'));
        std::replace_if(
            text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
            [](char c) { return c == '\r' || c == '\n'; }, ' ');
        text += "\r\n";
    }
    auto buffer = std::make_shared<lib::io::BinaryMemoryOutputStream>();
    lib::io::write_text(*buffer, text);
    if (buffer->size() > max_payload)
        throw FileStorageException(text_too_large, true);
    return buffer;
}

void write_sector(const FileStorage& model, lib::io::BinaryMemoryOutputStream& buffer,
                  lib::io::BinaryOutputStream& sink) {
    buffer.reset();
    lib::io::write_value(buffer, static_cast<std::uint8_t>(model.param_count()));
    for (int i = 0; i < model.param_count(); ++i) {
        const FileStorageParam& p = *model.param(i);
        lib::io::write_text(buffer, p.name);
        lib::io::write_text(buffer, p.unit);
        lib::io::write_text(buffer, p.short_name);
        lib::io::write_text(buffer, model.stored_ident(i));
        lib::io::write_value(buffer, p.low);
        lib::io::write_value(buffer, p.high);
    }
    write_payload(chunk_sector, buffer, sink);
}

void write_records_and_text(const FileStorage& model, lib::io::BinaryOutputStream& sink,
                            const lib::io::BinaryMemoryOutputStream& text) {
    lib::io::BinaryMemoryOutputStream sector;
    write_sector(model, sector, sink);
    std::uint8_t record[3 + record_fixed + 4 * max_values];
    int counter = 0;
    model.for_each_record([&](const FileStorageItem& item) {
        // The parameter table is repeated so a reader can pick up after damage.
        if (++counter == sector_rhythm) {
            write_sector(model, sector, sink);
            counter = 0;
        }
        sink.write(record, serialise_record(item, record));
    });
    write_payload(chunk_text, text, sink);
}

lib::io::file_replacement whole_file(const FileStorage& model, const std::string& path) {
    // Built first, so a text too large is refused before any file is touched.
    auto text = text_chunk(model);
    return {path, [&model, text](lib::io::BinaryOutputStream& out) {
                write_records_and_text(model, out, *text);
            }};
}

// ---------------------------------------------------------------------------------------------
// Loader

// What a load does with the records it finds.
enum class Records {
    keep,   // into the model's columns
    count,  // only counted: the model gets everything else
    replay, // each to a visitor; the model, read before from the same bytes, stays as it is
};

// Damage is the common case while a damaged stretch is rescanned byte by byte, so the chunk
// procedures report it by returning false instead of raising: an exception per byte would make
// salvage crawl.
class NativeLoader {
public:
    NativeLoader(FileStorage& model, lib::io::InputMemoryView& source,
                 Records records = Records::keep, const FileStorage::RecordVisitor* visit = nullptr)
        : m_(model), source_(source), base_(source.base()), size_(source.size()),
          pos_(source.size() - source.remaining()), records_(records), visit_(visit) {}

    // False when the bytes were damage and nothing else: no chunk of a data file among them.
    bool load();
    void load_text_only();
    std::size_t position() const { return pos_; }
    int counted() const { return counted_; }
    // Makes load() note where every text chunk it takes starts and ends.
    void collect_text_spans(std::vector<std::pair<std::size_t, std::size_t>>& spans) {
        text_spans_ = &spans;
    }

private:
    bool has(std::size_t n) const { return size_ - pos_ >= n; }
    template <class T> bool get(T& value) {
        if (!has(sizeof value))
            return false;
        std::memcpy(&value, base_ + pos_, sizeof value);
        pos_ += sizeof value;
        return true;
    }
    // Moves past the text at the position; false when no 0 byte ends it.
    bool pass_text();
    std::string text_at(std::size_t offset) const {
        return lib::from_cp1251(reinterpret_cast<const char*>(base_ + offset));
    }
    std::size_t next_zero(std::size_t from);
    bool read_sector();
    bool read_record();
    bool read_text_values(std::size_t length);
    bool read_remark();
    bool read_compact();
    // Takes the record whose n values follow at the position, placed as the sector maps them.
    void take_record(std::uint32_t time, float depth1, float depth2, float depth3,
                     std::uint8_t kind, bool full, std::size_t n);
    // Every few megabytes: what lies well behind is let go, and a stop is looked for.
    void upkeep();

    FileStorage& m_;
    lib::io::InputMemoryView& source_;
    const std::uint8_t* base_;
    std::size_t size_;
    std::size_t pos_;
    Records records_;
    const FileStorage::RecordVisitor* visit_;
    FileStorageItem item_; // the record handed to visit_, reused
    int counted_ = 0;
    bool gaps_ = false;
    bool damage_ = false;
    bool known_ = false; // a chunk of a known kind was taken
    bool text_ = false;  // a text chunk was taken
    static constexpr std::size_t upkeep_bytes = 8 << 20;
    std::size_t next_upkeep_ = upkeep_bytes;
    // The sector being read: its entry count and the parameter index of each of its entries.
    int sector_param_count_ = 0;
    lib::array<int, FileStorage::max_params> sector_map_;
    std::vector<std::pair<std::size_t, std::size_t>>* text_spans_ = nullptr;
    // The last 0 byte found and where its search started: every search from between the two
    // finds it again, so rescans over long stretches without a 0 byte stay linear, and a pass
    // over a healthy file touches no page beyond what it reads.
    std::size_t zero_from_ = 1, zero_at_ = 0;
};

std::size_t NativeLoader::next_zero(std::size_t from) {
    if (from >= zero_from_ && from <= zero_at_)
        return zero_at_;
    const void* zero = std::memchr(base_ + from, 0, size_ - from);
    zero_from_ = from;
    zero_at_ =
        zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - base_) : size_;
    return zero_at_;
}

bool NativeLoader::pass_text() {
    const std::size_t zero = next_zero(pos_);
    if (zero >= size_)
        return false;
    pos_ = zero + 1;
    return true;
}

void NativeLoader::take_record(std::uint32_t time, float depth1, float depth2, float depth3,
                               std::uint8_t kind, bool full, std::size_t n) {
    const std::uint8_t* values = base_ + pos_;
    pos_ += 4 * n;
    // Map entries are committed with whole sectors only, so they always lie within the values.
    switch (records_) {
    case Records::keep: {
        const int row = m_.append_record(time, depth1, depth2, depth3, kind, full);
        for (std::size_t i = 0; i < n; ++i) {
            float value;
            std::memcpy(&value, values + 4 * i, 4);
            m_.set_value(row, sector_map_[i], value);
        }
        break;
    }
    case Records::count:
        ++counted_;
        break;
    case Records::replay:
        item_.time = time;
        item_.depth1 = depth1;
        item_.depth2 = depth2;
        item_.depth3 = depth3;
        item_.kind = kind;
        item_.full = full;
        item_.values.resize(0);
        item_.values.resize(static_cast<std::size_t>(m_.value_count()));
        for (std::size_t i = 0; i < n; ++i)
            std::memcpy(&item_.values[static_cast<std::size_t>(sector_map_[i])], values + 4 * i, 4);
        (*visit_)(item_);
        break;
    }
}

bool NativeLoader::read_sector() {
    // The sector takes effect only when it is whole: junk that happens to start with a sector
    // kind must not change the mapping of the good records that follow it.
    std::uint8_t count = 0;
    if (!get(count) || count > FileStorage::max_params)
        return false;
    struct Entry {
        std::size_t text[4]; // offsets of name, unit, short name, ident
        float low;
        float high;
    };
    Entry entries[FileStorage::max_params];
    for (int i = 0; i < count; ++i) {
        for (std::size_t& offset : entries[i].text) {
            offset = pos_;
            if (!pass_text())
                return false;
        }
        if (!get(entries[i].low) || !get(entries[i].high))
            return false;
    }
    lib::array<int, FileStorage::max_params> map;
    for (int i = 0; i < count; ++i) {
        // A known identifier maps to its entry even in a full table: the writer repeats the
        // sector of a file with 128 parameters, and that repetition is no damage.
        const int known = m_.find_param(text_at(entries[i].text[3]));
        if (known >= 0) {
            map[i] = known;
            continue;
        }
        // A replay meets the sectors of the load before it: an identifier that load did not
        // add is one it failed on, when the table was full.
        if (m_.param_count() == FileStorage::max_params || records_ == Records::replay)
            return false;
        FileStorageParam param;
        param.name = text_at(entries[i].text[0]);
        param.unit = text_at(entries[i].text[1]);
        param.short_name = text_at(entries[i].text[2]);
        param.ident = text_at(entries[i].text[3]);
        param.low = entries[i].low;
        param.high = entries[i].high;
        map[i] = m_.add_param(param);
    }
    sector_param_count_ = count;
    sector_map_ = map;
    return true;
}

bool NativeLoader::read_record() {
    if (!has(record_fixed))
        return false;
    const std::uint8_t* fixed = base_ + pos_;
    const std::size_t n = fixed[17];
    if (!has(record_fixed + 4 * n))
        return false;
    pos_ += record_fixed;
    if (static_cast<int>(n) != sector_param_count_) {
        pos_ += 4 * n;
        gaps_ = true;
        return true;
    }
    std::uint32_t time;
    float depth1, depth3, depth2;
    std::memcpy(&time, fixed, 4);
    std::memcpy(&depth1, fixed + 4, 4);
    std::memcpy(&depth3, fixed + 8, 4);
    std::memcpy(&depth2, fixed + 13, 4);
    take_record(time, depth1, depth2, depth3, fixed[12], true, n);
    return true;
}

bool NativeLoader::read_text_values(std::size_t length) {
    if (!has(length) || base_[pos_ + length - 1] != 0)
        return false;
    const auto* chunk = reinterpret_cast<const char*>(base_ + pos_);
    pos_ += length;
    if (records_ == Records::replay)
        return true;
    const std::string text = lib::from_cp1251({chunk, std::strlen(chunk)});

    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        const std::string line = text.substr(start, end - start);
        // A carriage return, a line feed or the pair of them ends a line.
        start = end;
        if (start < text.size())
            start += text.compare(start, 2, "\r\n") == 0 ? 2 : 1;

        const std::size_t eq = line.find('=');
        const std::string key = line.substr(0, eq);
        const std::string value =
            eq == std::string::npos ? std::string() : unquote(line.substr(eq + 1));
        if (lib::lower_ident(value) != "::не задано::")
            m_.text_values().set_value(key, value);
    }
    return true;
}

bool NativeLoader::read_remark() {
    SimpleRemark remark;
    if (!get(remark.number1) || !get(remark.number2))
        return false;
    const std::size_t text = pos_;
    if (!pass_text())
        return false;
    if (records_ != Records::replay) {
        remark.text = text_at(text);
        m_.remarks().push_back(std::move(remark));
    }
    return true;
}

bool NativeLoader::read_compact() {
    const std::size_t n = static_cast<std::size_t>(sector_param_count_);
    if (!has(4 + 4 * n))
        return false;
    std::uint32_t time = 0;
    get(time);
    take_record(time, 0.0f, 0.0f, 0.0f, 255, false, n);
    return true;
}

void NativeLoader::upkeep() {
    // A rescan after damage goes back one chunk at most, and a chunk is under 32 KiB.
    constexpr std::size_t kept_behind = 64 << 10;
    if (pos_ > kept_behind)
        source_.release_before(pos_ - kept_behind);
    m_.check_load_stop();
    next_upkeep_ = pos_ + upkeep_bytes;
}

bool NativeLoader::load() {
    // The smallest record chunk is 21 bytes; reserving for that touches no memory up front.
    if (records_ == Records::keep)
        m_.reserve_items((size_ - pos_) / 21);
    while (pos_ < size_) {
        if (pos_ >= next_upkeep_)
            upkeep();
        const std::size_t start = pos_;
        // One or two stray bytes where a header should be: damage, not the end of the load.
        if (size_ - start < 3) {
            damage_ = true;
            break;
        }
        const auto kind = static_cast<std::int8_t>(base_[start]);
        const auto length = static_cast<std::int16_t>(base_[start + 1] | base_[start + 2] << 8);
        pos_ = start + 3;
        bool accepted = length > 0 && kind <= 12;
        if (accepted) {
            switch (kind) {
            case chunk_record:
                accepted = read_record();
                break;
            case chunk_sector:
                accepted = read_sector();
                break;
            case chunk_text:
                accepted = read_text_values(static_cast<std::size_t>(length));
                text_ = text_ || accepted;
                if (accepted && text_spans_)
                    text_spans_->emplace_back(start, pos_);
                break;
            case chunk_remark:
                accepted = read_remark();
                break;
            case chunk_compact:
                accepted = read_compact();
                break;
            default:
                // A skipped chunk running past the end is as damaged as any cut chunk.
                accepted = has(static_cast<std::size_t>(length));
                pos_ += accepted ? static_cast<std::size_t>(length) : 0;
                break;
            }
            known_ = known_ || (accepted && kind >= chunk_record && kind <= chunk_compact);
        }
        if (!accepted) {
            damage_ = true;
            pos_ = start + 1;
        }
    }
    source_.release_before(size_);
    if (records_ == Records::replay)
        return true;
    if (gaps_)
        m_.messages().push_back(gaps_message);
    if (damage_)
        m_.messages().push_back(damage_message);
    // The writer ends every file with its text: without one the file was cut short.
    if (known_ && !text_)
        m_.messages().push_back(cut_message);
    return known_ || !damage_;
}

void NativeLoader::load_text_only() {
    while (size_ - pos_ >= 3) {
        const std::uint8_t kind = base_[pos_];
        const auto length = static_cast<std::int16_t>(base_[pos_ + 1] | base_[pos_ + 2] << 8);
        pos_ += 3;
        // A length that is not positive or runs past the end cannot lead anywhere further.
        if (length <= 0)
            break;
        if (kind == chunk_text) {
            if (!read_text_values(static_cast<std::size_t>(length))) {
                m_.messages().push_back(text_damage);
                break;
            }
        } else {
            if (!has(static_cast<std::size_t>(length)))
                break;
            pos_ += static_cast<std::size_t>(length);
        }
    }
}

} // namespace

bool load(FileStorage& model, lib::io::InputMemoryView& source, bool text_only) {
    NativeLoader loader(model, source);
    bool data = true;
    if (text_only)
        loader.load_text_only();
    else
        data = loader.load();
    source.seek(static_cast<std::ptrdiff_t>(loader.position()), lib::io::OSFile::from_begin);
    model.text_values().lines_to_race();
    return data;
}

void load(FileStorage& model, const std::string& path, bool text_only) {
    lib::io::InputMappedFile file;
    file.open(path, true);
    // An open that would show an empty recording with a damage note is no open at all.
    if (!load(model, file, text_only))
        throw lib::io::file_error(lib::io::FileErrorKind::not_data,
                                  lib::io::file_error_text(lib::io::FileErrorKind::not_data));
}

void stream(FileStorage& model, const std::string& path) {
    // Mapped and locked until the model lets its records go.
    auto file = std::make_shared<lib::io::InputMappedFile>();
    file->open(path, true);
    NativeLoader first(model, *file, Records::count);
    if (!first.load())
        throw lib::io::file_error(lib::io::FileErrorKind::not_data,
                                  lib::io::file_error_text(lib::io::FileErrorKind::not_data));
    model.text_values().lines_to_race();
    // The replay does not change the model: it only looks its parameters up.
    FileStorage* const replayed = &model;
    model.stream_records(
        [file, replayed](const FileStorage::RecordVisitor& visit) {
            file->seek(0, lib::io::OSFile::from_begin);
            NativeLoader(*replayed, *file, Records::replay, &visit).load();
        },
        first.counted());
}

// ---------------------------------------------------------------------------------------------
// Text-only update

namespace {

// Copies the chunks of a native file except its text chunks. Stops at the first header that is
// cut short or has no positive length; returns where it stopped.
std::size_t copy_without_text(const std::uint8_t* base, std::size_t size,
                              lib::io::BinaryOutputStream& sink) {
    std::size_t pos = 0;
    while (size - pos >= 3) {
        const auto length = static_cast<std::int16_t>(base[pos + 1] | base[pos + 2] << 8);
        if (length <= 0 || static_cast<std::size_t>(length) > size - pos - 3)
            break;
        const std::size_t chunk = 3 + static_cast<std::size_t>(length);
        if (base[pos] != chunk_text)
            sink.write(base + pos, chunk);
        pos += chunk;
    }
    return pos;
}

lib::io::file_replacement text_file(const FileStorage& model, const std::string& path) {
    auto text = text_chunk(model);
    return {path, [path, text](lib::io::BinaryOutputStream& out) {
                // The replace holds the old file locked, so it is mapped without a lock of its own.
                lib::io::InputMappedFile source;
                source.open(path, false);
                const std::uint8_t* base = source.base();
                const std::size_t size = source.size();
                std::size_t from = copy_without_text(base, size, out);
                write_payload(chunk_text, *text, out);
                // A damaged tail is kept after the new text so the loader can still salvage it,
                // but without the old text chunks the loader would find there: coming later,
                // they would win over the new text.
                if (from < size) {
                    std::vector<std::pair<std::size_t, std::size_t>> old_text;
                    FileStorage scratch;
                    NativeLoader scan(scratch, source, Records::count);
                    scan.collect_text_spans(old_text);
                    scan.load();
                    for (const auto& [start, end] : old_text) {
                        if (start < from)
                            continue;
                        out.write(base + from, start - from);
                        from = end;
                    }
                }
                out.write(base + from, size - from);
            }};
}

// Appends the text chunk in place: the text-only update of a file that cannot be copied.
void append_text(const FileStorage& model, const std::string& path) {
    const auto text = text_chunk(model);
    lib::io::BinaryOutputFileStream out;
    out.open(lib::io::resolve_links(path), true, true);
    write_payload(chunk_text, *text, out);
    out.close();
}

} // namespace

void save(FileStorage& model, const std::string& path, bool text_only,
          const std::vector<lib::io::file_replacement>& companions) {
    model.text_values().race_to_lines();
    std::vector<lib::io::file_replacement> unit{text_only ? text_file(model, path)
                                                          : whole_file(model, path)};
    unit.insert(unit.end(), companions.begin(), companions.end());
    // Only a text-only update without companions falls back to appending the text when the
    // file cannot be copied.
    const bool may_append = text_only && companions.empty();
    try {
        lib::io::replace_files(unit);
    } catch (const lib::io::replace_error& e) {
        // A companion's failure is its owner's to word.
        if (failed_in(companions, e))
            throw;
        // Passed on as the error of the file itself, not as a companion's replace_error. A
        // protected file takes no appended text either.
        if (!may_append || e.kind() == lib::io::FileErrorKind::write_protected)
            throw lib::io::file_error(e);
        append_text(model, path);
    } catch (const std::exception&) {
        // A writer's failure.
        if (!may_append)
            throw;
        append_text(model, path);
    }
}

} // namespace native
