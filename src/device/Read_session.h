#pragma once
// run_read_session: a complete read of the logger into a document, with or without a window; the
// reading thread of the program and vornell-cli both run it.
#include <atomic>
#include <optional>
#include <string>

#include "device/Hardware.h"
#include "device/Read_error.h"

class Storage;

namespace device {

struct ReadOutcome {
    std::optional<ReadFailure> failure; // none after a complete read
    std::string text;                   // what the user is shown; empty after a complete read
    bool records_complete = false;      // the measurement dump was read whole
};

// Opens the port, clears the document, reads the measurements and the alarm journal, closes the
// port and marks the document read. `progress` and `stop` are installed for the read and removed
// afterwards in every case. After a failure the document keeps what was read and the port is
// closed; it is marked read when only the alarm journal failed, since the records are complete
// then. A read stopped through `stop` leaves the document exactly as it was before.
ReadOutcome run_read_session(HardWare& hardware, Storage& document, HardWare::ProgressFn progress,
                             const std::atomic<bool>* stop = nullptr);

} // namespace device
