#include "formats/Legacy_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

#include "formats/Formats.h"
#include "library/Binary_io.h"
#include "library/Codepage.h"
#include "library/File_error.h"
#include "library/Fileworks.h"
#include "library/Inifile.h"
#include "library/Mappedfile.h"
#include "library/Strworks.h"

namespace legacy {

namespace {

template <class T> T field(const std::uint8_t* record, std::size_t offset) {
    T value;
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}

template <class T> void put(std::uint8_t* record, std::size_t offset, T value) {
    std::memcpy(record + offset, &value, sizeof value);
}

constexpr std::size_t time_offset = 1;
constexpr std::size_t depth1_offset = 5;
constexpr std::size_t depth2_offset = 9;
constexpr std::size_t values_offset = 13;

} // namespace

std::string description_path(const std::string& data_path) {
    return data_path.substr(0, lib::io::file_name_start(data_path)) + description_file;
}

std::vector<std::string> read_description(lib::io::InputMemoryView& source, FileStorage& model) {
    const FileStorageParam defaults;
    std::vector<std::string> idents;
    // Only the first 32 entries can describe a value column; reading on could only overflow
    // the model's descriptor table and lose the whole load.
    for (int entries = 0; entries < value_count && !source.at_end(); ++entries) {
        FileStorageParam p;
        p.name = lib::io::read_text(source);
        p.short_name = lib::io::read_text(source);
        p.unit = lib::io::read_text(source);
        p.ident = lib::io::read_text(source);
        if (p.ident.empty())
            break;
        source.skip(12);
        p.low = lib::io::read_value<float>(source);
        p.high = lib::io::read_value<float>(source);
        source.skip(5);
        // A scale limit of NaN or infinity would break every scale drawn from it.
        if (!std::isfinite(p.low) || !std::isfinite(p.high)) {
            p.low = defaults.low;
            p.high = defaults.high;
        }
        idents.push_back(p.ident);
        model.add_param(p);
    }
    return idents;
}

void check_description(const FileStorage& model, const std::string& path) {
    if (!lib::io::file_exists(path))
        return;
    const std::string what = "Описание параметров '" + path + "' ";
    FileStorage described;
    std::vector<std::string> idents;
    try {
        lib::io::InputMappedFile file;
        file.open(path, true);
        idents = read_description(file, described);
    } catch (const std::exception& e) {
        throw FileStorageException(what + "не прочитано: " + lib::io::error_message(e), false);
    }
    const int entries = static_cast<int>(idents.size());
    int count = std::min(model.param_count(), value_count);
    while (count > entries && model.param(count - 1)->ident.empty())
        --count;
    std::string differs;
    if (count != entries) {
        differs = "в нём параметров: " + std::to_string(entries) +
                  ", в документе: " + std::to_string(count);
    }
    for (int i = 0; i < count && differs.empty(); ++i) {
        if (!lib::equal_ident(idents[i], model.stored_ident(i)))
            differs = "параметр " + std::to_string(i + 1) + " в нём '" + idents[i] +
                      "', в документе '" + model.stored_ident(i) + "'";
    }
    if (!differs.empty())
        throw FileStorageException(what + "не подходит к документу: " + differs, false);
}

int used_columns(lib::io::InputMemoryView& source) {
    int used = 0;
    const std::uint8_t* record = source.base() + source.tell();
    std::size_t scanned = 0;
    for (std::size_t left = source.remaining(); left >= record_size && used < value_count;
         left -= record_size, record += record_size) {
        if (++scanned % 65536 == 0)
            source.release_before(static_cast<std::size_t>(record - source.base()));
        if (field<std::uint32_t>(record, time_offset) == 0)
            continue;
        for (int column = value_count; column > used; --column) {
            const std::uint8_t* value = record + values_offset + (column - 1) * sizeof(float);
            if (std::any_of(value, value + sizeof(float), [](std::uint8_t b) { return b != 0; })) {
                used = column;
                break;
            }
        }
    }
    // The records are read again from the start: the scan keeps none of its pages.
    source.release_before(static_cast<std::size_t>(record - source.base()));
    return used;
}

namespace {

// The records of a data file image, each to take(kind, time, depth1, depth2, values) until the
// end, a cut record, a bad depth (as read_records describes them) or the limit'th record.
template <class Take>
void decode_records(lib::io::InputMemoryView& source, Take&& take,
                    unsigned limit = std::numeric_limits<unsigned>::max()) {
    unsigned accepted = 0;
    std::uint8_t record[record_size];
    while (!source.at_end() && accepted < limit) {
        source.read(record, record_size);
        const auto time = field<std::uint32_t>(record, time_offset);
        if (time == 0)
            continue;
        const auto depth1 = field<float>(record, depth1_offset);
        const auto depth2 = field<float>(record, depth2_offset);
        if (!(depth2 >= 0.0f) || !(depth1 >= 0.0f))
            throw FileStorageException(
                "Некорректная глубина на записи №" + std::to_string(accepted), false);
        take(record[0], time, depth1, depth2, record + values_offset);
        if (++accepted % 65536 == 0)
            source.release_before(source.size() - source.remaining());
    }
    source.release_before(source.size());
}

} // namespace

void read_records(lib::io::InputMemoryView& source, FileStorage& model) {
    const int columns = std::clamp(model.param_count(), 0, value_count);
    model.reserve_items(source.remaining() / record_size);
    decode_records(source, [&](std::uint8_t kind, std::uint32_t time, float depth1, float depth2,
                               const std::uint8_t* values) {
        const int row = model.append_record(time, depth1, depth2, depth1, kind, true);
        for (int k = 0; k < columns; ++k)
            model.set_value(row, k, field<float>(values, 4 * static_cast<std::size_t>(k)));
        if (row % 65536 == 0)
            model.check_load_stop();
    });
}

void write_description(const FileStorage& model, lib::io::BinaryOutputStream& sink) {
    const int count = std::clamp(model.param_count(), 0, value_count);
    const std::uint8_t gap[12] = {};
    for (int i = 0; i < count; ++i) {
        const FileStorageParam& p = *model.param(i);
        lib::io::write_text(sink, p.name);
        lib::io::write_text(sink, p.short_name);
        lib::io::write_text(sink, p.unit);
        // An empty or repeated identifier would end the list or merge two columns on reading.
        lib::io::write_text(sink, model.stored_ident(i));
        sink.write(gap, 12);
        lib::io::write_value(sink, p.low);
        lib::io::write_value(sink, p.high);
        sink.write(gap, 5);
    }
    if (count < value_count)
        for (int text = 0; text < 4; ++text)
            lib::io::write_text(sink, "");
}

void write_records(const FileStorage& model, lib::io::BinaryOutputStream& sink) {
    const auto params = static_cast<std::size_t>(std::clamp(model.param_count(), 0, value_count));
    int written = 0;
    model.for_each_record([&](const FileStorageItem& item) {
        if (!item.full)
            return;
        // The reader skips a time-0 slot and stops at a depth below 0 or not a number: such a
        // record would silently lose itself, or every record after it, on the next open.
        if (item.time == 0)
            throw FileStorageException("Нулевое время на записи №" + std::to_string(written),
                                       false);
        if (!(item.depth1 >= 0.0f) || !(item.depth2 >= 0.0f))
            throw FileStorageException("Некорректная глубина на записи №" + std::to_string(written),
                                       false);
        std::uint8_t record[record_size] = {};
        record[0] = item.kind;
        put(record, time_offset, item.time);
        put(record, depth1_offset, item.depth1);
        put(record, depth2_offset, item.depth2);
        const std::size_t n = std::min(params, item.values.size());
        std::memcpy(record + values_offset, item.values.data(), n * sizeof(float));
        sink.write(record, record_size);
        ++written;
    });
}

namespace {

// The lines of the run file as plain text, for the model's text list.
bool read_lines(const std::string& path, std::vector<std::string>& lines) {
    lib::io::InputMappedFile file;
    try {
        file.open(path, false);
    } catch (const std::exception&) {
        return false;
    }
    // An oversized file is cut like the INI reader cuts it, so it cannot exhaust memory.
    std::string_view text(reinterpret_cast<const char*>(file.base()),
                          std::min(file.size(), lib::ini_file::max_file_size));
    lines.clear();
    while (!text.empty())
        lines.push_back(lib::from_cp1251(lib::take_line(text)));
    return true;
}

// Raises what a failure in one file of a save of name means to the user.
[[noreturn]] void failure(const std::string& name, const std::string& file,
                          const std::string& reason) {
    if (file == RaceInfo::run_file_path(name))
        throw FileStorageException("Невозможно записать файл описания рейса '" + file + "'", false);
    throw FileStorageException("Невозможно записать файл '" + file + "': " + reason, false);
}

// The files of a save, in replace order: the data file (unless text_only), a description file
// when the folder has none, the run file.
std::vector<lib::io::file_replacement> files_of_save(FileStorage& model, const std::string& name,
                                                     bool text_only) {
    auto reported = [name](const std::string& file,
                           std::function<void(lib::io::BinaryOutputStream&)> write) {
        return lib::io::file_replacement{file,
                                         [name, file, write](lib::io::BinaryOutputStream& out) {
                                             try {
                                                 write(out);
                                             } catch (const std::exception& e) {
                                                 failure(name, file, lib::io::error_message(e));
                                             }
                                         }};
    };
    std::vector<lib::io::file_replacement> unit;
    if (!text_only) {
        unit.push_back(reported(
            name, [&model](lib::io::BinaryOutputStream& out) { write_records(model, out); }));
        // Without a description the data file opens with no records, so a folder without one
        // gets one; an existing one may describe other files as well and is left alone, so it
        // must describe these columns too, or they would open under other names.
        const std::string description = description_path(name);
        if (!lib::io::file_exists(description)) {
            unit.push_back(reported(description, [&model](lib::io::BinaryOutputStream& out) {
                write_description(model, out);
            }));
        } else {
            check_description(model, description);
        }
    }
    const std::string run_file = RaceInfo::run_file_path(name);
    if (!run_file.empty()) {
        // An existing run file that cannot be read whole is left alone: rewriting it would drop
        // its other sections.
        auto run = std::make_shared<lib::ini_file>();
        if (!run->load(run_file) || run->truncated())
            failure(name, run_file, "");
        model.text_values().save(*run);
        unit.push_back(reported(run_file, [run](lib::io::BinaryOutputStream& out) {
            const std::string bytes = run->serialize();
            out.write(bytes.data(), bytes.size());
        }));
    }
    return unit;
}

} // namespace

std::vector<std::string> files_of(const std::string& path) {
    std::vector<std::string> files{path, description_path(path)};
    if (const std::string run_file = RaceInfo::run_file_path(path); !run_file.empty())
        files.push_back(run_file);
    return files;
}

std::vector<std::string> run_files_of(const std::string& path) {
    const std::string run_file = RaceInfo::run_file_path(path);
    return run_file.empty() ? std::vector<std::string>{} : std::vector<std::string>{run_file};
}

namespace {

// The run file and, unless text_only, the description; then records(data file) reads the
// records, with what fails on the way as a load message.
void load_with(FileStorage& model, const std::string& path, bool text_only,
               const std::function<void(std::shared_ptr<lib::io::InputMappedFile>)>& records) {
    model.set_source_path(path);
    // The run file describes this data file alone: what it lacks (or a missing run file) must
    // not leave an earlier document's run in the model, to be saved as this one's.
    FileStorageTextValues& text_values = model.text_values();
    static_cast<RaceInfo&>(text_values) = RaceInfo();
    const std::string run_file = RaceInfo::run_file_path(path);
    if (!run_file.empty()) {
        std::vector<std::string> lines;
        if (read_lines(run_file, lines))
            text_values.lines.assign(lines);
        text_values.load_from_file(run_file);
    }
    if (text_only)
        return;

    // The file being read, for a note that names the description file when it is that one.
    std::string reading = description_path(path);
    try {
        lib::io::InputMappedFile description;
        description.open(reading, true);
        read_description(description, model);
        description.close();

        reading = path;
        auto data = std::make_shared<lib::io::InputMappedFile>();
        data->open(path, true);
        // Every record has room for 32 values, but only the described columns and those that
        // hold a value are parameters: padding to 32 would turn a file of one parameter into 32
        // columns, 31 of them empty, on every round trip. The columns the description does not
        // name get default descriptors, not those of an earlier document.
        model.pad_params(used_columns(*data));
        records(std::move(data));
    } catch (const LoadStopped&) {
        throw;
    } catch (const lib::io::file_error& e) {
        const std::string note = lib::io::file_error_message(e);
        model.messages().push_back(
            reading == path ? note : "Описание параметров '" + reading + "' не прочитано: " + note);
    } catch (const std::exception& e) {
        model.messages().emplace_back(e.what());
    } catch (...) {
        model.messages().emplace_back("Неизвестная ошибка");
    }
}

} // namespace

void load(FileStorage& model, const std::string& path, bool text_only) {
    load_with(model, path, text_only,
              [&](std::shared_ptr<lib::io::InputMappedFile> data) { read_records(*data, model); });
}

void stream(FileStorage& model, const std::string& path) {
    std::shared_ptr<lib::io::InputMappedFile> data;
    unsigned count = 0;
    load_with(model, path, false, [&](std::shared_ptr<lib::io::InputMappedFile> file) {
        data = std::move(file);
        decode_records(*data, [&](auto&&...) { ++count; });
    });
    const auto columns = static_cast<std::size_t>(std::clamp(model.param_count(), 0, value_count));
    model.stream_records(
        [data, count, columns](const FileStorage::RecordVisitor& visit) {
            if (!data)
                return;
            data->seek(0, lib::io::OSFile::from_begin);
            FileStorageItem item;
            item.values.resize(columns);
            // Up to the record where the first pass stopped, which it noted.
            decode_records(
                *data,
                [&](std::uint8_t kind, std::uint32_t time, float depth1, float depth2,
                    const std::uint8_t* values) {
                    item.kind = kind;
                    item.time = time;
                    item.depth1 = depth1;
                    item.depth2 = depth2;
                    item.depth3 = depth1;
                    std::memcpy(item.values.data(), values, columns * sizeof(float));
                    visit(item);
                },
                count);
        },
        static_cast<int>(count));
}

void save(FileStorage& model, const std::string& path, bool text_only,
          const std::vector<lib::io::file_replacement>& companions) {
    std::vector<lib::io::file_replacement> unit = files_of_save(model, path, text_only);
    unit.insert(unit.end(), companions.begin(), companions.end());
    try {
        lib::io::replace_files(unit);
    } catch (const lib::io::replace_error& e) {
        // A companion's failure is its owner's to word; the writers word their own.
        if (failed_in(companions, e))
            throw;
        // A protected file's error names it already.
        if (e.kind() == lib::io::FileErrorKind::write_protected)
            throw lib::io::file_error(e);
        failure(path, e.target(), lib::io::file_error_message(e));
    }
}

} // namespace legacy
