#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "formats/Formats.h"
#include "formats/Legacy_file.h"
#include "library/Binary_io.h"
#include "library/Fileworks.h"
#include "library/Scratch_dir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes zeros(std::size_t n) {
    return Bytes(n, 0);
}

// Little-endian images of the floats the tests use.
const Bytes f_0 = {0x00, 0x00, 0x00, 0x00};
const Bytes f_1_5 = {0x00, 0x00, 0xC0, 0x3F};
const Bytes f_2_5 = {0x00, 0x00, 0x20, 0x40};
const Bytes f_12_5 = {0x00, 0x00, 0x48, 0x41};
const Bytes f_100 = {0x00, 0x00, 0xC8, 0x42};
const Bytes f_250 = {0x00, 0x00, 0x7A, 0x43};
const Bytes f_minus_1 = {0x00, 0x00, 0x80, 0xBF};
const Bytes f_nan = {0x00, 0x00, 0xC0, 0x7F};

// Windows-1251 texts with their 0 byte.
const Bytes ves_na_kryuke = {0xC2, 0xE5, 0xF1, 0x20, 0xED, 0xE0, 0x20,
                             0xEA, 0xF0, 0xFE, 0xEA, 0xE5, 0x00}; // Вес на крюке
const Bytes w_kr = {0x57, 0x20, 0xEA, 0xF0, 0x2E, 0x00};          // W кр.
const Bytes tonne = {0xF2, 0x00};                                 // т
const Bytes ves_ident = {0xE2, 0xE5, 0xF1, 0x5F, 0xED, 0xE0, 0x5F,
                         0xEA, 0xF0, 0xFE, 0xEA, 0xE5, 0x00}; // вес_на_крюке
const Bytes depth_name = {'D', 'e', 'p', 't', 'h', 0};
const Bytes depth_short = {'D', 0};
const Bytes metre = {0xEC, 0x00}; // м
const Bytes depth_ident = {'d', 'e', 'p', 't', 'h', 0};
const Bytes empty_text = {0x00};

Bytes entry(const Bytes& name, const Bytes& short_name, const Bytes& unit, const Bytes& ident,
            const Bytes& low, const Bytes& high) {
    return name + short_name + unit + ident + zeros(12) + low + high + zeros(5);
}

Bytes two_entries() {
    return entry(ves_na_kryuke, w_kr, tonne, ves_ident, f_0, f_250) +
           entry(depth_name, depth_short, metre, depth_ident, f_minus_1, f_100);
}

// One 145-byte record: kind, time, depth1, depth2, value 0 and value 31; the rest 0.
Bytes record(std::uint8_t kind, const Bytes& time, const Bytes& depth1, const Bytes& depth2,
             const Bytes& value0, const Bytes& value31 = f_0) {
    return Bytes{kind} + time + depth1 + depth2 + value0 + zeros(30 * 4) + value31 + zeros(4);
}

const Bytes t_1000 = {0xE8, 0x03, 0x00, 0x00};
const Bytes t_1001 = {0xE9, 0x03, 0x00, 0x00};
const Bytes t_1002 = {0xEA, 0x03, 0x00, 0x00};
const Bytes t_big = {0x78, 0x56, 0x34, 0x12};
const Bytes t_empty = {0x00, 0x00, 0x00, 0x00};

struct View : lib::io::InputMemoryView {
    explicit View(const Bytes& b) : lib::io::InputMemoryView(b.data(), b.size()) {}
};

// One parameter, one full record that stores as record(7, t_big, f_1_5, f_2_5, f_12_5) and one
// compact record.
void fill_one_record(FileStorage& model) {
    model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0.0f, 250.0f});
    FileStorageItem item;
    item.kind = 7;
    item.time = 0x12345678;
    item.depth1 = 1.5f;
    item.depth2 = 2.5f;
    item.depth3 = 100.0f; // not stored
    item.values.push_back(12.5f);
    model.add_item(item);
    item.full = false;
    item.kind = 255;
    model.add_item(item); // a compact record is not written
}

