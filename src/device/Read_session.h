#pragma once
// run_read_session: a complete read of the logger into a document, with or without a window; the
// reading thread of the program and vornell-cli both run it.
#include <string>

#include "device/Hardware.h"

class Storage;

namespace device {

constexpr const char* read_error_prefix = "Произошла ошибка:\n";
constexpr const char* unknown_read_error =
    "В процессе считывания данных произошла неизвестная ошибка";

// Opens the port, clears the document, reads the measurements and the alarm journal, closes the
// port and marks the document read. `progress` is installed for the read and removed afterwards
// in every case. Returns an empty text on success, otherwise the text the user is shown:
// read_error_prefix + message for a standard exception, unknown_read_error for anything else.
// After a failure the document keeps what was read and the port is closed; it is marked read
// when only the alarm journal failed, since the records are complete then.
std::string run_read_session(HardWare& hardware, Storage& document, HardWare::ProgressFn progress);

} // namespace device
