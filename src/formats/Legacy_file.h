#pragma once
// legacy: the older fixed-record data files (".dep", ".ldp", ".tim") of 145-byte records with 32
// values, described by "inpgti.nbl" in the same folder and accompanied by a ".rac" run file.
#include <cstddef>
#include <string>
#include <vector>

#include "datafile/Assembling.h"
#include "library/Fileworks.h"

namespace lib::io {
class BinaryOutputStream;
class InputMemoryView;
} // namespace lib::io

namespace legacy {

constexpr std::size_t record_size = 145;
constexpr int value_count = 32;
constexpr const char* description_file = "inpgti.nbl";

// "inpgti.nbl" beside the data file.
std::string description_path(const std::string& data_path);
// The files a load of path reads: path, the description file of its folder and its run file.
std::vector<std::string> files_of(const std::string& path);
// The run file a save of path writes (none for a name without a dot).
std::vector<std::string> run_files_of(const std::string& path);

// Reads the run file into the run information and the text list and, unless text_only, the
// description and the records into an emptied model. What fails on the way becomes a load
// message; the records read before it stay.
void load(FileStorage& model, const std::string& path, bool text_only);
// load() without keeping the records: the model streams them from the data file, which stays
// mapped and locked until the model lets them go (FileStorage::stream_records).
void stream(FileStorage& model, const std::string& path);
// Replaces the data file (unless text_only), a description file when the folder has none, and
// the run file as one unit with the companions, which follow them. A description the folder
// has already must describe the model's parameters (check_description), or nothing is written. A
// failure in one of the model's files raises a FileStorageException that names the file; a
// companion's passes on as the replace_error that names it.
void save(FileStorage& model, const std::string& path, bool text_only,
          const std::vector<lib::io::file_replacement>& companions = {});

// Raises a FileStorageException naming the description file at path and what differs when it
// does not describe the model's parameters: their count and identifiers in order, up to 32; a
// parameter of no identifier after the described ones (a column an older file had beyond its
// description) needs no entry. A missing file passes.
void check_description(const FileStorage& model, const std::string& path);

// Adds the entries of a description file to the model until an empty identifier, the end or
// the 32nd entry. Limits that are no numbers become the default ones. Returns the entries'
// identifiers in their order (the model keeps a repeated one once).
std::vector<std::string> read_description(lib::io::InputMemoryView& source, FileStorage& model);

// The value columns that the whole records of a data file image from its position use: up to
// the last one holding a non-zero byte in a record that is not an empty slot. Gives back the
// pages of a mapped file as it scans them.
int used_columns(lib::io::InputMemoryView& source);

// Appends the records of a data file image with a value for each of the model's parameters (up
// to 32); empty slots (time 0) are skipped. A negative or NaN depth raises "Некорректная глубина
// на записи №" with the number of records accepted.
void read_records(lib::io::InputMemoryView& source, FileStorage& model);

// A description file of the model's parameters, as read_description reads it: the first 32,
// then an entry with empty texts when there are fewer.
void write_description(const FileStorage& model, lib::io::BinaryOutputStream& sink);

// One record for every full record of the model; values past the 32nd parameter are lost.
void write_records(const FileStorage& model, lib::io::BinaryOutputStream& sink);

} // namespace legacy