std::string message_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(LegacyDescription, EntriesUntilEmptyIdentifier) {
    const Bytes bytes = two_entries() +
                        entry(depth_name, empty_text, empty_text, empty_text, f_0, f_0) +
                        entry(depth_name, depth_short, metre, {'x', 0}, f_0, f_0);
    View source(bytes);
    FileStorage model;
    legacy::read_description(source, model);
    ASSERT_EQ(model.param_count(), 2);
    const FileStorageParam& p0 = *model.param(0);
    EXPECT_EQ(p0.name, "Вес на крюке");
    EXPECT_EQ(p0.short_name, "W кр.");
    EXPECT_EQ(p0.unit, "т");
    EXPECT_EQ(p0.ident, "вес_на_крюке");
    EXPECT_EQ(p0.low, 0.0f);
    EXPECT_EQ(p0.high, 250.0f);
    const FileStorageParam& p1 = *model.param(1);
    EXPECT_EQ(p1.name, "Depth");
    EXPECT_EQ(p1.short_name, "D");
    EXPECT_EQ(p1.unit, "м");
    EXPECT_EQ(p1.low, -1.0f);
    EXPECT_EQ(p1.high, 100.0f);
}

TEST(LegacyDescription, DamagedEntries) {
    // Limits that are no numbers fall back to the defaults.
    {
        const Bytes bytes = entry(depth_name, depth_short, metre, depth_ident, f_nan, f_12_5);
        View source(bytes);
        FileStorage model;
        legacy::read_description(source, model);
        ASSERT_EQ(model.param_count(), 1);
        EXPECT_EQ(model.param(0)->low, 0.0f);
        EXPECT_EQ(model.param(0)->high, 100.0f);
    }
    // A text without its 0 byte.
    {
        const Bytes bytes = two_entries() + Bytes{'a', 'b'};
        View source(bytes);
        FileStorage model;
        EXPECT_EQ(message_of([&] { legacy::read_description(source, model); }),
                  "InputMappedFile::read: eof");
        EXPECT_EQ(model.param_count(), 2);
    }
    // An entry cut inside its limits is lost; one cut in the last ignored bytes is kept.
    {
        Bytes bytes = two_entries() + entry({'c', 0}, {0}, {0}, {'c', 0}, f_0, f_0);
        bytes.resize(bytes.size() - 9);
        View source(bytes);
        FileStorage model;
        EXPECT_EQ(message_of([&] { legacy::read_description(source, model); }),
                  "InputMappedFile::read: eof");
        EXPECT_EQ(model.param_count(), 2);
    }
    // More entries than value columns: the rest can label nothing and must not fill the table.
    {
        Bytes bytes;
        for (int i = 0; i < 200; ++i) {
            const Bytes ident = {'i', static_cast<std::uint8_t>('a' + i / 26),
                                 static_cast<std::uint8_t>('a' + i % 26), 0};
            bytes = bytes + entry({'p', 0}, {0}, {0}, ident, f_0, f_1_5);
        }
        View source(bytes);
        FileStorage model;
        legacy::read_description(source, model);
        EXPECT_EQ(model.param_count(), 32);
        EXPECT_EQ(model.param(31)->ident, "ibf");
    }
    {
        Bytes bytes = two_entries();
        bytes.resize(bytes.size() - 3);
        View source(bytes);
        FileStorage model;
        legacy::read_description(source, model);
        EXPECT_EQ(model.param_count(), 2);
    }
}

