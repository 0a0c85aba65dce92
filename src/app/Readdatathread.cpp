#include "app/Readdatathread.h"

TReadDataThread::TReadDataThread(device::HardWare& hardware, QObject* parent)
    : QThread(parent), hardware_(hardware) {}

TReadDataThread::~TReadDataThread() {
    cancel();
    wait();
    // The recording is freed here: first see all the thread wrote (see outcome()).
    lib::Locker lock(outcome_lock_);
}

void TReadDataThread::start_read() {
    start(QThread::HighestPriority);
}

device::ReadOutcome TReadDataThread::outcome() {
    lib::Locker lock(outcome_lock_);
    return outcome_;
}

void TReadDataThread::run() {
    device::SinkInto sink(recording_);
    device::ReadOutcome outcome = device::run_read_session(
        hardware_, sink, [this](const device::ReadProgress& progress) { progress_.set(progress); },
        &stop_);
    // The thread's last release of the lock: whoever takes it next sees every write before it.
    // QThread::wait alone does not tell a race checker so, since Qt is not built for one.
    lib::Locker lock(outcome_lock_);
    outcome_ = std::move(outcome);
}
