// Arguments and standard streams on POSIX: already bytes, taken to be UTF-8.
#include "library/Console.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace lib {

std::vector<std::string> utf8_arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void use_utf8_standard_streams() {}

int stderr_terminal_columns() {
    if (!::isatty(STDERR_FILENO))
        return 0;
    winsize size{};
    return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

} // namespace lib
