#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/Application.h"
#include "app/System.h"
#include "library/Scratch_dir.h"

namespace fs = std::filesystem;

namespace {

TEST(RegSystem, WritesThePortAndGraphSectionsFirstAndKeepsWhatElseTheFileHolds) {
    ScratchDir dir;
    const std::string path = dir.file("Vornell.ini");
    {
        detailed::RegSystem system(path);
        EXPECT_EQ(system.link().name, "COM1");
        EXPECT_EQ(system.save_settings(), "");
    }
    EXPECT_EQ(file_text(path).find(
                  "[HardWare]\r\nname=\"COM1\"\r\n[GrFormOptions]\r\nleft=0\r\n"
                  "right=200\r\ncolor=16711680\r\nscale=3\r\nevents=1\r\n[MainForm]\r\n"),
              0u);

    // Windows-1251 on disk: a comment and a section "[Мои]" of another program stay in place.
    std::ofstream(path, std::ios::binary)
        << "; \xEC\xEE\xE9\r\n[hardware]\r\nNAME=\" com3 \"\r\n[\xCC\xEE\xE8]\r\nk=v\r\n";
    detailed::RegSystem system(path);
    EXPECT_EQ(system.link().name, " com3 ");
    system.link().name = "127.0.0.1:22002";
    EXPECT_EQ(system.save_settings(), "");
    EXPECT_EQ(file_text(path).find("; \xEC\xEE\xE9\r\n[hardware]\r\nNAME=\"127.0.0.1:22002\"\r\n"
                                   "[\xCC\xEE\xE8]\r\nk=v\r\n[GrFormOptions]\r\n"),
              0u);

    // 2 MiB of another program's lines before the port.
    const std::string large = dir.file("large.ini");
    std::string other = "[Other]\r\n";
    for (int i = 0; other.size() < (2u << 20); ++i)
        other += "key" + std::to_string(i) + "=" + std::string(40, 'x') + "\r\n";
    std::ofstream(large, std::ios::binary) << other << "[HardWare]\r\nname=\"COM4\"\r\n";
    {
        detailed::RegSystem system(large);
        EXPECT_EQ(system.link().name, "COM4");
        system.link().name = "COM5";
        EXPECT_EQ(system.save_settings(), "");
    }
    EXPECT_EQ(file_text(large).find(other + "[HardWare]\r\nname=\"COM5\"\r\n"), 0u);

    // Opened as a file, a pipe without a writer would hold the start for ever.
    const std::string fifo = dir.file("fifo.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    detailed::RegSystem pipe(fifo);
    EXPECT_NE(pipe.save_settings(), "");
    EXPECT_TRUE(fs::is_fifo(fifo));
}

// A rename would go around the permission: a settings file made read-only stays as it is.
TEST(RegSystem, AReadOnlySettingsFileIsNotReplacedAndSaysWhy) {
    ScratchDir dir;
    const std::string path = dir.file("Vornell.ini");
    std::ofstream(path, std::ios::binary) << "[HardWare]\r\nname=\"COM2\"\r\n";
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    detailed::RegSystem system(path);
    system.link().name = "COM3";
    EXPECT_NE(system.save_settings().find("только для чтения"), std::string::npos);
    EXPECT_EQ(file_text(path), "[HardWare]\r\nname=\"COM2\"\r\n");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"Vornell.ini"});
}

} // namespace

TEST(SettingsPath, BesideAWritableProgramOutsideTheSystemFolders) {
    EXPECT_TRUE(settings_beside_program("/home/op/vornell", true));
    EXPECT_TRUE(settings_beside_program("/usrdata/vornell", true));
    EXPECT_FALSE(settings_beside_program("/home/op/vornell", false));
    for (const char* system : {"/usr/bin", "/usr/local/bin/", "/bin"})
        EXPECT_FALSE(settings_beside_program(system, true)) << system;
}
