#include "device/Read_session.h"

#include <exception>

namespace device {

std::string read_statistics_text(std::size_t records, std::int64_t elapsed_ms) {
    const std::int64_t seconds = elapsed_ms / 1000;
    const auto two = [](std::int64_t n) { return (n < 10 ? "0" : "") + std::to_string(n); };
    const std::string elapsed = seconds >= 3600
                                    ? std::to_string(seconds / 3600) + ":" +
                                          two(seconds / 60 % 60) + ":" + two(seconds % 60)
                                    : std::to_string(seconds / 60) + ":" + two(seconds % 60);
    const std::int64_t rate =
        elapsed_ms > 0 ? static_cast<std::int64_t>(records) * 1000 / elapsed_ms : 0;
    return "Считано записей: " + std::to_string(records) + "   Прошло: " + elapsed +
           "   Скорость: " + std::to_string(rate) + " записей/с";
}

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
