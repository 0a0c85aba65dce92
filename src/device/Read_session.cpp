#include "device/Read_session.h"

#include <exception>

#include "document/Storage.h"

namespace device {

std::string run_read_session(HardWare& hardware, Storage& document, HardWare::ProgressFn progress) {
    std::string error;
    hardware.set_progress_callback(std::move(progress));
    try {
        HarwareScoper scoper(&hardware);
        hardware.Open();
        document.ClearForRead();
        hardware.ReadMeasurements(document);
        // The records are complete; a damaged journal must not make them unsaveable.
        document.MarkRead();
        hardware.ReadAlarms(document);
    } catch (const std::exception& e) {
        error = std::string(read_error_prefix) + e.what();
    } catch (...) {
        error = unknown_read_error;
    }
    hardware.set_progress_callback({});
    return error;
}

} // namespace device
