// vornell: the desktop program. `vornell FILE` opens FILE at start.
#include <cstring>
#include <iostream>

#include "app/Application.h"
#include "app/Main.h"

namespace {

const char* const usage =
    "Usage: vornell [FILE]\n"
    "Opens the window of the drilling-rig logger program; FILE, a data file, opens at start.\n"
    "\n"
    "Options:\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n";

} // namespace

int main(int argc, char** argv) {
    // Answered before the application object exists, so that they need no display.
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
        std::cout << usage;
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "vornell " VORNELL_VERSION "\n";
        return 0;
    }
    VornellApplication app(argc, argv);
    TMainForm window(default_settings_path());
    app.close_on_quit_signals(&window);
    window.show();
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1)
        window.OpenDataFile(args.at(1).toStdString());
    return app.exec();
}
