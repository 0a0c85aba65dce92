#include <gtest/gtest.h>

#include "library/Locale.h"

int main(int argc, char** argv) {
    // Every test sees the Russian conventions, whatever the machine's locale.
    lib::Locale::set(lib::Locale::russian());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
