#pragma once
// Drives the modal dialogs a command opens, one step per dialog in the order they appear, and
// records what each one was.
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class ModalDriver {
public:
    using Step = std::function<void(QWidget*)>;

    explicit ModalDriver(std::deque<Step> steps) : steps_(std::move(steps)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start(5);
    }

    // "caption|text" of each message box, or "file dialog".
    const std::vector<std::string>& seen() const { return seen_; }
    bool done() const { return steps_.empty(); }

    static Step answer(QMessageBox::StandardButton button) {
        return [button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            box->button(button)->click();
        };
    }
    static Step choose_file(const QString& path) {
        return [path](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            dialog->selectFile(path);
            // Later, so the driver is free to answer a question the dialog asks (replace?).
            QMetaObject::invokeMethod(
                dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); },
                Qt::QueuedConnection);
        };
    }
    static Step cancel() {
        return [](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); };
    }

private:
    void tick() {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || (last_ && last_ == w))
            return;
        last_ = w;
        if (auto* box = qobject_cast<QMessageBox*>(w))
            seen_.push_back((box->windowTitle() + "|" + box->text()).toStdString());
        else
            seen_.push_back(qobject_cast<QFileDialog*>(w) ? "file dialog" : "dialog");
        if (steps_.empty()) {
            qobject_cast<QDialog*>(w)->reject(); // an unexpected dialog must not hang the test
            return;
        }
        Step step = steps_.front();
        steps_.pop_front();
        step(w);
    }

    std::deque<Step> steps_;
    std::vector<std::string> seen_;
    QPointer<QWidget> last_;
    QTimer timer_;
};
