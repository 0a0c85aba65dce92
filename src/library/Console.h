#pragma once
// A console program's command line and standard streams: its arguments in UTF-8 (Windows reads
// them as UTF-16 from the system, whatever the code page), and standard streams that carry the
// program's bytes unchanged (no CR added before LF on Windows, and a console that shows UTF-8).
#include <string>
#include <vector>

namespace lib {

std::vector<std::string> utf8_arguments(int argc, char** argv);
// Call once at start, before anything is written.
void use_utf8_standard_streams();
// The width in columns of the terminal that standard error writes to (80 when it does not say);
// 0 when standard error is no terminal (a file, a pipe).
int stderr_terminal_columns();

} // namespace lib
