#include "formats/Formats.h"

#include <algorithm>

#include "datafile/Assembling.h"
#include "formats/Legacy_file.h"
#include "formats/Native_file.h"
#include "formats/Spreadsheet_csv.h"
#include "library/Codepage.h"

const std::vector<FileFormat>& file_formats() {
    static const std::vector<FileFormat> formats = {
        {.name = "native",
         .extensions = {".realtim", ".realdep", ".reallag", ".rtm"},
         .dialog_text = "Файлы данных",
         .load = native::load,
         .save = native::save,
         .stream = native::stream,
         .native = true},
        {.name = "legacy",
         .extensions = {".tim", ".dep", ".ldp"},
         .dialog_text = "Файлы старого формата",
         .load = legacy::load,
         .save = legacy::save,
         .stream = legacy::stream,
         .files = legacy::files_of,
         .companions = legacy::run_files_of},
        {.name = "las",
         .extensions = {".las"},
         .dialog_text = "Файлы LAS",
         .write = las_file::write},
        {.name = "spreadsheet_csv",
         .extensions = {".csv"},
         .dialog_text = "Файлы CSV",
         .write = write_spreadsheet_csv},
    };
    return formats;
}

const FileFormat& journal_csv_format() {
    static const FileFormat format{.name = "journal_csv",
                                   .extensions = {".csv"},
                                   .dialog_text = "Файлы CSV",
                                   .write = write_journal_csv};
    return format;
}

std::string extension_of(std::string_view path) {
    return lib::lower_ident(std::string(path.substr(lib::io::extension_start(path))));
}

const FileFormat* format_of(std::string_view path) {
    const std::string extension = extension_of(path);
    for (const FileFormat& format : file_formats())
        if (std::find(format.extensions.begin(), format.extensions.end(), extension) !=
            format.extensions.end())
            return &format;
    return nullptr;
}

namespace {

const FileFormat* data_family_of(std::string_view path) {
    const FileFormat* format = format_of(path);
    return format && format->data_family() ? format : nullptr;
}

} // namespace

bool is_data_file_name(const std::string& path) {
    return data_family_of(path) != nullptr;
}

std::vector<std::string> data_files_of(const std::string& path) {
    const FileFormat* format = data_family_of(path);
    return format && format->files ? format->files(path) : std::vector<std::string>{path};
}

std::vector<std::string> companions_of(const std::string& path) {
    const FileFormat* format = data_family_of(path);
    return format && format->companions ? format->companions(path) : std::vector<std::string>{};
}

namespace {

const FileFormat& format_to_open(const std::string& path) {
    const FileFormat* format = data_family_of(path);
    if (!format)
        throw FileStorageException(
            "Неправильное расширение открываемого файла: " + extension_of(path), true);
    return *format;
}

} // namespace

void load_data_file(FileStorage& model, const std::string& path, bool text_only) {
    const FileFormat& format = format_to_open(path);
    format.load(model, path, text_only);
    model.set_native_format(format.native);
}

void stream_data_file(FileStorage& model, const std::string& path) {
    const FileFormat& format = format_to_open(path);
    format.stream(model, path);
    model.set_native_format(format.native);
}

void save_data_file(FileStorage& model, const std::string& path, bool text_only,
                    const std::vector<lib::io::file_replacement>& companions) {
    const FileFormat* format = data_family_of(path);
    if (!format)
        throw FileStorageException(
            "Неправильное расширение записываемого файла: " + extension_of(path), false);
    model.set_native_format(format->native);
    format->save(model, path, text_only, companions);
}

void write_export(const FileFormat& format, const FileStorage& data, const LogStorage& journal,
                  const std::string& path, const ExportOptions& options) {
    lib::io::replace_files({{path, [&](lib::io::BinaryOutputStream& out) {
                                 format.write(data, journal, options, out);
                             }}});
}

bool failed_in(const std::vector<lib::io::file_replacement>& files,
               const lib::io::replace_error& failure) {
    return std::any_of(files.begin(), files.end(), [&](const lib::io::file_replacement& f) {
        return f.target == failure.target();
    });
}
