#pragma once
// The program's message boxes: errors, notes and the exception box.
#include <exception>
#include <functional>
#include <string>

class QWidget;

void show_error_box(QWidget* owner, const std::string& caption, const std::string& text);
void show_information_box(QWidget* owner, const std::string& caption, const std::string& text);

// The application's exception box: " ВНИМАНИЕ!" and the error's text (none for an error that is
// not a std::exception).
void show_exception_box(QWidget* owner, const std::exception* error);
// Runs a control's handler and shows what it throws in the exception box. Handlers that can fail
// run through it, because an exception must not unwind through Qt's own frames.
void run_guarded(QWidget* owner, const std::function<void()>& handler);