TEST(LegacyRecords, ReadSkipsEmptySlotsAndStopsAtBadDepth) {
    const Bytes bytes = record(7, t_1000, f_1_5, f_2_5, f_12_5, f_100) +
                        record(0, t_empty, f_minus_1, f_minus_1, f_0) + // empty slot
                        record(0, t_1001, f_0, f_0, f_minus_1) +
                        record(0, t_1002, f_0, f_0, f_nan) +
                        record(0, t_big, f_minus_1, f_0, f_0) + // depth1 below 0
                        record(0, t_1000, f_0, f_0, f_0);
    View source(bytes);
    FileStorage model;
    model.pad_params(legacy::value_count);
    EXPECT_EQ(message_of([&] { legacy::read_records(source, model); }),
              "Некорректная глубина на записи №3");
    ASSERT_EQ(model.item_count(), 3);
    const FileStorageItem& a = *model.item(0);
    EXPECT_EQ(a.kind, 7);
    EXPECT_EQ(a.time, 1000u);
    EXPECT_EQ(a.depth1, 1.5f);
    EXPECT_EQ(a.depth2, 2.5f);
    EXPECT_EQ(a.depth3, 1.5f);
    EXPECT_TRUE(a.full);
    ASSERT_EQ(a.values.size(), 32u);
    EXPECT_EQ(a.values[0], 12.5f);
    EXPECT_EQ(a.values[1], 0.0f);
    EXPECT_EQ(a.values[31], 100.0f);
    EXPECT_EQ(model.item(1)->time, 1001u);
    EXPECT_EQ(model.item(1)->values[0], -1.0f);
    EXPECT_TRUE(std::isnan(model.item(2)->values[0])); // values are data, kept as they are
}

TEST(LegacyRecords, UsedColumnsEndAtTheLastThatHoldsAValue) {
    const Bytes minus_0 = {0x00, 0x00, 0x00, 0x80};
    const struct {
        Bytes bytes;
        int used;
    } cases[] = {
        {{}, 0},
        {record(0, t_1000, f_1_5, f_2_5, f_0), 0}, // depths are no columns
        {record(0, t_1000, f_0, f_0, f_12_5), 1},
        {record(0, t_1000, f_0, f_0, minus_0), 1},
        {record(0, t_1000, f_0, f_0, f_0, f_nan), 32},
        {record(0, t_1000, f_0, f_0, f_12_5) + record(0, t_1001, f_0, f_0, f_0, f_100), 32},
        // An empty slot holds no parameter, nor does a cut record.
        {record(0, t_empty, f_0, f_0, f_12_5, f_100), 0},
        {record(0, t_1000, f_0, f_0, f_0) + Bytes(144, 0xFF), 0},
        // The third column of the second record.
        {record(0, t_1000, f_0, f_0, f_12_5) + Bytes{0} + t_1001 + zeros(8 + 8) + f_2_5 +
             zeros(29 * 4 + 4),
         3},
    };
    for (const auto& c : cases) {
        View source(c.bytes);
        EXPECT_EQ(legacy::used_columns(source), c.used) << c.bytes.size();
    }
}

TEST(LegacyRecords, NanDepthAndCutRecord) {
    {
        const Bytes bytes = record(0, t_1000, f_0, f_nan, f_0);
        View source(bytes);
        FileStorage model;
        EXPECT_EQ(message_of([&] { legacy::read_records(source, model); }),
                  "Некорректная глубина на записи №0");
        EXPECT_EQ(model.item_count(), 0);
    }
    {
        Bytes bytes = record(0, t_1000, f_0, f_0, f_0) + record(0, t_1001, f_0, f_0, f_0);
        bytes.resize(bytes.size() + 100, 0xFF); // 100 bytes of a third record
        View source(bytes);
        FileStorage model;
        EXPECT_EQ(message_of([&] { legacy::read_records(source, model); }),
                  "InputMappedFile::read: eof");
        EXPECT_EQ(model.item_count(), 2);
    }
}

TEST(LegacyRecords, WriteFullRecordsOnly) {
    FileStorage model;
    fill_one_record(model);

    lib::io::BinaryMemoryOutputStream sink;
    legacy::write_records(model, sink);
    const Bytes expected = record(7, t_big, f_1_5, f_2_5, f_12_5);
    ASSERT_EQ(sink.size(), 145u);
    EXPECT_EQ(Bytes(sink.data(), sink.data() + sink.size()), expected);
}

