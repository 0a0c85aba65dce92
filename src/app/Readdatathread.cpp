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

TReadDataThread::TReadDataThread(Storage& document, device::HardWare& hardware, QObject* parent)
    : QThread(parent), document_(document), hardware_(hardware) {}

TReadDataThread::~TReadDataThread() {
    cancel();
    wait();
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

void TReadDataThread::run() {
    outcome_ = device::run_read_session(
        hardware_, document_,
        [this](const std::string& text, double fraction, std::size_t records) {
            set_progress(text, fraction, records);
        },
        &stop_);
}
