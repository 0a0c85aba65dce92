#include "library/lock_object.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <semaphore.h>
#include <unistd.h>

namespace lib {

namespace {

sem_t* as_sem(void* sem) {
    return static_cast<sem_t*>(sem);
}

// Scoped per user, as a session-local named mutex would be: another user's semaphore of the
// same name (created with that user's permissions) must not stop this user's program.
std::string semaphore_name(const std::string& name) {
    std::string full = name.starts_with('/') ? name : "/" + name;
    return full + "." + std::to_string(::getuid());
}

} // namespace

lock_object::lock_object() = default;

lock_object::lock_object(const std::string& name) {
    const std::string full = semaphore_name(name);
    sem_t* sem = ::sem_open(full.c_str(), O_CREAT, 0600, 1u);
    if (sem == SEM_FAILED) {
        throw std::runtime_error("lo_mutex: cannot create or open \"" + full +
                                 "\": " + std::strerror(errno));
    }
    sem_ = sem;
}

lock_object::~lock_object() {
    // The name stays for other processes. A holder killed while holding leaves it taken; the
    // program only opens its named lock and never waits on it, so that does no harm.
    if (sem_)
        ::sem_close(as_sem(sem_));
}

void lock_object::lock() {
    if (!sem_) {
        mutex_.lock();
        return;
    }
    while (::sem_wait(as_sem(sem_)) != 0) {
        if (errno != EINTR)
            throw std::runtime_error("lo_mutex: wait failed");
    }
}

void lock_object::unlock() {
    if (sem_)
        ::sem_post(as_sem(sem_));
    else
        mutex_.unlock();
}

bool lock_object::try_lock() {
    if (!sem_)
        return mutex_.try_lock();
    int result;
    do {
        result = ::sem_trywait(as_sem(sem_));
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

} // namespace lib
