#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "library/Codepage.h"
#include "library/Inifile.h"
#include "library/Scratch_dir.h"

namespace {

std::string text_of(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::vector<std::uint8_t> bytes_of(const std::string& text) {
    return {text.begin(), text.end()};
}

} // namespace

TEST(IniFile, ReadsNamesWithoutRegardToCaseAndStripsOneQuotePair) {
    // [Настройки]\r\nПорт = "COM2" \nИмя=""x""\n  пусто =\r\n[Other]\nKey=1
    // in Windows-1251, mixed line ends and no final newline.
    const std::string bytes = "[\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8]\r\n"
                              "\xCF\xEE\xF0\xF2 = \"COM2\" \n"
                              "\xC8\xEC\xFF=\"\"x\"\"\n"
                              "  \xEF\xF3\xF1\xF2\xEE =\r\n"
                              "[Other]\nKey=1";
    lib::ini_file ini;
    ini.parse(bytes);
    EXPECT_EQ(ini.read("НАСТРОЙКИ", "порт"), "COM2");
    EXPECT_EQ(ini.read("настройки", "ИМЯ"), "\"x\"");
    EXPECT_EQ(ini.read("Настройки", "пусто"), "");
    EXPECT_EQ(ini.read("other", "KEY"), "1");
    EXPECT_FALSE(ini.read("other", "Порт"));
    EXPECT_FALSE(ini.read("нет", "Порт"));
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"Настройки", "Other"}));
    EXPECT_EQ(ini.keys("НАСТРОЙКИ"), (std::vector<std::string>{"Порт", "Имя", "пусто"}));
}

TEST(IniFile, QuotesAndSpacesOfValues) {
    lib::ini_file ini;
    ini.parse("[s]\r\nspaces=\"  \"\r\nhalf=\"open\r\nsingle=\"\r\ninner=a \"b\" c\r\n"
              "eq=a=b\r\n");
    EXPECT_EQ(ini.read("s", "spaces"), "  ");
    EXPECT_EQ(ini.read("s", "half"), "\"open");
    EXPECT_EQ(ini.read("s", "single"), "\"");
    EXPECT_EQ(ini.read("s", "inner"), "a \"b\" c");
    EXPECT_EQ(ini.read("s", "eq"), "a=b");
}

TEST(IniFile, FirstSectionAndFirstKeyWin) {
    lib::ini_file ini;
    ini.parse("orphan=1\r\n;comment=2\r\n[a]\r\nk=first\r\nK=second\r\n[A]\r\nk=third\r\n"
              "x=only in second\r\n");
    EXPECT_FALSE(ini.read("", "orphan"));
    EXPECT_FALSE(ini.read("a", ";comment"));
    EXPECT_EQ(ini.read("a", "k"), "first");
    EXPECT_FALSE(ini.read("a", "x"));
}

TEST(IniFile, RewriteKeepsEverythingElseInPlace) {
    lib::ini_file ini;
    ini.parse(lib::to_cp1251("; settings\r\n[Раздел]\r\nАльфа=1\r\n; note\r\nБета = \"old\"\r\n\r\n"
                             "[Second]\r\nx=1\r\n"));
    ini.write("РАЗДЕЛ", "бета", "\"new\"");
    ini.write("раздел", "Гамма", "3");
    ini.write("second", "y", "2");
    ini.write("Третий", "z", "  padded  ");

    const std::string expected = "; settings\r\n"
                                 "[\xD0\xE0\xE7\xE4\xE5\xEB]\r\n"
                                 "\xC0\xEB\xFC\xF4\xE0=1\r\n"
                                 "; note\r\n"
                                 "\xC1\xE5\xF2\xE0=\"new\"\r\n"
                                 "\xC3\xE0\xEC\xEC\xE0=3\r\n"
                                 "\r\n"
                                 "[Second]\r\n"
                                 "x=1\r\n"
                                 "y=2\r\n"
                                 "[\xD2\xF0\xE5\xF2\xE8\xE9]\r\n"
                                 "z=  padded  \r\n";
    EXPECT_EQ(ini.serialize(), expected);
    EXPECT_EQ(ini.read("третий", "Z"), "padded");
}

