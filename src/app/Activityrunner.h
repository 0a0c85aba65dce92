#pragma once
// Runs the rig-activity analysis of the document's recording: on the window's thread when the
// recording is small enough to take well under 50 ms, otherwise on a worker thread whose result
// comes back on the window's thread. A newer run, or a stop before the recording changes,
// cancels the older one, whose result is never delivered. The worker only reads the recording;
// it touches no widget.
#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "analysis/Activity.h"

class ActivityRunner {
public:
    // About 10-15 ms of one core per million records (bench_analysis), twice that on a loaded
    // machine: up to this many records the analysis runs at once.
    static constexpr int gui_thread_records = 1'500'000;

    // An empty result: the analysis failed (no memory for it).
    using Done = std::function<void(std::shared_ptr<const analysis::Activity>)>;

    // Results are delivered on context's thread, and never after context is gone.
    explicit ActivityRunner(QObject* context) : context_(context) {}
    ~ActivityRunner() { Stop(); }
    ActivityRunner(const ActivityRunner&) = delete;
    ActivityRunner& operator=(const ActivityRunner&) = delete;

    // Analyses the curve of data with settings and calls done with the result: before it
    // returns for a small recording, later for a large one. data must not change until done is
    // called or Stop has returned.
    void Run(const FileStorage& data, int curve, const analysis::ActivitySettings& settings,
             Done done);
    // Cancels a running analysis and waits for its thread (a few thousand records' worth).
    void Stop();
    bool Running() const { return worker_.joinable(); }
    // Tests put large-recording runs on small recordings.
    void SetGuiThreadRecords(int records) { gui_thread_records_ = records; }

private:
    QObject* context_;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    unsigned generation_ = 0; // of the last run; read and written on the context's thread only
    int gui_thread_records_ = gui_thread_records;
};
