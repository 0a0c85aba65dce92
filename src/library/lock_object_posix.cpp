// lock_object's system-wide lock on POSIX: a named semaphore.
#include "library/lock_object_os.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <semaphore.h>
#include <unistd.h>

namespace lib::os {

namespace {

sem_t* as_sem(void* lock) {
    return static_cast<sem_t*>(lock);
}

} // namespace

void* open_named_lock(const std::string& name, std::string& error) {
    // Scoped per user, as a session-local named mutex would be: another user's semaphore of the
    // same name (created with that user's permissions) must not stop this user's program.
    const std::string full = "/" + name + "." + std::to_string(::getuid());
    sem_t* sem = ::sem_open(full.c_str(), O_CREAT, 0600, 1u);
    if (sem != SEM_FAILED)
        return sem;
    error = std::strerror(errno);
    return nullptr;
}

void close_named_lock(void* lock) {
    ::sem_close(as_sem(lock));
}

bool wait_named_lock(void* lock) {
    while (::sem_wait(as_sem(lock)) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

bool try_named_lock(void* lock) {
    int result;
    do {
        result = ::sem_trywait(as_sem(lock));
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

void release_named_lock(void* lock) {
    ::sem_post(as_sem(lock));
}

} // namespace lib::os
