#pragma once
// lock_object, a lock either in-process (a mutex) or system-wide (a named semaphore), and
// Locker, which holds one for a scope.
#include <memory>
#include <mutex>
#include <string>

namespace lib {

class lock_object {
public:
    lock_object();                                 // in-process
    explicit lock_object(const std::string& name); // system-wide; raises an error with "lo_mutex"
    ~lock_object();
    lock_object(const lock_object&) = delete;
    lock_object& operator=(const lock_object&) = delete;

    void lock();
    void unlock();
    bool try_lock();
    bool system_wide() const { return sem_ != nullptr; }

private:
    std::mutex mutex_;
    void* sem_ = nullptr; // sem_t* or a HANDLE
};

class Locker {
public:
    explicit Locker(lock_object& lock) : lock_(lock) { lock_.lock(); }
    ~Locker() { lock_.unlock(); }
    Locker(const Locker&) = delete;
    Locker& operator=(const Locker&) = delete;

private:
    lock_object& lock_;
};

} // namespace lib
