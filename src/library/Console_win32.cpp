// Arguments and standard streams on Windows.
#include "library/Console.h"

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

#include "library/Win32_text.h"

namespace lib {

namespace {

UINT console_code_page = 0;

} // namespace

std::vector<std::string> utf8_arguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide)
        return arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(win32::utf8(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

void use_utf8_standard_streams() {
    for (std::FILE* stream : {stdin, stdout, stderr})
        ::_setmode(::_fileno(stream), _O_BINARY);
    // The console's code page is its own, shared with the shell: put it back at exit.
    console_code_page = ::GetConsoleOutputCP();
    if (console_code_page != 0 && console_code_page != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8))
        std::atexit([] { ::SetConsoleOutputCP(console_code_page); });
}

int stderr_terminal_columns() {
    if (!::_isatty(::_fileno(stderr)))
        return 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info))
        return 80;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

} // namespace lib
