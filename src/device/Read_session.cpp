#include "device/Read_session.h"

#include <exception>

#include "document/Storage.h"

namespace device {

ReadOutcome run_read_session(HardWare& hardware, Storage& document, HardWare::ProgressFn progress,
                             const std::atomic<bool>* stop) {
    ReadOutcome outcome;
    hardware.SetProgressCallback(std::move(progress));
    hardware.SetStopFlag(stop);
    std::optional<Storage::Content> before;
    try {
        HarwareScoper scoper(&hardware);
        hardware.Open();
        before = document.ClearForRead();
        hardware.ReadMeasurements(document);
        // The records are complete; a damaged journal must not make them unsaveable.
        document.MarkRead();
        outcome.records_complete = true;
        hardware.ReadAlarms(document);
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
        if (outcome.failure->kind == ReadErrorKind::cancelled && before) {
            document.Restore(std::move(*before));
            outcome.records_complete = false;
        }
    }
    hardware.SetStopFlag(nullptr);
    hardware.SetProgressCallback({});
    return outcome;
}

} // namespace device
