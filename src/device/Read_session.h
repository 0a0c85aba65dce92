#pragma once
// run_read_session: a complete read of the logger, with or without a window; the reading thread
// of the program and vornell-cli both run it. What it decodes goes to a sink the caller owns,
// never into a document another thread may be showing.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "device/Hardware.h"
#include "device/Read_error.h"
#include "library/lock_object.h"

namespace device {

struct ReadOutcome {
    std::optional<ReadFailure> failure; // none after a complete read
    std::string text;                   // what the user is shown; empty after a complete read
    bool records_complete = false;      // the measurement dump was read whole
    bool opened = false;                // the port opened, so the sink holds what was read

    // What the sink holds takes the place of the document's content: the port opened and the
    // read was not stopped. A failed read thus shows what was read before the failure; a stopped
    // one leaves the document as it was.
    bool replaces_document() const {
        return opened && !(failure && failure->kind == ReadErrorKind::cancelled);
    }
};

// The last report of a read that runs on another thread: the read sets it, a view polls it.
class SharedProgress {
public:
    void set(const ReadProgress& progress) {
        lib::Locker lock(lock_);
        progress_ = progress;
    }
    ReadProgress get() {
        lib::Locker lock(lock_);
        return progress_;
    }

private:
    lib::lock_object lock_;
    ReadProgress progress_;
};

// "Считано записей: 1200   Прошло: 0:05   Скорость: 240 записей/с": how far a read has got.
std::string read_statistics_text(std::size_t records, std::int64_t elapsed_ms);

// Opens the port, reads the measurements and the alarm journal into `sink` and closes the port.
// `progress` and `stop` are installed for the read and removed afterwards in every case. After a
// failure the sink keeps what was read and the port is closed; the records count as complete
// when only the alarm journal failed.
ReadOutcome run_read_session(HardWare& hardware, ReadSink& sink, HardWare::ProgressFn progress,
                             const std::atomic<bool>* stop = nullptr);

} // namespace device
