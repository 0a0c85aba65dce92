#pragma once
// The one table of file formats: which format an extension names, for open, save, the window's
// exports and vornell-cli convert. Each format is a unit of its own (Native_file, Legacy_file,
// Las_file, Spreadsheet_csv); the journal beside a data file is Journal_file, and the machine
// CSV of vornell-cli records is Records_csv.
//
// A data family is opened and saved, with the document's journal beside its file. An export is
// only written: one file from the document. An export slots in with its unit and one row in
// file_formats() (Formats.cpp).
#include <string>
#include <string_view>
#include <vector>

#include "formats/Las_file.h"
#include "library/Fileworks.h"

class FileStorage;
class LogStorage;

namespace lib::io {
class BinaryOutputStream;
} // namespace lib::io

// What an export may be asked for beyond the document.
struct ExportOptions {
    LasEncoding las_encoding = LasEncoding::cp1251;
};

struct FileFormat {
    // Reads path into an emptied model.
    using Load = void (*)(FileStorage& model, const std::string& path, bool text_only);
    // Reads all of path but its records into an emptied model, which then streams them from
    // the file (FileStorage::stream_records).
    using Stream = void (*)(FileStorage& model, const std::string& path);
    // Replaces the model's files at path as one unit with the companions (they follow), and
    // raises any failure of the model's own files in the words the user is shown; a companion's
    // failure passes on as the replace_error that names it.
    using Save = void (*)(FileStorage& model, const std::string& path, bool text_only,
                          const std::vector<lib::io::file_replacement>& companions);
    // The files a load of path reads (path itself included).
    using Files = std::vector<std::string> (*)(const std::string& path);
    // Writes the document into the file of an export.
    using Write = void (*)(const FileStorage& data, const LogStorage& journal,
                           const ExportOptions& options, lib::io::BinaryOutputStream& out);

    const char* name;
    std::vector<std::string_view> extensions; // lower case, with the dot
    const char* dialog_text;                  // what the file dialogs call such files
    // A data family: load and save, and the model's native_format after either.
    Load load = nullptr;
    Save save = nullptr;
    Stream stream = nullptr;
    Files files = nullptr; // none: the file alone
    // The files a save writes beside path over any that are there (the journal aside); none:
    // the file alone.
    Files companions = nullptr;
    bool native = false;
    // An export.
    Write write = nullptr;

    bool data_family() const { return load != nullptr; }
};

// Every format, in the order file dialogs list them.
const std::vector<FileFormat>& file_formats();
// The journal as a spreadsheet CSV: an export of the window that no extension names.
const FileFormat& journal_csv_format();
// The format that the extension of path names (any case); nullptr for none.
const FileFormat* format_of(std::string_view path);
// The extension of path as the table compares it: from its last dot, lower-cased; empty without.
std::string extension_of(std::string_view path);

// True for a name of a family the program reads and writes (native or older), by extension.
bool is_data_file_name(const std::string& path);
// The files a load of path reads: path itself and, for the older family, its run file and the
// description file of its folder.
std::vector<std::string> data_files_of(const std::string& path);

// The files a save of path replaces beside it, the journal aside: the older family's run file.
std::vector<std::string> companions_of(const std::string& path);

// Loads path by its format into an emptied model; a name of no data family raises a fatal
// FileStorageException.
void load_data_file(FileStorage& model, const std::string& path, bool text_only = false);
// load_data_file for a model that is only written out again: the records stay in the file and
// are read from it while they are written, so memory stays flat whatever the file's size.
void stream_data_file(FileStorage& model, const std::string& path);
// Saves the model by the format of path's name, so a file always holds what its name says
// (under any other name the file could never be opened again); see FileFormat::Save. A name of
// no data family raises a FileStorageException before anything is written.
void save_data_file(FileStorage& model, const std::string& path, bool text_only = false,
                    const std::vector<lib::io::file_replacement>& companions = {});
// Writes an export as one file of a replace; the failure raised names the file.
void write_export(const FileFormat& format, const FileStorage& data, const LogStorage& journal,
                  const std::string& path, const ExportOptions& options = {});

// True when the failure of a replace was in one of files.
bool failed_in(const std::vector<lib::io::file_replacement>& files,
               const lib::io::replace_error& failure);
