#pragma once
// The modal dialog of a device read: starts the reading thread, shows its progress every 100 ms
// and closes with Accepted when the read has succeeded. While a read runs it cannot be closed.
#include <QDialog>
#include <QTimer>

#include <memory>

class BusyIndicator;
class HardWare;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class Storage;
class TReadDataThread;

class TReadDataForm : public QDialog {
public:
    static constexpr const char* error_caption = " ВНИМАНИЕ!";

    TReadDataForm(QWidget* owner, Storage& document, HardWare& hardware);
    ~TReadDataForm() override;

    bool reading() const { return thread_ != nullptr; }

    // Esc and "Отмена" end here; both do nothing while a read runs.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void btnReadDataClick();
    void TimerTimer();
    void ThreadFinished();
    void set_idle();

    Storage& document_;
    HardWare& hardware_;
    std::unique_ptr<TReadDataThread> thread_;

    QPushButton* btnReadData;
    QPushButton* btnCancel;
    QFrame* pnlProgress;
    QLabel* lblWhatHappen;
    BusyIndicator* aniProgress;
    QProgressBar* progrBar;
    QTimer Timer;
};
