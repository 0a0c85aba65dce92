#include "app/Readdatathread.h"

#include "device/Read_session.h"

TReadDataThread::TReadDataThread(Storage& document, HardWare& hardware, QObject* parent)
    : QThread(parent), document_(document), hardware_(hardware) {}

TReadDataThread::~TReadDataThread() {
    // A read is bounded by the port's time-outs, so waiting for it here cannot hang for good.
    wait();
}

void TReadDataThread::start_read() {
    start(QThread::HighestPriority);
}

ReadProgressData TReadDataThread::progress() {
    lib::Locker lock(progress_lock_);
    return progress_;
}

void TReadDataThread::set_progress(const std::string& text, double fraction) {
    lib::Locker lock(progress_lock_);
    progress_.text = text;
    progress_.fraction = fraction;
}

void TReadDataThread::run() {
    error_ = device::run_read_session(
        hardware_, document_,
        [this](const std::string& text, double fraction) { set_progress(text, fraction); });
}
