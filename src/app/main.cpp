// vornell: the desktop program. `vornell FILE` opens FILE at start.
#include <cstring>
#include <iostream>

#include "app/Application.h"
#include "library/Locale.h"

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
    // Numbers and dates as the process locale writes them, the same as vornell-cli.
    lib::Locale::set(lib::Locale::from_process_locale());
    return run_main_window(app, default_settings_path(), QCoreApplication::arguments().mid(1));
}
