#include <gtest/gtest.h>

#include <string>

#include "app/System.h"
#include "library/Scratch_dir.h"

namespace {

TEST(RegSystem, Placeholder) {
    ScratchDir dir;
    detailed::RegSystem system(dir.file("Vornell.ini"));
    EXPECT_EQ(system.hardware().name, "COM1");
}

} // namespace
