#pragma once
// Recording: a document's content made away from it, its data model and its journal. A device
// read fills one on its own thread, and the window's thread puts it into the document
// (Storage::Adopt) once that thread has ended, so nothing the window shows is written while it
// paints.
#include <cstdint>
#include <string>
#include <utility>

#include "datafile/Assembling.h"
#include "datafile/Journal.h"

class Recording {
public:
    FileStorage data;
    LogStorage journal;

    // What a read hands over: its series, then the series' records, then the journal's events.
    void add_series(const FileStorageParam& param) { series_ = data.add_param(param); }
    void add_record(std::uint32_t time, float value);
    void add_event(double start, double end, EventKind code, float value) {
        journal.Add(start, end, code, value);
    }
    // A note on what the read left out, shown as a load's notes are.
    void add_note(std::string text) { data.messages().push_back(std::move(text)); }

private:
    int series_ = 0;
};
