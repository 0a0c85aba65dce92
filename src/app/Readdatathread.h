#pragma once
// The worker thread of a device read. It fills the document straight from the logger; the only
// state it shares with the window while it runs is the progress snapshot under its lock and the
// stop flag.
#include <QThread>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "device/Read_session.h"
#include "library/lock_object.h"

class Storage;

struct ReadProgressData {
    std::string text;
    double fraction = 0.0;
    std::size_t records = 0; // read so far
};

// "Считано записей: 1200   Прошло: 0:05   Скорость: 240 записей/с": the line under the bar.
std::string read_statistics_text(std::size_t records, std::int64_t elapsed_ms);

class TReadDataThread : public QThread {
public:
    TReadDataThread(Storage& document, device::HardWare& hardware, QObject* parent = nullptr);
    // Stops a read still running and waits for it.
    ~TReadDataThread() override;

    // Starts at the highest priority the platform grants; Qt falls back to the inherited one
    // where raising it is not allowed.
    void start_read();
    // Asks the read to stop; it ends within a wait slice, leaving the document as it was.
    void cancel() { stop_ = true; }
    // A copy of the last report, taken under the lock.
    ReadProgressData progress();
    // How the read ended. Valid once finished.
    const device::ReadOutcome& outcome() const { return outcome_; }

protected:
    void run() override;

private:
    void set_progress(const std::string& text, double fraction, std::size_t records);

    Storage& document_;
    device::HardWare& hardware_;
    device::ReadOutcome outcome_;
    std::atomic<bool> stop_{false};
    lib::lock_object progress_lock_;
    ReadProgressData progress_;
};
