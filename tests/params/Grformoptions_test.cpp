#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "library/Scratch_dir.h"
#include "params/Grformoptions.h"

namespace {

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(GrFormOptions, DefaultsAreWrittenAsTheFiveKeysOfTheirSection) {
    ScratchDir dir;
    const std::string path = dir.file("Vornell.ini");
    GrFormOptions options;
    ASSERT_TRUE(options.save_to_file(path));
    EXPECT_EQ(file_text(path), "[GrFormOptions]\r\nleft=0\r\nright=200\r\ncolor=16711680\r\n"
                               "scale=3\r\nevents=1\r\n");
}

TEST(GrFormOptions, ReadsBackWhatItWroteAndKeepsValuesOfMissingOrUnreadableKeys) {
    ScratchDir dir;
    const std::string path = dir.file("Vornell.ini");
    GrFormOptions written;
    written.left = -12.5;
    written.right = 1500;
    written.color = 0x0000FF;
    written.scale = 6;
    written.events = 0;
    ASSERT_TRUE(written.save_to_file(path));
    GrFormOptions read;
    ASSERT_TRUE(read.load_from_file(path));
    EXPECT_DOUBLE_EQ(read.left, -12.5);
    EXPECT_DOUBLE_EQ(read.right, 1500);
    EXPECT_EQ(read.color, 0x0000FFu);
    EXPECT_EQ(read.scale, 6);
    EXPECT_EQ(read.events, 0);

    // A point is not the Russian separator: "right" stays at its default.
    write_file(path, "[grformoptions]\r\nright=250.5\r\ncolor=$FF00\r\n");
    GrFormOptions partial;
    ASSERT_TRUE(partial.load_from_file(path));
    EXPECT_DOUBLE_EQ(partial.left, 0);
    EXPECT_DOUBLE_EQ(partial.right, 200);
    EXPECT_EQ(partial.color, 0xFF00u);
    EXPECT_EQ(partial.scale, 3);
    EXPECT_EQ(partial.events, 1);
}

TEST(GrFormOptions, ARangeWhoseLeftIsNotBelowItsRightReadsAsTheDefaultRange) {
    ScratchDir dir;
    const std::string path = dir.file("Vornell.ini");
    const struct {
        const char* lines;
        double left, right;
    } cases[] = {
        {"left=150\r\nright=140\r\n", 0, 200},
        {"left=5\r\nright=5\r\n", 0, 200},
        {"left=250\r\n", 0, 200}, // over the default right
        {"left=150\r\n", 150, 200},
        {"left=-5\r\nright=-1,5\r\n", -5, -1.5},
    };
    for (const auto& c : cases) {
        write_file(path, std::string("[GrFormOptions]\r\n") + c.lines + "scale=6\r\n");
        GrFormOptions read;
        ASSERT_TRUE(read.load_from_file(path));
        EXPECT_DOUBLE_EQ(read.left, c.left) << c.lines;
        EXPECT_DOUBLE_EQ(read.right, c.right) << c.lines;
        EXPECT_EQ(read.scale, 6) << "the other keys are read as they are";
    }
}

} // namespace
