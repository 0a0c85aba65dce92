#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "library/Inioptions.h"
#include "library/Locale.h"
#include "library/Scratch_dir.h"

namespace {

std::string text_of(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::vector<std::uint8_t> bytes_of(const std::string& text) {
    return {text.begin(), text.end()};
}

struct Settings : lib::ini_options {
    std::string name = "COM1";
    double left = 0;
    double right = 200;
    std::uint32_t color = 16711680;
    std::int32_t scale = 3;
    std::uint32_t stamp = 4294967295u;

    void describe_ini(lib::ini_options_elements& e) override {
        e.add_string(name, "HardWare", "name");
        e.add_double(left, "GrFormOptions", "left");
        e.add_double(right, "GrFormOptions", "right");
        e.add_color(color, "GrFormOptions", "color");
        e.add_int(scale, "GrFormOptions", "scale");
        e.add_unsigned(stamp, "Время", "метка");
    }
};

// Throws on every access, standing for one broken entry in the middle of a pass.
struct Broken : lib::opt_detailed::ioe_base {
    Broken() : ioe_base("x", "y") {}
    void write(lib::ini_file&) const override { throw std::runtime_error("write"); }
    void read(const lib::ini_file&) override { throw std::runtime_error("read"); }
};

struct WithBroken : lib::ini_options {
    std::int32_t a = 1;
    std::int32_t b = 2;
    void describe_ini(lib::ini_options_elements& e) override {
        e.add_int(a, "s", "a");
        e.add(std::make_unique<Broken>());
        e.add_int(b, "s", "b");
    }
};

// Restores the Russian conventions however the test ends.
struct LocaleGuard {
    ~LocaleGuard() { lib::Locale::set(lib::Locale::russian()); }
};

} // namespace

TEST(IniOptions, DoubleTexts) {
    using lib::opt_detailed::double_to_ini_text;
    using lib::opt_detailed::ini_text_to_double;
    EXPECT_EQ(double_to_ini_text(0), "0");
    EXPECT_EQ(double_to_ini_text(200), "200");
    EXPECT_EQ(double_to_ini_text(-12.5), "-12,5");
    EXPECT_EQ(double_to_ini_text(0.1), "0,1");
    EXPECT_EQ(double_to_ini_text(1.0 / 3), "0,333333333333333");
    EXPECT_EQ(double_to_ini_text(123456789.125), "123456789,125");

    EXPECT_EQ(ini_text_to_double("12,5"), 12.5);
    EXPECT_EQ(ini_text_to_double(" -0,25 "), -0.25);
    EXPECT_EQ(ini_text_to_double("200"), 200.0);
    EXPECT_EQ(ini_text_to_double("1e+20"), 1e20);
    for (const char* bad : {"12.5", "", "abc", "12,5 м", "1,2,3", "nan", "inf", "1e999"})
        EXPECT_FALSE(ini_text_to_double(bad)) << bad;

    LocaleGuard guard;
    lib::Locale point = lib::Locale::russian();
    point.decimal_separator = ".";
    lib::Locale::set(point);
    EXPECT_EQ(double_to_ini_text(-12.5), "-12.5");
    EXPECT_EQ(ini_text_to_double("12.5"), 12.5);
    EXPECT_FALSE(ini_text_to_double("12,5"));
}

TEST(IniOptions, DefaultsWrittenToANewFile) {
    ScratchDir dir;
    const std::string path = dir.file("Vornell.ini");
    Settings s;
    ASSERT_TRUE(s.save_to_file(path));
    EXPECT_EQ(s.last_file(), path);
    // [HardWare] name="COM1"; [GrFormOptions] ...; [Время] метка=-1 in Windows-1251.
    EXPECT_EQ(text_of(get_bytes(path)), "[HardWare]\r\nname=\"COM1\"\r\n"
                                        "[GrFormOptions]\r\nleft=0\r\nright=200\r\n"
                                        "color=16711680\r\nscale=3\r\n"
                                        "[\xC2\xF0\xE5\xEC\xFF]\r\n\xEC\xE5\xF2\xEA\xE0=-1\r\n");
}

TEST(IniOptions, SaveAndLoadRoundTrip) {
    ScratchDir dir;
    const std::string path = dir.file("a.ini");
    Settings out;
    out.name = "  /dev/ttyUSB0 ";
    out.left = -10.75;
    out.right = 1234.5;
    out.color = 0xFF00FF00u;
    out.scale = -3;
    out.stamp = 3000000000u;
    ASSERT_TRUE(out.save_to_file(path));

    Settings in;
    ASSERT_TRUE(in.load_from_file(path));
    EXPECT_EQ(in.name, "  /dev/ttyUSB0 ");
    EXPECT_EQ(in.left, -10.75);
    EXPECT_EQ(in.right, 1234.5);
    EXPECT_EQ(in.color, 0xFF00FF00u);
    EXPECT_EQ(in.scale, -3);
    EXPECT_EQ(in.stamp, 3000000000u);
}

TEST(IniOptions, LoadingKeepsWhatTheFileDoesNotSay) {
    ScratchDir dir;
    const std::string path = dir.file("b.ini");
    put_bytes(path, bytes_of("[hardware]\nNAME = COM7 \n[GrFormOptions]\nleft=1.5\n"
                             "right=abc\ncolor=$FF\nscale=0x10\n"));
    Settings s;
    ASSERT_TRUE(s.load_from_file(path));
    EXPECT_EQ(s.name, "COM7"); // no quotes: read the same, trimmed
    EXPECT_EQ(s.left, 0.0);    // a point in a comma locale is unreadable
    EXPECT_EQ(s.right, 200.0);
    EXPECT_EQ(s.color, 255u);
    EXPECT_EQ(s.scale, 16);
    EXPECT_EQ(s.stamp, 4294967295u); // missing section

    put_bytes(path, bytes_of("[GrFormOptions]\nscale=3x\ncolor=\n[HardWare]\nname=\"\"\n"));
    ASSERT_TRUE(s.load_from_file(path));
    EXPECT_EQ(s.scale, 16);
    EXPECT_EQ(s.color, 255u);
    EXPECT_EQ(s.name, "");
}

TEST(IniOptions, SavingKeepsOtherSectionsOfTheFile) {
    ScratchDir dir;
    const std::string path = dir.file("c.ini");
    put_bytes(path, bytes_of("; mine\r\n[Other]\r\nk=v\r\n[GRFORMOPTIONS]\r\nscale=9\r\n"));
    Settings s;
    ASSERT_TRUE(s.save_to_file(path));
    EXPECT_EQ(text_of(get_bytes(path)),
              "; mine\r\n[Other]\r\nk=v\r\n[GRFORMOPTIONS]\r\nscale=3\r\nleft=0\r\nright=200\r\n"
              "color=16711680\r\n[HardWare]\r\nname=\"COM1\"\r\n"
              "[\xC2\xF0\xE5\xEC\xFF]\r\n\xEC\xE5\xF2\xEA\xE0=-1\r\n");
}

TEST(IniOptions, EmptyPathsDoNothing) {
    ScratchDir dir;
    Settings s;
    s.name = "changed";
    EXPECT_FALSE(s.save_to_file(""));
    EXPECT_FALSE(s.load_from_file("  \t"));
    EXPECT_EQ(s.last_file(), "");
    EXPECT_EQ(s.name, "changed");

    // A missing file loads as empty: nothing changes, nothing is created.
    const std::string missing = dir.file("none.ini");
    EXPECT_TRUE(s.load_from_file(missing));
    EXPECT_EQ(s.name, "changed");
    EXPECT_FALSE(std::filesystem::exists(missing));
    // An unreadable target is not overwritten.
    EXPECT_FALSE(s.save_to_file(dir.path().string()));
}

TEST(IniOptions, OneFailingEntryDoesNotStopThePass) {
    lib::ini_file file;
    WithBroken w;
    w.a = 10;
    w.b = 20;
    w.save(file);
    EXPECT_EQ(file.read("s", "a"), "10");
    EXPECT_EQ(file.read("s", "b"), "20");

    WithBroken back;
    back.load(file);
    EXPECT_EQ(back.a, 10);
    EXPECT_EQ(back.b, 20);
}