TEST(LegacyRecords, WriteKeepsOnlyThe32FirstValues) {
    FileStorage model;
    for (int i = 0; i < 40; ++i)
        model.add_param({"p", "p", "", "p" + std::to_string(i), 0.0f, 100.0f});
    FileStorageItem item;
    item.time = 1000;
    for (int i = 0; i < 40; ++i)
        item.values.push_back(i == 0 ? 12.5f : i == 31 ? 100.0f : i == 32 ? 250.0f : 0.0f);
    model.add_item(item);

    lib::io::BinaryMemoryOutputStream sink;
    legacy::write_records(model, sink);
    EXPECT_EQ(Bytes(sink.data(), sink.data() + sink.size()),
              record(0, t_1000, f_0, f_0, f_12_5, f_100));
}

TEST(LegacyRecords, WriteRefusesRecordsTheReaderWouldDrop) {
    const auto refused = [](std::uint32_t time, float depth1, float depth2) {
        FileStorage model;
        fill_one_record(model);
        FileStorageItem item;
        item.time = time;
        item.depth1 = depth1;
        item.depth2 = depth2;
        item.values.push_back(1.0f);
        model.add_item(item);
        lib::io::BinaryMemoryOutputStream sink;
        return message_of([&] { legacy::write_records(model, sink); });
    };
    EXPECT_EQ(refused(2000, -1.0f, 0.0f), "Некорректная глубина на записи №1");
    EXPECT_EQ(refused(2000, 0.0f, std::numeric_limits<float>::quiet_NaN()),
              "Некорректная глубина на записи №1");
    EXPECT_EQ(refused(0, 0.0f, 0.0f), "Нулевое время на записи №1");
    EXPECT_EQ(refused(2000, -0.0f, 0.0f), "no error");
}

namespace {

class LegacyFiles : public ::testing::Test {
protected:
    // A data file of three records (one empty slot among them) beside a two-entry description.
    std::string write_sample(const std::string& name = "run12.dep") {
        put_bytes(dir.file("inpgti.nbl"),
                  two_entries() + entry(empty_text, empty_text, empty_text, empty_text, f_0, f_0));
        put_bytes(dir.file(name), record(7, t_1000, f_1_5, f_2_5, f_12_5, f_100) +
                                      record(0, t_empty, f_0, f_0, f_0) +
                                      record(0, t_1001, f_0, f_0, f_1_5) +
                                      record(0, t_1002, f_0, f_0, f_2_5, f_250));
        return dir.file(name);
    }

    ScratchDir dir;
};

} // namespace

TEST_F(LegacyFiles, LoadGivesThirtyTwoColumns) {
    const std::string path = write_sample();
    FileStorage model;
    // An earlier document's descriptors must not reappear as the spare columns.
    for (int i = 0; i < 5; ++i)
        model.add_param({"old", "o", "x", "old" + std::to_string(i), 1.0f, 2.0f});
    // Nor its run: this file has no run file.
    model.text_values().run_number = 99;
    model.text_values().well = "old";
    model.clear();

    load_data_file(model, path, false);
    EXPECT_FALSE(model.native_format());
    EXPECT_EQ(model.source_path(), path);
    EXPECT_TRUE(model.messages().empty());
    EXPECT_EQ(model.text_values().run_number, RaceInfo().run_number);
    EXPECT_EQ(model.text_values().well, RaceInfo().well);
    ASSERT_EQ(model.param_count(), 32);
    EXPECT_EQ(model.param(0)->ident, "вес_на_крюке");
    EXPECT_EQ(model.param(1)->ident, "depth");
    for (int i = 2; i < 32; ++i) {
        const FileStorageParam& p = *model.param(i);
        EXPECT_EQ(p.name, "") << i;
        EXPECT_EQ(p.ident, "") << i;
        EXPECT_EQ(p.low, 0.0f) << i;
        EXPECT_EQ(p.high, 100.0f) << i;
    }
    ASSERT_EQ(model.item_count(), 3);
    EXPECT_EQ(model.item(0)->values[31], 100.0f);
    EXPECT_EQ(model.item(2)->values[0], 2.5f);
    EXPECT_EQ(model.item(2)->values[31], 250.0f);
}