TEST(IniFile, LineBreaksInWrittenTextsCannotForgeEntries) {
    lib::ini_file ini;
    ini.write("s", "k", "value\r\n[evil]\nk=forged");
    EXPECT_EQ(ini.serialize(), "[s]\r\nk=value  [evil] k=forged\r\n");
    lib::ini_file back;
    back.parse(ini.serialize());
    EXPECT_EQ(back.sections(), std::vector<std::string>{"s"});
}

TEST(IniFile, DamagedInputLoadsWhatItCan) {
    std::string bytes;
    bytes += std::string(1 << 20, 'x'); // one very long line without "="
    bytes += "\n[broken\nk=in broken\n";
    bytes += std::string("bin\0\x01\xFF=v\0al\n", 13);
    bytes += "=no key\n[]\n]\n[[x]]\n";
    bytes += "[good]\r\nkey=\"value\"";
    lib::ini_file ini;
    ini.parse(bytes);
    EXPECT_EQ(ini.read("broken", "k"), "in broken");
    EXPECT_EQ(ini.read("broken", std::string("bin\0\x01\xD1\x8F", 7)), std::string("v\0al", 4));
    EXPECT_EQ(ini.read("good", "key"), "value");
    // Untouched lines go back out as they came in (apart from line ends).
    lib::ini_file again;
    again.parse(ini.serialize());
    EXPECT_EQ(again.serialize(), ini.serialize());
    EXPECT_EQ(again.read("good", "key"), "value");
}

TEST(IniFile, EmptyAndBlankInputs) {
    for (const char* bytes : {"", "\n", "\r\n\r\n", "   ", "["}) {
        lib::ini_file ini;
        ini.parse(bytes);
        EXPECT_FALSE(ini.read("", ""));
        ini.write("a", "b", "c");
        EXPECT_EQ(ini.read("a", "b"), "c");
    }
}

TEST(IniFile, LoadAndSaveFiles) {
    ScratchDir dir;
    const std::string path = dir.file("Vornell.ini");

    lib::ini_file missing;
    EXPECT_TRUE(missing.load(path));
    EXPECT_TRUE(missing.sections().empty());
    missing.write("HardWare", "name", "\"COM1\"");
    ASSERT_TRUE(missing.save());
    EXPECT_EQ(text_of(get_bytes(path)), "[HardWare]\r\nname=\"COM1\"\r\n");

    put_bytes(path, bytes_of("[HardWare]\nname=COM3\n[Keep]\nme=1\n"));
    lib::ini_file ini;
    ASSERT_TRUE(ini.load(path));
    EXPECT_EQ(ini.read("hardware", "NAME"), "COM3");
    ini.write("HARDWARE", "name", "\"COM4\"");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(text_of(get_bytes(path)), "[HardWare]\r\nname=\"COM4\"\r\n[Keep]\r\nme=1\r\n");

    // No temporary file is left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST(IniFile, UnusableFilesAreNotOverwritten) {
    ScratchDir dir;
    using problem = lib::ini_file::problem;
    lib::ini_file ini;
    EXPECT_FALSE(ini.load(dir.path().string())); // a directory
    EXPECT_FALSE(ini.save());
    EXPECT_EQ(ini.last_problem(), problem::folder);

    lib::ini_file nowhere;
    nowhere.write("a", "b", "c");
    EXPECT_FALSE(nowhere.save(dir.file("no/such/dir/x.ini")));
    EXPECT_EQ(nowhere.last_problem(), problem::unwritable);
    EXPECT_NE(nowhere.problem_text().find("нет такой папки"), std::string::npos);

    // A file beyond the size limit is read up to it and then never written back.
    const std::string huge = dir.file("huge.ini");
    put_bytes(huge, bytes_of("[a]\r\nb=1\r\n"));
    std::filesystem::resize_file(huge, lib::ini_file::max_file_size + 10);
    lib::ini_file big;
    ASSERT_TRUE(big.load(huge));
    EXPECT_TRUE(big.truncated());
    EXPECT_EQ(big.read("a", "b"), "1");
    big.write("a", "b", "2");
    EXPECT_FALSE(big.save());
    EXPECT_EQ(big.last_problem(), problem::too_large);
    EXPECT_EQ(std::filesystem::file_size(huge), lib::ini_file::max_file_size + 10);
}
