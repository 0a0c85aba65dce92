#include <gtest/gtest.h>

#include <cstdlib>

#include "library/Locale.h"

int main(int argc, char** argv) {
    // Every test sees the Russian conventions, whatever the machine's locale.
    lib::Locale::set(lib::Locale::russian());
#ifdef VORNELL_PINNED_FONTS
    // And the pinned fonts, also when the program is run by hand rather than by CTest.
    setenv("FONTCONFIG_FILE", VORNELL_PINNED_FONTS, 0);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
