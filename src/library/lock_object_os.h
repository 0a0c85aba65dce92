#pragma once
// The system-wide side of lock_object, one implementation per system (lock_object_posix.cpp,
// lock_object_win32.cpp; the build picks one).
#include <string>

namespace lib::os {

// Creates the lock named `name` (no slashes, per user), or opens it when it exists, unlocked
// when new; nullptr with the reason in `error` when it can be neither.
void* open_named_lock(const std::string& name, std::string& error);
void close_named_lock(void* lock);
// false when the wait itself failed.
bool wait_named_lock(void* lock);
bool try_named_lock(void* lock);
void release_named_lock(void* lock);

} // namespace lib::os
