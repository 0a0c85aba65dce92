#include "app/Activityrunner.h"

#include <new>

namespace {

std::shared_ptr<const analysis::Activity> analyse(const FileStorage& data, int curve,
                                                  const analysis::ActivitySettings& settings,
                                                  const std::atomic<bool>* cancel) {
    try {
        return std::make_shared<const analysis::Activity>(
            analysis::analyse_activity(data, curve, settings, cancel));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// How often the window's thread looks whether the worker has finished: far below what a large
// analysis takes.
constexpr int poll_ms = 15;

} // namespace

ActivityRunner::ActivityRunner() {
    poll_.setInterval(poll_ms);
    QObject::connect(&poll_, &QTimer::timeout, [this] { TakeResult(); });
}

void ActivityRunner::Run(const FileStorage& data, int curve,
                         const analysis::ActivitySettings& settings, Done done) {
    Stop();
    if (data.item_count() <= gui_thread_records_) {
        done(analyse(data, curve, settings, nullptr));
        return;
    }
    cancel_ = false;
    finished_ = false;
    done_ = std::move(done);
    worker_ = std::thread([this, &data, curve, settings] {
        try {
            result_ = analyse(data, curve, settings, &cancel_);
            delivered_ = true;
        } catch (const analysis::ActivityCancelled&) {
            delivered_ = false; // a newer run or a change of the recording wants it no more
        }
        finished_ = true;
    });
    poll_.start();
}

void ActivityRunner::TakeResult() {
    if (!finished_)
        return;
    poll_.stop();
    worker_.join();
    const Done done = std::move(done_);
    done_ = nullptr;
    std::shared_ptr<const analysis::Activity> result = std::move(result_);
    if (delivered_)
        done(std::move(result));
}

void ActivityRunner::Stop() {
    poll_.stop();
    if (!worker_.joinable())
        return;
    cancel_ = true;
    worker_.join();
    done_ = nullptr;
    result_.reset();
}
