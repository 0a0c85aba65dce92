#pragma once
// A worker thread whose end the thread that started it learns by looking: a timer there checks
// every 15 ms whether the work has returned, joins the worker and only then calls done. A join
// is the one hand-over a race checker sees (Qt's queued calls are not), so done may read all
// the work wrote. The work must touch no widget.
#include <QTimer>

#include <atomic>
#include <functional>
#include <thread>

class PolledWorker {
public:
    // done is called on the thread that makes the worker.
    PolledWorker();
    ~PolledWorker() { Join(); }
    PolledWorker(const PolledWorker&) = delete;
    PolledWorker& operator=(const PolledWorker&) = delete;

    // Runs work on a new thread, and done here once work has returned. A worker still running
    // is joined first, without its done.
    void Start(std::function<void()> work, std::function<void()> done);
    // Waits for the worker, which its owner has told to end; its done is never called.
    void Join();
    bool Running() const { return worker_.joinable(); }

private:
    void Poll();

    QTimer poll_;
    std::thread worker_;
    std::atomic<bool> finished_{false};
    std::function<void()> done_;
};
