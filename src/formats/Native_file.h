#pragma once
// native: the program's own data files (".realtim", ".realdep", ".reallag", ".rtm"), a flat run
// of chunks (kind, payload length, payload) with byte-by-byte salvage of damaged files.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "datafile/Assembling.h"
#include "library/Fileworks.h"

namespace lib::io {
class BinaryOutputStream;
class InputMemoryView;
} // namespace lib::io

namespace native {

// Load messages.
inline constexpr const char* gaps_message =
    "В файле были найдены пропуски, которые возникли из-за некорректного редактирования файла. "
    "Данные считаны не полностью";
inline constexpr const char* damage_message =
    "Файл был повреждён. Программа попыталась найти в нём корректные данные методом "
    "последовательного перебора";
inline constexpr const char* cut_message =
    "Файл обрезан или повреждён: в нём нет сведений о рейсе, которыми заканчивается каждый файл. "
    "Данные могли быть считаны не полностью";

// Loads from any byte source, a mapped file or bytes in memory, into an emptied model; damage
// becomes load messages. The source is left after what was read. False when the bytes were
// damage alone, without one chunk of a data file.
bool load(FileStorage& model, lib::io::InputMemoryView& source, bool text_only);
// Loads the file, mapped and locked; a file of damage alone raises a file_error not_data.
void load(FileStorage& model, const std::string& path, bool text_only);
// Loads all of the file but its records, which the model then streams from it
// (FileStorage::stream_records): each pass over them reads the file again, which stays mapped
// and locked until the model lets them go.
void stream(FileStorage& model, const std::string& path);

// Replaces the file (or, text_only, only its text values) as one unit with the companions (the
// document's journal), which follow it; a failure in one of them passes on as the replace_error
// that names it. A text-only update without companions appends the text when the file cannot
// be copied.
void save(FileStorage& model, const std::string& path, bool text_only,
          const std::vector<lib::io::file_replacement>& companions = {});

// Writes one chunk: kind, the low 16 bits of the payload size, the payload. Payloads of 32768
// bytes or more cannot be read back and raise a FileStorageException instead.
void write_chunk(std::uint8_t kind, const std::uint8_t* payload, std::size_t size,
                 lib::io::BinaryOutputStream& sink);

} // namespace native
