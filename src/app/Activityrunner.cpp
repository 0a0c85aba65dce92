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

} // namespace

void ActivityRunner::Run(const FileStorage& data, int curve,
                         const analysis::ActivitySettings& settings, Done done) {
    Stop();
    const unsigned generation = ++generation_;
    if (data.item_count() <= gui_thread_records_) {
        done(analyse(data, curve, settings, nullptr));
        return;
    }
    cancel_ = false;
    worker_ = std::thread([this, &data, curve, settings, generation, done = std::move(done)] {
        std::shared_ptr<const analysis::Activity> result;
        try {
            result = analyse(data, curve, settings, &cancel_);
        } catch (const analysis::ActivityCancelled&) {
            return; // a newer run or a change of the recording wants it no more
        }
        QMetaObject::invokeMethod(
            context_,
            [this, generation, result, done] {
                if (generation != generation_)
                    return; // cancelled after it had finished
                if (worker_.joinable())
                    worker_.join(); // it ends right after posting this
                done(result);
            },
            Qt::QueuedConnection);
    });
}

void ActivityRunner::Stop() {
    ++generation_;
    if (!worker_.joinable())
        return;
    cancel_ = true;
    worker_.join();
}
