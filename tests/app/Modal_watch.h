#pragma once
// Drives what a modal dialog's own event loop shows: while it lives it polls the current modal
// widget and hands it to `handle` until that returns true. After the deadline it closes the
// modal widget, so a test never hangs on a box it did not expect.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

class ModalWatch {
public:
    explicit ModalWatch(std::function<bool(QWidget*)> handle, int deadline_ms = 20000)
        : handle_(std::move(handle)), deadline_ms_(deadline_ms) {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(10);
    }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && handle_(modal))
            timer_.stop();
        else if (clock_.elapsed() > deadline_ms_ && modal)
            modal->close();
    }

    std::function<bool(QWidget*)> handle_;
    int deadline_ms_;
    QElapsedTimer clock_;
    QTimer timer_;
};
