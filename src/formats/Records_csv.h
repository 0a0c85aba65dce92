#pragma once
// records_csv: the records of a data model as CSV, shared by vornell-cli and the window's export.
#include <functional>
#include <string>
#include <string_view>

class FileStorage;
class LogStorage;

namespace lib::io {
class BinaryOutputStream;
} // namespace lib::io

// "index,time,depth1,depth2,depth3,kind,full,v0,.." then one line per record; numbers with '.'
// and floats in their shortest text. The text is handed to sink in pieces of about 64 KiB.
void records_csv(const FileStorage& model, const std::function<void(std::string_view)>& sink);
// records_csv into a file, as the format table exports it; the journal is not part of it.
void write_records_csv(const FileStorage& data, const LogStorage& journal,
                       lib::io::BinaryOutputStream& out);
// The shortest text that reads back to the same float, with '.' as the decimal point.
std::string shortest_float(float value);