TEST_F(LegacyFiles, LoadFailuresBecomeMessages) {
    // No description file: nothing loads.
    put_bytes(dir.file("a.tim"), record(0, t_1000, f_0, f_0, f_0));
    FileStorage model;
    load_data_file(model, dir.file("a.tim"), false);
    ASSERT_EQ(model.messages().size(), 1u);
    EXPECT_EQ(model.messages()[0],
              "Описание параметров '" + dir.file("inpgti.nbl") +
                  "' не прочитано: " + file_error_text(lib::io::FileErrorKind::not_found));
    EXPECT_EQ(model.item_count(), 0);

    // Whole records load before a cut one; a bad depth counts only accepted records.
    put_bytes(dir.file("inpgti.nbl"), two_entries());
    Bytes cut = record(0, t_1000, f_0, f_0, f_0) + record(0, t_1001, f_0, f_0, f_0);
    cut.resize(cut.size() + 144);
    put_bytes(dir.file("b.LDP"), cut);
    model.clear();
    load_data_file(model, dir.file("b.LDP"), false);
    EXPECT_EQ(model.item_count(), 2);
    EXPECT_EQ(model.messages().back().rfind(file_error_text(lib::io::FileErrorKind::truncated), 0),
              0u);

    put_bytes(dir.file("c.dep"),
              record(0, t_1000, f_0, f_0, f_0) + record(0, t_empty, f_0, f_0, f_0) +
                  record(0, t_1001, f_0, f_0, f_0) + record(0, t_1002, f_0, f_minus_1, f_0));
    model.clear();
    load_data_file(model, dir.file("c.dep"), false);
    EXPECT_EQ(model.item_count(), 2);
    EXPECT_EQ(model.messages().back(), "Некорректная глубина на записи №2");
}

TEST_F(LegacyFiles, SaveWritesRecordsAndRunFile) {
    FileStorage model;
    fill_one_record(model);
    model.text_values().run_number = 7;
    model.text_values().well = "12-бис";
    model.text_values().bit_diameter = 215.9;

    // The name picks the writer, whatever the model was loaded from.
    ASSERT_TRUE(model.native_format());
    save_data_file(model, dir.file("run.2007.dep"), false);
    EXPECT_FALSE(model.native_format());
    EXPECT_EQ(get_bytes(dir.file("run.2007.dep")), record(7, t_big, f_1_5, f_2_5, f_12_5));
    // The folder had no description, so the save wrote one for the file to open again.
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"inpgti.nbl", "run.2007.dep", "run.rac"}));

    const Bytes rac = get_bytes(dir.file("run.rac"));
    const std::string rac_text(rac.begin(), rac.end());
    // Windows-1251 "скважина" and "12-бис" in quotes.
    EXPECT_NE(rac_text.find("\xF1\xEA\xE2\xE0\xE6\xE8\xED\xE0=\"12-\xE1\xE8\xF1\""),
              std::string::npos);

    // Read back: the run file fills the run information and the text list.
    put_bytes(dir.file("inpgti.nbl"), two_entries());
    FileStorage back;
    load_data_file(back, dir.file("run.2007.dep"), false);
    EXPECT_EQ(back.text_values().run_number, 7);
    EXPECT_EQ(back.text_values().well, "12-бис");
    EXPECT_DOUBLE_EQ(back.text_values().bit_diameter, 215.9);
    EXPECT_EQ(back.text_values().lines.value_of("скважина"), "\"12-бис\"");
    ASSERT_EQ(back.item_count(), 1);
    EXPECT_EQ(back.item(0)->values[0], 12.5f);

    // A text-only load reads the run file alone.
    FileStorage text;
    load_data_file(text, dir.file("run.2007.dep"), true);
    EXPECT_EQ(text.item_count(), 0);
    EXPECT_EQ(text.text_values().run_number, 7);
}

