// lock_object's system-wide lock on Windows: a named semaphore of one count, which, unlike a
// mutex, its holder cannot take twice and any thread may release, as on POSIX.
#include "library/lock_object_os.h"

#include <windows.h>

#include "library/Win32_text.h"

namespace lib::os {

void* open_named_lock(const std::string& name, std::string& error) {
    // Local\ is the user's session. Windows documents names up to MAX_PATH long.
    const std::wstring full = win32::wide("Local\\" + name);
    HANDLE lock =
        full.size() > MAX_PATH ? nullptr : ::CreateSemaphoreW(nullptr, 1, 1, full.c_str());
    if (!lock)
        error =
            win32::reason(full.size() > MAX_PATH ? ERROR_FILENAME_EXCED_RANGE : ::GetLastError());
    return lock;
}

void close_named_lock(void* lock) {
    ::CloseHandle(lock);
}

bool wait_named_lock(void* lock) {
    return ::WaitForSingleObject(lock, INFINITE) == WAIT_OBJECT_0;
}

bool try_named_lock(void* lock) {
    return ::WaitForSingleObject(lock, 0) == WAIT_OBJECT_0;
}

void release_named_lock(void* lock) {
    ::ReleaseSemaphore(lock, 1, nullptr);
}

} // namespace lib::os
