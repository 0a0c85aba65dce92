// Arguments and standard streams on POSIX: already bytes, taken to be UTF-8.
#include "library/Console.h"

namespace lib {

std::vector<std::string> utf8_arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void use_utf8_standard_streams() {}

} // namespace lib
