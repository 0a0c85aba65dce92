#include "library/lock_object.h"

#include <stdexcept>

#include "library/lock_object_os.h"

namespace lib {

lock_object::lock_object() = default;

lock_object::lock_object(const std::string& name) {
    // "/name" and "name" are the same lock; a slash further in names none.
    const std::string bare = name.starts_with('/') ? name.substr(1) : name;
    std::string error = "a slash inside the name";
    if (bare.find_first_of("/\\") == std::string::npos)
        sem_ = os::open_named_lock(bare, error);
    if (!sem_)
        throw std::runtime_error("lo_mutex: cannot create or open \"" + name + "\": " + error);
}

lock_object::~lock_object() {
    // The name stays for other processes. A holder killed while holding leaves it taken; the
    // program only opens its named lock and never waits on it, so that does no harm.
    if (sem_)
        os::close_named_lock(sem_);
}

void lock_object::lock() {
    if (!sem_)
        mutex_.lock();
    else if (!os::wait_named_lock(sem_))
        throw std::runtime_error("lo_mutex: wait failed");
}

void lock_object::unlock() {
    if (sem_)
        os::release_named_lock(sem_);
    else
        mutex_.unlock();
}

bool lock_object::try_lock() {
    return sem_ ? os::try_named_lock(sem_) : mutex_.try_lock();
}

} // namespace lib
