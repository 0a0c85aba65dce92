#pragma once
// Runs the rig-activity analysis of the document's recording: on the window's thread when the
// recording is small enough to take well under 50 ms, otherwise on a worker thread whose result
// the window's thread takes once it has joined the worker (a join is the one hand-over a race
// checker sees; Qt's queued calls are not). A newer run, or a stop before the recording
// changes, cancels the older one, whose result is never delivered. The worker only reads the
// recording; it touches no widget.
#include <atomic>
#include <functional>
#include <memory>

#include "analysis/Activity.h"
#include "app/Polledworker.h"

class ActivityRunner {
public:
    // About 10-15 ms of one core per million records (bench_analysis), twice that on a loaded
    // machine: up to this many records the analysis runs at once.
    static constexpr int gui_thread_records = 1'500'000;

    // An empty result: the analysis failed (no memory for it).
    using Done = std::function<void(std::shared_ptr<const analysis::Activity>)>;

    // Results are delivered on the thread that makes the runner.
    ActivityRunner() = default;
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
    bool Running() const { return worker_.Running(); }
    // Tests put large-recording runs on small recordings.
    void SetGuiThreadRecords(int records) { gui_thread_records_ = records; }

private:
    PolledWorker worker_;
    std::atomic<bool> cancel_{false};
    // Written by the worker, read after the join.
    bool delivered_ = false;
    std::shared_ptr<const analysis::Activity> result_;
    int gui_thread_records_ = gui_thread_records;
};
