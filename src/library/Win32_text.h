#pragma once
// Windows only: the program's UTF-8 texts as the UTF-16 of the Win32 calls and back, and a Win32
// error code as its reason.
#include <string>
#include <string_view>

namespace lib::win32 {

// Invalid UTF-8 or UTF-16 becomes U+FFFD.
std::wstring wide(std::string_view utf8);
std::string utf8(std::wstring_view wide);
// The system's wording of an error code (GetLastError), without the final full stop.
std::string reason(unsigned long code);
// Sets errno to the POSIX kind of the thread's last Win32 error, so that the callers above the
// OS layer read one kind of error code on both systems. Keeps the last error as it is.
void keep_errno();

} // namespace lib::win32
