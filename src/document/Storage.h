#pragma once
// The document: the event journal and the data model of one read or one opened file.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
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
    int Count() const { return static_cast<int>(records_.size()); }
    const std::vector<LogRecord>& Records() const { return records_; }

    std::string CellText(int column, int row) const;
    std::string SituationText(EventKind code, float value) const;
    static std::string ColumnTitle(int index);

    // The ".dat" companion: Windows-1251 text, one "code start end value" line per record.
    void SaveToFile(const std::string& path) const;
    // A missing or unreadable file gives an empty journal.
    void LoadFromFile(const std::string& path);
    std::string ToText() const;
    void LoadFromText(std::string_view bytes);

private:
    std::map<EventKind, std::string> kinds_;
    std::vector<LogRecord> records_;
};
