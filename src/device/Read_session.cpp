#include "device/Read_session.h"

#include <exception>

namespace device {

ReadOutcome run_read_session(HardWare& hardware, ReadSink& sink, HardWare::ProgressFn progress,
                             const std::atomic<bool>* stop) {
    ReadOutcome outcome;
    hardware.SetProgressCallback(std::move(progress));
    hardware.SetStopFlag(stop);
    try {
        HarwareScoper scoper(&hardware);
        hardware.Open();
        outcome.opened = true;
        hardware.ReadMeasurements(sink);
        // The records are complete; a damaged journal must not make them unsaveable.
        outcome.records_complete = true;
        hardware.ReadAlarms(sink);
    } catch (const ReadError& e) {
        outcome.failure = e.failure();
    } catch (const std::exception& e) {
        outcome.failure = ReadFailure(ReadErrorKind::other);
        outcome.failure->text = e.what();
    } catch (...) {
        outcome.failure = ReadFailure(ReadErrorKind::unknown);
    }
    if (outcome.failure) {
        outcome.text = read_error_text(*outcome.failure);
        if (outcome.failure->kind == ReadErrorKind::cancelled)
            outcome.records_complete = false;
    }
    hardware.SetStopFlag(nullptr);
    hardware.SetProgressCallback({});
    return outcome;
}

} // namespace device
