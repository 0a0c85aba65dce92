#pragma once
// The read of a data file's files on a worker thread, into a recording of its own: the document
// is not touched until the window's thread has joined the worker and hands the recording on
// (Storage::Opened). A stop ends the read within a few thousand records and drops what it got.
#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "app/Polledworker.h"
#include "datafile/Recording.h"

class BackgroundOpen {
public:
    // Called on the thread that started the load, with what Storage::Load left in loaded (it is
    // freed afterwards) or what it threw.
    using Loaded = std::function<void(const std::string& path, Recording& loaded,
                                      const std::exception_ptr& failure)>;

    BackgroundOpen() = default;
    ~BackgroundOpen() { Stop(); }
    BackgroundOpen(const BackgroundOpen&) = delete;
    BackgroundOpen& operator=(const BackgroundOpen&) = delete;

    // Starts loading path; a load under way is stopped first.
    void Start(const std::string& path, Loaded loaded);
    // Stops a load under way and waits for its thread; loaded is not called. False when none ran.
    bool Stop();
    bool Running() const { return worker_.Running(); }
    // The file of the load under way.
    const std::string& Path() const { return path_; }

private:
    PolledWorker worker_;
    std::atomic<bool> stop_{false};
    // Written by the worker, read after the join.
    std::unique_ptr<Recording> recording_;
    std::exception_ptr failure_;
    std::string path_;
};
