#pragma once
// The worker thread of a device read. It fills a recording of its own, never the document the
// window shows; the only state it shares with the window while it runs is the progress snapshot
// under its lock and the stop flag.
#include <QThread>

#include <atomic>

#include "datafile/Recording.h"
#include "device/Read_session.h"
#include "library/lock_object.h"

class TReadDataThread : public QThread {
public:
    explicit TReadDataThread(device::HardWare& hardware, QObject* parent = nullptr);
    // Stops a read still running and waits for it.
    ~TReadDataThread() override;

    // Starts at the highest priority the platform grants; Qt falls back to the inherited one
    // where raising it is not allowed.
    void start_read();
    // Asks the read to stop; it ends within a wait slice.
    void cancel() { stop_ = true; }
    // A copy of the last report.
    device::ReadProgress progress() { return progress_.get(); }
    // How the read ended. Valid once finished; taken under the lock the thread released last,
    // which hands over the recording and the protocol object with it.
    device::ReadOutcome outcome();
    // What the read decoded; the window's thread adopts it after outcome().
    Recording& recording() { return recording_; }

protected:
    void run() override;

private:
    device::HardWare& hardware_;
    Recording recording_;
    device::ReadOutcome outcome_;
    std::atomic<bool> stop_{false};
    device::SharedProgress progress_;
    lib::lock_object outcome_lock_;
};
