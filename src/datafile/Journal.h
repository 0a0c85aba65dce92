#pragma once
// LogStorage: the event journal of a document, the logger's alarms and state changes, with the
// texts the journal grid shows. Its file beside the data file is formats/Journal_file.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

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
    // Replaces the records; a loader hands over what it read at once.
    void Assign(std::vector<LogRecord>&& records) { records_ = std::move(records); }
    int Count() const { return static_cast<int>(records_.size()); }
    const std::vector<LogRecord>& Records() const { return records_; }

    // The grid's texts; iso_dates gives the dates as "2026-03-02 06:00:00" whatever the locale.
    std::string CellText(int column, int row, bool iso_dates = false) const;
    std::string SituationText(EventKind code, float value) const;
    static std::string ColumnTitle(int index);

private:
    std::map<EventKind, std::string> kinds_;
    std::vector<LogRecord> records_;
};

// True for a calendar date-time number from 0001-01-01 to 9999-12-31: beyond them a journal
// moment is damage, not a date.
bool valid_datetime(double dt);
