#include "app/Application.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <exception>

#include "app/Main.h"
#include "library/Quitsignals.h"
#include "widgets/Messageboxes.h"

VornellApplication::VornellApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // AppConfigLocation is then ~/.config/Vornell.
    setApplicationName(QStringLiteral("Vornell"));
    setOrganizationName(QString());
    // The icon and the desktop entry an installation puts in place under the program's name.
    setWindowIcon(QIcon::fromTheme(QStringLiteral("vornell")));
    setDesktopFileName(QStringLiteral("vornell"));
    // Every text of the program is Russian, so Qt's are too, whatever the system's language.
    qt_translated_ = qt_texts_.load(QStringLiteral("qtbase_ru"),
                                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
                     installTranslator(&qt_texts_);
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

void VornellApplication::close_on_quit_signals(TMainForm* window) {
    const int fd = signal_notifier_ ? -1 : lib::quit_signal_fd();
    if (fd < 0)
        return;
    signal_notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(signal_notifier_, &QSocketNotifier::activated, window, [window] {
        lib::drain_quit_signal();
        // Posted, so that this handler returns at once: a notifier whose handler still runs
        // (in the loop of a box the close opened) is not heard again.
        QMetaObject::invokeMethod(window, &TMainForm::CloseOnSignal, Qt::QueuedConnection);
    });
}

bool settings_beside_program(const QString& program_dir, bool writable) {
    const QString dir = QDir::cleanPath(program_dir);
    for (const char* system : {"/usr", "/bin", "/sbin"})
        if (dir == QLatin1String(system) || dir.startsWith(QLatin1String(system) + '/'))
            return false;
    return writable;
}

std::string default_settings_path() {
    const QString beside = QCoreApplication::applicationDirPath();
    if (settings_beside_program(beside, QFileInfo(beside).isWritable()))
        return QDir(beside).filePath(QStringLiteral("Vornell.ini")).toStdString();
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    return QDir(config).filePath(QStringLiteral("Vornell.ini")).toStdString();
}

int run_main_window(VornellApplication& app, const std::string& settings_path,
                    const QStringList& files) {
    TMainForm window(settings_path);
    app.close_on_quit_signals(&window);
    window.show();
    if (!files.isEmpty())
        QTimer::singleShot(0, &window, [&window, file = files.front()] {
            window.LoadDataFile(file.toStdString());
        });
    return app.exec();
}
