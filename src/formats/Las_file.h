#pragma once
// Las_file: a recording as a time-indexed LAS 2.0 file (WRAP NO), the exchange format of
// well-log and drilling software. LasSummary gathers, one record at a time, what the header
// needs of all records; LasWriter then writes the header and one data line per record, so a
// recording of any size can be written in two passes without being held twice.
#include <cstdint>
#include <string>
#include <vector>

class FileStorage;
class LogStorage;
struct ExportOptions;
struct FileStorageItem;

namespace lib::io {
class BinaryOutputStream;
} // namespace lib::io

enum class LasEncoding { cp1251, utf8 };

class LasSummary {
public:
    void add(const FileStorageItem& item);

    bool empty() const { return count_ == 0; }
    std::uint32_t first_time() const { return first_time_; }
    std::uint32_t last_time() const { return last_time_; }
    // The step in seconds that every record follows the one before by; 0 when the steps differ
    // or are not positive, and with fewer than two records.
    std::int64_t step() const { return regular_ && step_ > 0 ? step_ : 0; }
    bool has_depth() const { return has_depth_; }

private:
    std::uint64_t count_ = 0;
    std::uint32_t first_time_ = 0;
    std::uint32_t last_time_ = 0;
    std::int64_t step_ = 0;
    bool regular_ = true;
    bool has_depth_ = false;
};

LasSummary las_summary(const FileStorage& model);

class LasWriter {
public:
    // Reads the model's parameters and run information; the records come one by one.
    LasWriter(const FileStorage& model, const LasSummary& summary, LasEncoding encoding);

    // Every section up to and including the "~ASCII" line, in the chosen encoding, written as it
    // is made: the journal's events as the grid shows them go under "~OTHER", which is left out
    // when there are none.
    void write_header(const LogStorage& journal, lib::io::BinaryOutputStream& sink) const;
    // The data line of one record: seconds after the first record, the values, the depths.
    void append_record(std::string& out, const FileStorageItem& item) const;
    // The curve mnemonics in column order: TIME, the parameters, the depths when written.
    const std::vector<std::string>& mnemonics() const { return mnemonics_; }

private:
    const FileStorage& model_;
    LasSummary summary_;
    LasEncoding encoding_;
    std::vector<std::string> mnemonics_;
};

namespace las_file {

// The document as a LAS file, the journal's events under "~OTHER" as the grid shows them.
void write(const FileStorage& data, const LogStorage& journal, const ExportOptions& options,
           lib::io::BinaryOutputStream& out);

} // namespace las_file
