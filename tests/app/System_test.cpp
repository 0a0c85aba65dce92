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

TEST(RegSystem, AFirstStartWritesThePortAndGraphSectionsFirstAndEverySectionReadsBack) {
    ScratchDir dir;
    const std::string path = dir.file("Vornell.ini");
    {
        detailed::RegSystem system(path);
        EXPECT_EQ(system.hardware().name, "COM1");
        EXPECT_EQ(system.save_settings(), "");
    }
    EXPECT_EQ(file_text(path), "[HardWare]\r\nname=\"COM1\"\r\n[GrFormOptions]\r\nleft=0\r\n"
                               "right=200\r\ncolor=16711680\r\nscale=3\r\n[MainForm]\r\nleft=0\r\n"
                               "top=0\r\nwidth=0\r\nheight=0\r\nmaximized=0\r\npage=0\r\n");

    // Windows-1251 on disk: "[Мои]" and a comment of another program stay where they are.
    std::ofstream(path, std::ios::binary)
        << "; \xEC\xEE\xE9\r\n[hardware]\r\nNAME=\" com3 \"\r\n[GrFormOptions]\r\nright=150\r\n"
           "[\xCC\xEE\xE8]\r\nk=v\r\n[RecentFiles]\r\nfile1=\"/data/a.realtim\"\r\n"
           "[MainForm]\r\nleft=-20\r\nwidth=900\r\nheight=600\r\nmaximized=1\r\npage=1\r\n"
           "[Folders]\r\ndata=\"/data\"\r\n";
    detailed::RegSystem system(path);
    EXPECT_EQ(system.hardware().name, " com3 ");
    EXPECT_EQ(system.graph_options().right, 150);
    EXPECT_EQ(system.graph_options().scale, 3);
    EXPECT_EQ(system.recent_files().files(), std::vector<std::string>{"/data/a.realtim"});
    const WindowState& w = system.window_state();
    EXPECT_EQ(std::vector<int>({w.left, w.top, w.width, w.height, w.maximized, w.page}),
              std::vector<int>({-20, 0, 900, 600, 1, 1}));
    EXPECT_EQ(system.last_folder().path, "/data");

    system.hardware().name = "127.0.0.1:22002";
    system.last_folder().path = "/data/new";
    EXPECT_EQ(system.save_settings(), "");
    EXPECT_EQ(file_text(path),
              "; \xEC\xEE\xE9\r\n[hardware]\r\nNAME=\"127.0.0.1:22002\"\r\n[GrFormOptions]\r\n"
              "right=150\r\nleft=0\r\ncolor=16711680\r\nscale=3\r\n[\xCC\xEE\xE8]\r\nk=v\r\n"
              "[RecentFiles]\r\nfile1=\"/data/a.realtim\"\r\nfile2=\"\"\r\nfile3=\"\"\r\n"
              "file4=\"\"\r\nfile5=\"\"\r\nfile6=\"\"\r\nfile7=\"\"\r\nfile8=\"\"\r\n"
              "[MainForm]\r\nleft=-20\r\nwidth=900\r\nheight=600\r\nmaximized=1\r\npage=1\r\n"
              "top=0\r\n[Folders]\r\ndata=\"/data/new\"\r\n");
}

TEST(RegSystem, ALargeFileIsKeptWholeAndWhatCannotBeWrittenSaysWhy) {
    ScratchDir dir;
    // 2 MiB of another program's lines before the port: read and written like any other file.
    const std::string large = dir.file("large.ini");
    {
        std::ofstream out(large, std::ios::binary);
        out << "[Other]\r\n";
        for (int i = 0; out.tellp() < (2 << 20); ++i)
            out << "key" << i << "=" << std::string(40, 'x') << "\r\n";
        out << "[HardWare]\r\nname=\"COM4\"\r\n";
    }
    const auto large_size = fs::file_size(large);
    {
        detailed::RegSystem system(large);
        EXPECT_EQ(system.hardware().name, "COM4");
        system.hardware().name = "COM5";
        EXPECT_EQ(system.save_settings(), "");
    }
    const std::string text = file_text(large);
    EXPECT_EQ(text.find("[Other]\r\nkey0="), 0u);
    EXPECT_NE(text.find("[HardWare]\r\nname=\"COM5\"\r\n"), std::string::npos);
    EXPECT_GT(text.size(), large_size);

    // A folder, a pipe or a file beyond any settings file's size in its place: nothing is
    // written over it, and the reason comes back.
    const std::string folder = dir.file("folder.ini");
    fs::create_directory(folder);
    const std::string fifo = dir.file("fifo.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = dir.file("huge.ini");
    std::ofstream(huge, std::ios::binary) << "[HardWare]\r\nname=\"COM6\"\r\n";
    fs::resize_file(huge, lib::ini_file::max_file_size + 1);
    for (const std::string& path : {folder, fifo, huge, dir.file("no/such/folder/Vornell.ini")}) {
        detailed::RegSystem system(path);
        system.hardware().name = "COM9";
        EXPECT_NE(system.save_settings(), "") << path;
    }
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(fs::file_size(huge), lib::ini_file::max_file_size + 1);
    EXPECT_FALSE(fs::exists(dir.file("no")));
}

} // namespace

TEST(SettingsPath, BesideAWritableProgramOutsideTheSystemFolders) {
    const struct {
        const char* dir;
        bool writable, beside;
    } cases[] = {{"/home/op/vornell", true, true}, {"/home/op/vornell", false, false},
                 {"/usr/bin", true, false},        {"/usr/local/bin/", true, false},
                 {"/bin", true, false},            {"/usrdata/vornell", true, true}};
    for (const auto& c : cases)
        EXPECT_EQ(settings_beside_program(c.dir, c.writable), c.beside) << c.dir;
}
