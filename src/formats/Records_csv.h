#pragma once
// records_csv: the records of a data model as the machine CSV of vornell-cli records, raw time
// values and all, for scripts; people get Spreadsheet_csv.
#include <functional>
#include <string>
#include <string_view>

class FileStorage;

// "index,time,depth1,depth2,depth3,kind,full,v0,.." then one line per record; numbers with '.'
// and floats in their shortest text. The text is handed to sink in pieces of about 64 KiB.
void records_csv(const FileStorage& model, const std::function<void(std::string_view)>& sink);
// The shortest text that reads back to the same float (double), with '.' as the decimal point.
std::string shortest_float(float value);
std::string shortest_double(double value);
