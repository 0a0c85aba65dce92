#include "document/Storage.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "formats/Formats.h"
#include "formats/Journal_file.h"
#include "library/File_error.h"
#include "library/Fileworks.h"

namespace {

constexpr const char* sensor_type_key = "тип_датчика";

std::string open_prefix(const std::string& path) {
    return "В процессе считывания файла\n'" + path + "'\nпроизошла следующая ошибка:\n\n";
}

std::string save_prefix(const std::string& path) {
    return "В процессе записи файла\n'" + path + "'\nпроизошла следующая ошибка:\n\n";
}

} // namespace

Storage::Storage(Reporter& reporter) : reporter_(reporter) {
    data_.set_native_format(true);
}

std::string Storage::JournalPath(const std::string& data_path) {
    return data_path.substr(0, lib::io::extension_start(data_path)) + ".dat";
}

std::vector<std::string> Storage::Files(const std::string& data_path) {
    std::vector<std::string> files = data_files_of(data_path);
    files.push_back(JournalPath(data_path));
    return files;
}

std::vector<std::string> Storage::SaveTargets(const std::string& data_path) {
    std::vector<std::string> files{data_path};
    for (std::string& companion : companions_of(data_path))
        files.push_back(std::move(companion));
    files.push_back(JournalPath(data_path));
    return files;
}

std::vector<std::string> Storage::ForeignCompanions(const std::string& path) const {
    std::vector<std::string> foreign;
    if (lib::io::file_exists(path))
        return foreign;
    for (const std::string& file : SaveTargets(path))
        if (file != path && lib::io::file_exists(file) &&
            (file_name_.empty() || OwnFile(file_name_, file).empty()))
            foreign.push_back(file);
    return foreign;
}

std::string Storage::OwnFile(const std::string& data_path, const std::string& target) {
    for (const std::string& file : Files(data_path))
        if (lib::io::same_file(file, target))
            return file;
    return {};
}

std::string Storage::OwnFileRefusal(const std::string& target, const std::string& own) {
    return "Файл '" + target + "' - это файл открытого документа ('" + own +
           "'); он не будет заменён";
}

bool Storage::Guarded(const std::string& prefix, const std::function<void()>& action) {
    std::string message;
    try {
        action();
        return true;
    } catch (const std::runtime_error& e) {
        // Every error of the program's own (the data model's, the files', the journal's)
        // carries the text meant for the user, a file's own failure its kind; only a foreign
        // one is unknown.
        message = lib::io::error_message(e);
    } catch (...) {
        message = "Неизвестная ошибка!!!";
    }
    reporter_.error(file_error_caption, prefix + message);
    return false;
}

bool Storage::Open(const std::string& path) {
    return OpenWith(path, false);
}

bool Storage::OpenStreamed(const std::string& path) {
    return OpenWith(path, true);
}

bool Storage::OpenWith(const std::string& path, bool streamed) {
    for (const auto& listener : before_listeners_)
        listener();
    const bool ok = Guarded(open_prefix(path), [&] {
        data_.clear();
        data_.messages().clear(); // the notes of this open alone
        journal_.Clear();
        if (streamed)
            stream_data_file(data_, path);
        else
            load_data_file(data_, path);
        journal_file::load(journal_, JournalPath(path));
    });
    return opened(path, ok);
}

void Storage::Load(Recording& into, const std::string& path) {
    load_data_file(into.data, path);
    into.data.check_load_stop(); // the journal's reader does not look at it
    journal_file::load(into.journal, JournalPath(path));
}

bool Storage::Opened(const std::string& path, Recording& loaded,
                     const std::exception_ptr& failure) {
    for (const auto& listener : before_listeners_)
        listener();
    const bool ok = Guarded(open_prefix(path), [&] {
        data_.clear();
        data_.messages().clear();
        journal_.Clear();
        if (failure)
            std::rethrow_exception(failure);
        take_over(loaded);
        data_.set_native_format(loaded.data.native_format());
        data_.set_source_path(loaded.data.source_path());
    });
    return opened(path, ok);
}

bool Storage::opened(const std::string& path, bool ok) {
    journal_file_ = ok ? JournalPath(path) : std::string();
    if (ok) {
        file_name_ = path;
        sensor_type_ = data_.text_values().value_of(sensor_type_key);
        unit_.clear();
        if (sensor_type_.empty() && data_.param_count() > 0) {
            sensor_type_ = data_.param(0)->name;
            unit_ = data_.param(0)->unit;
        }
    } else {
        file_name_.clear();
    }
    modified_ = false;
    Changed();
    return ok;
}

bool Storage::Save(const std::string& path) {
    data_.text_values().set_value(sensor_type_key, sensor_type_);
    save_notes_.clear();
    const std::string journal = JournalPath(path);
    const bool shared = !journal_file_.empty() && lib::io::same_file(journal, journal_file_);
    const bool ok = Guarded(save_prefix(path), [&] {
        // The records are still being read from there.
        if (data_.streams_records())
            if (const std::string own = OwnFile(file_name_, path); !own.empty())
                throw std::runtime_error(OwnFileRefusal(path, own));
        // One unit: the data file never stands beside a journal of another save.
        std::vector<lib::io::file_replacement> companions;
        if (!shared)
            companions.push_back(journal_file::replacement(journal_, journal));
        try {
            save_data_file(data_, path, false, companions);
        } catch (const lib::io::replace_error& e) {
            // The data family words the failures of its own files; what passes is the journal's.
            throw journal_file::failure(e);
        }
    });
    // A failed save keeps the flag, so closing still asks before the read data are lost.
    if (ok) {
        modified_ = false;
        if (shared)
            save_notes_.push_back("Журнал '" + journal +
                                  "' оставлен как был: это журнал открытого файла");
    }
    return ok;
}

bool Storage::Export(const std::string& path, const FileFormat& format,
                     const ExportOptions& options) {
    return Guarded(save_prefix(path), [&] {
        if (!file_name_.empty())
            if (const std::string own = OwnFile(file_name_, path); !own.empty())
                throw std::runtime_error(OwnFileRefusal(path, own));
        write_export(format, data_, journal_, path, options);
    });
}

void Storage::Adopt(Recording& recording, std::string file_name, bool modified) {
    for (const auto& listener : before_listeners_)
        listener();
    take_over(recording);
    // Its sensor type lives in its text lines.
    sensor_type_ = data_.text_values().value_of(sensor_type_key);
    unit_.clear();
    file_name_ = std::move(file_name);
    journal_file_.clear();
    modified_ = modified;
    Changed();
}

void Storage::take_over(Recording& recording) {
    data_.restore_content(recording.data.take_content());
    // The recording's run comes with it (a read's is a fresh one: it belongs to no file yet).
    static_cast<RaceInfo&>(data_.text_values()) = recording.data.text_values();
    std::swap(journal_, recording.journal);
    recording.journal.Clear();
}

void Storage::Changed() const {
    for (const auto& listener : listeners_)
        listener();
}
