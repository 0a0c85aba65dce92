#pragma once
// The program's application object: Qt's own texts in Russian, exceptions that escape an event
// handler end in one error box and the program goes on; SIGINT and SIGTERM close the main
// window like its close box.
#include <QApplication>
#include <QStringList>
#include <QTranslator>

#include <string>

class QSocketNotifier;
class TMainForm;

class VornellApplication : public QApplication {
public:
    VornellApplication(int& argc, char** argv);
    ~VornellApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // From now on SIGINT and SIGTERM close `window` (TMainForm::CloseOnSignal).
    void close_on_quit_signals(TMainForm* window);
    // Whether Qt's Russian texts (standard buttons, file and print dialogs) were found; without
    // them those texts stay English.
    bool qt_texts_translated() const { return qt_translated_; }

private:
    QTranslator qt_texts_;
    bool qt_translated_ = false;
    QSocketNotifier* signal_notifier_ = nullptr;
};

// "Vornell.ini" beside the executable when that directory is writable (a portable copy, the
// build tree), otherwise Vornell.ini in the user's configuration directory for the program
// (~/.config/Vornell/), created when missing.
std::string default_settings_path();
// Whether the settings go beside an executable in program_dir: it must be writable, and not one
// of the system's program folders, which root can write but no user's settings belong in.
bool settings_beside_program(const QString& program_dir, bool writable);

// The program from its first window to its end: the main window on the settings at
// settings_path, closed by the quit signals, and the first of `files` loaded on a worker thread
// once the event loop runs (the window paints before the load ends, and a signal can end
// whatever box the open shows). The event loop's exit code.
int run_main_window(VornellApplication& app, const std::string& settings_path,
                    const QStringList& files);
