#pragma once
// The program's application object: exceptions that escape an event handler end in one error
// box and the program goes on; SIGINT and SIGTERM close the main window like its close box.
#include <QApplication>

#include <string>

class QSocketNotifier;

class VornellApplication : public QApplication {
public:
    VornellApplication(int& argc, char** argv);
    ~VornellApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // From now on SIGINT and SIGTERM close `window` (the close check applies).
    void close_on_quit_signals(QWidget* window);

private:
    QSocketNotifier* signal_notifier_ = nullptr;
};

// "Vornell.ini" beside the executable when that directory is writable (a portable copy, the
// build tree), otherwise Vornell.ini in the user's configuration directory for the program
// (~/.config/Vornell/), created when missing.
std::string default_settings_path();
