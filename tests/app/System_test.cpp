#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "app/System.h"
#include "library/Scratch_dir.h"
#include "params/Grformoptions.h"

namespace {

TEST(RegSystem, WritesThePortNameQuotedBeforeTheGraphOptionsAndReadsItBack) {
    ScratchDir dir;
    const std::string path = dir.file("Vornell.ini");
    auto& system = detailed::RegSystem::instance();
    EXPECT_EQ(&system, &detailed::RegSystem::instance());
    device::HardWare& hw = system.hardware();
    const std::string kept = hw.name;

    hw.name = "COM1";
    system.save_settings(path);
    GrFormOptions().save_to_file(path);
    EXPECT_EQ(file_text(path), "[HardWare]\r\nname=\"COM1\"\r\n[GrFormOptions]\r\nleft=0\r\n"
                               "right=200\r\ncolor=16711680\r\nscale=3\r\n");

    std::ofstream(path, std::ios::binary) << "[hardware]\r\nNAME=\" com3 \"\r\n";
    system.load_settings(path);
    EXPECT_EQ(hw.name, " com3 ");
    std::ofstream(path, std::ios::binary) << "[HardWare]\r\nname=127.0.0.1:22002\r\n";
    system.load_settings(path);
    EXPECT_EQ(hw.name, "127.0.0.1:22002");
    system.load_settings(dir.file("missing.ini"));
    EXPECT_EQ(hw.name, "127.0.0.1:22002");
    hw.name = kept;
}

} // namespace
