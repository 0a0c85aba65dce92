#pragma once
// The modal dialog of a device read: shows the port it reads, starts the reading thread, shows
// its progress every 100 ms and, once the thread has ended, puts what it read into the document
// and closes with Accepted when the read has succeeded. "Отмена", Esc and the window's close stop
// a running read and close it with Rejected once the read has ended, the document untouched.
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>

class BusyIndicator;
namespace device {
class HardWare;
}
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class Storage;
class TReadDataThread;

class TReadDataForm : public QDialog {
public:
    TReadDataForm(QWidget* owner, Storage& document, device::HardWare& hardware);
    ~TReadDataForm() override;

    bool reading() const { return thread_ != nullptr; }

    // Esc ends here, as "Отмена" does.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The panel that shows while a read runs: animation, step, bar and counts.
    void make_progress_panel();
    void btnReadDataClick();
    void btnCancelClick();
    void TimerTimer();
    void ThreadFinished();
    void set_idle();

    Storage& document_;
    device::HardWare& hardware_;
    std::unique_ptr<TReadDataThread> thread_;
    QElapsedTimer clock_; // since "Считать!"

    QLabel* lblPort;
    QPushButton* btnReadData;
    QPushButton* btnCancel;
    QFrame* pnlProgress;
    QLabel* lblWhatHappen;
    BusyIndicator* aniProgress;
    QProgressBar* progrBar;
    QLabel* lblStatistics;
    QTimer Timer;
};
