#pragma once
// The window's message boxes: the document's failures, load notes and the exception box.
#include <exception>
#include <functional>
#include <string>

#include "document/Reporter.h"

class QWidget;

// Reports the document's failures in a modal error box over the owner.
class BoxReporter : public Reporter {
public:
    explicit BoxReporter(QWidget* owner) : owner_(owner) {}
    void error(const std::string& caption, const std::string& text) override;

private:
    QWidget* owner_;
};

void show_error_box(QWidget* owner, const std::string& caption, const std::string& text);
void show_information_box(QWidget* owner, const std::string& caption, const std::string& text);

// The application's exception box: " ВНИМАНИЕ!" and the error's text (none for an error that is
// not a std::exception).
void show_exception_box(QWidget* owner, const std::exception* error);
// Runs a control's handler and shows what it throws in the exception box. Handlers that can fail
// run through it, because an exception must not unwind through Qt's own frames.
void run_guarded(QWidget* owner, const std::function<void()>& handler);