TEST_F(LegacyFiles, FailedSaveRaisesAndKeepsTheOldFile) {
    FileStorage model;
    model.set_native_format(false);
    try {
        save_data_file(model, dir.file("missing/x.dep"), false);
        FAIL() << "no error";
    } catch (const FileStorageException& e) {
        EXPECT_EQ(std::string(e.what()).rfind(
                      "Невозможно записать файл '" + dir.file("missing/x.dep") + "'", 0),
                  0u);
    }

    // A directory in the way of the new file: the save fails and leaves nothing behind.
    std::filesystem::create_directories(dir.file("busy.dep") + "/inside");
    EXPECT_THROW(save_data_file(model, dir.file("busy.dep"), false), FileStorageException);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"busy.dep"});

    // A user's file named like a temporary one is not the save's to overwrite, and a file
    // reached through a link is replaced, not the link (links need a privilege on Windows).
    const std::string path = write_sample("keep.dep");
    std::filesystem::remove(dir.file("inpgti.nbl")); // it describes parameters the model has not
    put_bytes(path + ".tmp", {7});
    std::string saved_as = path;
#ifndef _WIN32
    saved_as = dir.file("link.dep");
    std::filesystem::create_symlink(path, saved_as);
#endif
    save_data_file(model, saved_as, false);
    EXPECT_EQ(get_bytes(path), Bytes{}); // the model holds no record
#ifndef _WIN32
    EXPECT_TRUE(std::filesystem::is_symlink(saved_as));
#endif
    EXPECT_EQ(get_bytes(path + ".tmp"), Bytes{7});
}

TEST_F(LegacyFiles, RoundTripKeepsTheParameterCount) {
    // One parameter: the older file has room for 32 values, the document keeps one column.
    FileStorage model;
    model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0.0f, 250.0f});
    FileStorageItem item;
    item.time = 1000;
    item.values.push_back(12.5f);
    model.add_item(item);
    save_data_file(model, dir.file("one.realtim"), false);
    for (const char* older : {"one.dep", "one.TIM"}) {
        FileStorage copy;
        load_data_file(copy, dir.file("one.realtim"), false);
        save_data_file(copy, dir.file(older), false);
        FileStorage back;
        load_data_file(back, dir.file(older), false);
        EXPECT_EQ(back.param_count(), 1) << older;
        ASSERT_EQ(back.item_count(), 1) << older;
        EXPECT_EQ(back.item(0)->values, ValueList({12.5f})) << older;
        std::filesystem::remove(dir.file("inpgti.nbl"));
    }

    // A column past the described ones that holds a value is kept, with a default descriptor.
    put_bytes(dir.file("inpgti.nbl"), two_entries());
    put_bytes(dir.file("five.dep"), record(0, t_1000, f_0, f_0, f_12_5) + Bytes{0} + t_1001 +
                                        zeros(8 + 16) + f_2_5 + zeros(27 * 4 + 4));
    FileStorage five;
    load_data_file(five, dir.file("five.dep"), false);
    ASSERT_EQ(five.param_count(), 5);
    EXPECT_EQ(five.param(4)->ident, "");
    EXPECT_EQ(five.item(1)->values, ValueList({0.0f, 0.0f, 0.0f, 0.0f, 2.5f}));
}

TEST_F(LegacyFiles, NativeCopyKeepsEveryColumn) {
    FileStorage model;
    load_data_file(model, write_sample(), false);
    save_data_file(model, dir.file("copy.realtim"), false);
    EXPECT_TRUE(model.native_format());

    FileStorage back;
    load_data_file(back, dir.file("copy.realtim"), false);
    ASSERT_EQ(back.param_count(), 32);
    EXPECT_EQ(back.param(0)->ident, "вес_на_крюке");
    EXPECT_EQ(back.param(1)->ident, "depth");
    EXPECT_EQ(back.param(2)->ident, "параметр_3");
    EXPECT_EQ(back.param(31)->ident, "параметр_32");
    ASSERT_EQ(back.item_count(), 3);
    EXPECT_EQ(back.item(0)->values.size(), 32u);
    EXPECT_EQ(back.item(0)->values[31], 100.0f);
    EXPECT_EQ(back.item(2)->values[0], 2.5f);
    EXPECT_EQ(back.item(2)->values[31], 250.0f);
}
