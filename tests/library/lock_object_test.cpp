#include "library/lock_object.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stdexcept>
#include <string>

#ifndef _WIN32
#include <semaphore.h>
#include <unistd.h>
#endif

#include "library/array.h"

namespace {

// Asks from another thread, since a std::mutex may not be tried by its own holder.
bool free_elsewhere(lib::lock_object& lock) {
    return std::async(std::launch::async,
                      [&] {
                          const bool got = lock.try_lock();
                          if (got)
                              lock.unlock();
                          return got;
                      })
        .get();
}

class SystemLock : public ::testing::Test {
protected:
    const std::string name =
        "vornell_test_lock_" +
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
#ifndef _WIN32
    // A POSIX semaphore outlives its handles; remove it so test runs leave nothing behind.
    void TearDown() override {
        ::sem_unlink(("/" + name + "." + std::to_string(::getuid())).c_str());
    }
#endif
};

std::string construction_error(const std::string& name) {
    try {
        lib::lock_object lock(name);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(InProcessLock, LockerHoldsForItsScope) {
    lib::lock_object lock;
    EXPECT_FALSE(lock.system_wide());
    {
        lib::Locker held(lock);
        EXPECT_FALSE(free_elsewhere(lock));
    }
    EXPECT_TRUE(free_elsewhere(lock));
    ASSERT_TRUE(lock.try_lock());
    EXPECT_FALSE(free_elsewhere(lock));
    lock.unlock();
}

TEST_F(SystemLock, HandlesOfOneNameShareTheLock) {
    lib::lock_object first(name), second("/" + name);
    EXPECT_TRUE(first.system_wide());
    {
        lib::Locker held(first);
        EXPECT_FALSE(second.try_lock());
        EXPECT_FALSE(first.try_lock());
    }
    ASSERT_TRUE(second.try_lock());
    EXPECT_FALSE(first.try_lock());
    second.unlock();

    // A later handle opens the existing lock instead of making a fresh one.
    lib::Locker held(first);
    lib::lock_object third(name);
    EXPECT_FALSE(third.try_lock());
}

TEST_F(SystemLock, UnusableNameFailsConstruction) {
    EXPECT_NE(construction_error("no/slashes/inside").find("lo_mutex"), std::string::npos);
    EXPECT_NE(construction_error(std::string(300, 'n')).find("lo_mutex"), std::string::npos);
}

TEST(Array, IndexOutsideTheBoundsIsARangeError) {
    lib::array<int, 3> items;
    items.fill(4);
    items[2] = 9;
    EXPECT_EQ(items[0] + items[2], 13);
    const auto& view = items;
    EXPECT_EQ(view[2], 9);
    for (std::ptrdiff_t bad : {-1, 3, 1000}) {
        try {
            items[bad] = 0;
            ADD_FAILURE() << "index " << bad << " accepted";
        } catch (const std::out_of_range& e) {
            EXPECT_STREQ(e.what(), "array::operator[]");
        }
        EXPECT_THROW(view[bad], std::out_of_range);
    }
}
