#include "app/Readdatathread.h"

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

TReadDataThread::TReadDataThread(device::HardWare& hardware, QObject* parent)
    : QThread(parent), hardware_(hardware) {}

TReadDataThread::~TReadDataThread() {
    cancel();
    wait();
    // The recording is freed here: first see all the thread wrote (see outcome()).
    lib::Locker lock(progress_lock_);
}

void TReadDataThread::start_read() {
    start(QThread::HighestPriority);
}

ReadProgressData TReadDataThread::progress() {
    lib::Locker lock(progress_lock_);
    return progress_;
}

void TReadDataThread::set_progress(const std::string& text, double fraction, std::size_t records) {
    lib::Locker lock(progress_lock_);
    progress_.text = text;
    progress_.fraction = fraction;
    progress_.records = records;
}

device::ReadOutcome TReadDataThread::outcome() {
    lib::Locker lock(progress_lock_);
    return outcome_;
}

void TReadDataThread::run() {
    device::SinkInto sink(recording_);
    device::ReadOutcome outcome = device::run_read_session(
        hardware_, sink,
        [this](const std::string& text, double fraction, std::size_t records) {
            set_progress(text, fraction, records);
        },
        &stop_);
    // The thread's last release of the lock: whoever takes it next sees every write before it.
    // QThread::wait alone does not tell a race checker so, since Qt is not built for one.
    lib::Locker lock(progress_lock_);
    outcome_ = std::move(outcome);
}
