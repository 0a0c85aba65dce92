#include "app/Backgroundopen.h"

#include <utility>

#include "document/Storage.h"

void BackgroundOpen::Start(const std::string& path, Loaded loaded) {
    Stop();
    stop_ = false;
    path_ = path;
    failure_ = nullptr;
    recording_ = std::make_unique<Recording>();
    recording_->data.set_load_stop(&stop_);
    worker_.Start(
        [this] {
            try {
                Storage::Load(*recording_, path_);
            } catch (const LoadStopped&) {
                // Only Stop asks for it, and it drops the recording.
            } catch (...) {
                failure_ = std::current_exception();
            }
        },
        [this, loaded = std::move(loaded)] {
            // loaded may open a box whose event loop starts another load.
            const std::unique_ptr<Recording> recording = std::move(recording_);
            const std::exception_ptr failure = std::exchange(failure_, nullptr);
            loaded(std::string(path_), *recording, failure);
        });
}

bool BackgroundOpen::Stop() {
    if (!worker_.Running())
        return false;
    stop_ = true;
    worker_.Join();
    recording_.reset();
    failure_ = nullptr;
    return true;
}
