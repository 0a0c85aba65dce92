#pragma once
// The worker thread of a device read. It fills the document straight from the logger; the only
// state it shares with the window while it runs is the progress snapshot under its lock.
#include <QThread>

#include <string>

#include "library/lock_object.h"

class HardWare;
class Storage;

struct ReadProgressData {
    std::string text;
    double fraction = 0.0;
};

class TReadDataThread : public QThread {
public:
    TReadDataThread(Storage& document, HardWare& hardware, QObject* parent = nullptr);
    ~TReadDataThread() override;

    // Starts at the highest priority the platform grants; Qt falls back to the inherited one
    // where raising it is not allowed.
    void start_read();
    // A copy of the last report, taken under the lock.
    ReadProgressData progress();
    // Empty after success; the message for the user after a failure. Valid once finished.
    const std::string& error_text() const { return error_; }

protected:
    void run() override;

private:
    void set_progress(const std::string& text, double fraction);

    Storage& document_;
    HardWare& hardware_;
    std::string error_;
    lib::lock_object progress_lock_;
    ReadProgressData progress_;
};
