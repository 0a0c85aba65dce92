#include "app/Application.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QWidget>

#include <exception>

#include "library/Quitsignals.h"
#include "widgets/Messageboxes.h"

VornellApplication::VornellApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // AppConfigLocation is then ~/.config/Vornell.
    setApplicationName(QStringLiteral("Vornell"));
    setOrganizationName(QString());
    // The icon and the desktop entry an installation puts in place under the program's name.
    setWindowIcon(QIcon::fromTheme(QStringLiteral("vornell")));
    setDesktopFileName(QStringLiteral("vornell"));
}

VornellApplication::~VornellApplication() {
    if (signal_notifier_)
        lib::reset_quit_signals();
}

bool VornellApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        show_exception_box(activeWindow(), &e);
    } catch (...) {
        show_exception_box(activeWindow(), nullptr);
    }
    return false;
}

void VornellApplication::close_on_quit_signals(QWidget* window) {
    const int fd = signal_notifier_ ? -1 : lib::quit_signal_fd();
    if (fd < 0)
        return;
    signal_notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(signal_notifier_, &QSocketNotifier::activated, window, [window] {
        lib::drain_quit_signal();
        window->close();
    });
}

std::string default_settings_path() {
    const QString beside = QCoreApplication::applicationDirPath();
    if (QFileInfo(beside).isWritable())
        return QDir(beside).filePath(QStringLiteral("Vornell.ini")).toStdString();
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    return QDir(config).filePath(QStringLiteral("Vornell.ini")).toStdString();
}
