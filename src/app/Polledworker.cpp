#include "app/Polledworker.h"

#include <utility>

namespace {

// Far below what work worth a thread takes, far above what looking costs.
constexpr int poll_ms = 15;

} // namespace

PolledWorker::PolledWorker() {
    poll_.setInterval(poll_ms);
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
}

void PolledWorker::Start(std::function<void()> work, std::function<void()> done) {
    Join();
    finished_ = false;
    done_ = std::move(done);
    worker_ = std::thread([this, work = std::move(work)] {
        work();
        finished_ = true;
    });
    poll_.start();
}

void PolledWorker::Poll() {
    if (!finished_)
        return;
    poll_.stop();
    worker_.join();
    // done may start the next work.
    const std::function<void()> done = std::exchange(done_, nullptr);
    done();
}

void PolledWorker::Join() {
    poll_.stop();
    if (worker_.joinable())
        worker_.join();
    done_ = nullptr;
}
