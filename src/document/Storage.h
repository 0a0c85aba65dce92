#pragma once
// Storage, the document: the data model (FileStorage) and the event journal (LogStorage) of one
// read or one opened file, and Reporter, where it reports a failed open or save.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "datafile/Assembling.h"

using EventKind = std::int32_t;

struct LogRecord {
    double start = 0.0; // calendar date-time number
    double end = 0.0;   // 0.0 when the event has no end
    EventKind code = -1;
    float value = 0.0f;
};

class LogStorage {
public:
    LogStorage();

    void Add(double start, double end, EventKind code, float value);
    void Clear();
    int Count() const { return static_cast<int>(records_.size()); }
    const std::vector<LogRecord>& Records() const { return records_; }

    std::string CellText(int column, int row) const;
    std::string SituationText(EventKind code, float value) const;
    static std::string ColumnTitle(int index);

    // The ".dat" companion: Windows-1251 text, one "code start end value" line per record.
    void SaveToFile(const std::string& path) const;
    // The journal as one file of a replace, so it can be saved in one unit with its data file.
    lib::io::file_replacement FileReplacement(const std::string& path) const;
    // A missing or unreadable file gives an empty journal. The file is read in pieces of
    // piece_bytes; a line longer than longest_line (its line end not counted) is damage and is
    // skipped without being held. Both loads leave the records little unused room.
    void LoadFromFile(const std::string& path);
    std::string ToText() const;
    void LoadFromText(std::string_view bytes);

    static constexpr std::size_t piece_bytes = 1 << 20;
    static constexpr std::size_t longest_line = 4096;

private:
    std::map<EventKind, std::string> kinds_;
    std::vector<LogRecord> records_;
};

// Where the document reports a failed open or save: a message box in the window, stderr in the
// command-line tool, a recorder in tests.
class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void error(const std::string& caption, const std::string& text) = 0;
};

class Storage {
public:
    static constexpr const char* error_caption = " Внимание!!!";

    explicit Storage(Reporter& reporter);
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    // Both return false after a failure, which has been reported.
    bool Open(const std::string& path);
    bool Save(const std::string& path);
    // What a device read replaces, handed back so that a cancelled read can put it back.
    struct Content {
        std::string file_name;
        bool modified = false;
        FileStorage::Content data;
        LogStorage journal;
    };
    // Empties the document for a device read and hands over what it held; the read has no file,
    // so the name goes too, and an empty document holds no unsaved read.
    Content ClearForRead();
    // Puts back what ClearForRead handed over, as if the read had never begun.
    void Restore(Content&& content);
    void MarkRead() { modified_ = true; }

    // Unsaved read data: a read that was not saved since, and that holds records or events.
    bool IsModified() const { return modified_ && (HasData() || journal_.Count() > 0); }
    const std::string& FileName() const { return file_name_; }
    const std::string& SensorType() const { return sensor_type_; }
    const std::string& Unit() const { return unit_; }
    bool HasData() const { return data_.item_count() > 0; }

    FileStorage& Data() { return data_; }
    const FileStorage& Data() const { return data_; }
    LogStorage& Journal() { return journal_; }
    const LogStorage& Journal() const { return journal_; }
    int JournalCount() const { return journal_.Count(); }
    std::string JournalCellText(int column, int row) const {
        return journal_.CellText(column, row);
    }
    static std::string JournalColumnTitle(int index) { return LogStorage::ColumnTitle(index); }

    // The journal beside a data file: the file name without its last extension, plus ".dat".
    static std::string JournalPath(const std::string& data_path);
    // Every file an open of data_path reads: the data file's own (data_files_of) and the journal.
    static std::vector<std::string> Files(const std::string& data_path);

private:
    bool Guarded(const std::string& prefix, const std::function<void()>& action);

    Reporter& reporter_;
    std::string file_name_;
    bool modified_ = false;
    FileStorage data_;
    LogStorage journal_;
    std::string sensor_type_;
    std::string unit_;
};
