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
    if (data.item_count() <= gui_thread_records_) {
        done(analyse(data, curve, settings, nullptr));
        return;
    }
    cancel_ = false;
    worker_.Start(
        [this, &data, curve, settings] {
            try {
                result_ = analyse(data, curve, settings, &cancel_);
                delivered_ = true;
            } catch (const analysis::ActivityCancelled&) {
                delivered_ = false; // a newer run or a change of the recording wants it no more
            }
        },
        [this, done = std::move(done)] {
            std::shared_ptr<const analysis::Activity> result = std::move(result_);
            if (delivered_)
                done(std::move(result));
        });
}

void ActivityRunner::Stop() {
    if (!worker_.Running())
        return;
    cancel_ = true;
    worker_.Join();
    result_.reset();
}
