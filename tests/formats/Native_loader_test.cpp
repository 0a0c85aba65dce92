#include <gtest/gtest.h>

#include <stdexcept>

#include "Chunk_bytes.h"
#include "library/Codepage.h"
#include "library/Fileworks.h"
#include "library/Scratch_dir.h"

namespace {

const std::string ves = "\xC2\xE5\xF1";                                     // Вес
const std::string ves_ident = "\xE2\xE5\xF1_\xED\xE0_\xEA\xF0\xFE\xEA\xE5"; // вес_на_крюке
const std::string ves_ident_caps = "\xC2\xC5\xD1_\xCD\xC0_\xCA\xD0\xDE\xCA\xC5"; // ВЕС_НА_КРЮКЕ

Bytes one_param_sector() {
    return sector_payload({sector_entry(ves, "\xF2", "W", ves_ident, 0.0f, 250.0f)});
}

Bytes rec(std::uint32_t time, float value) {
    ByteBuilder b;
    b.chunk(1, record_payload(time, 1.5f, 2.5f, 7, 3.5f, {value}));
    return b.bytes;
}

Bytes text_chunk(const std::string& utf8_lines) {
    ByteBuilder b;
    b.chunk(3, text_payload(lib::to_cp1251(utf8_lines)));
    return b.bytes;
}

// A sector, three records of one parameter and a text chunk.
Bytes healthy_file() {
    ByteBuilder b;
    b.chunk(2, one_param_sector());
    b.raw(rec(1000, 10.0f)).raw(rec(1001, 11.0f)).raw(rec(1002, 12.0f));
    b.raw(text_chunk("номер_рейса=7\r\nскважина=\"12-бис\"\r\n"));
    return b.bytes;
}

std::vector<float> values_of(const FileStorage& m) {
    std::vector<float> out;
    for (int i = 0; i < m.item_count(); ++i)
        out.push_back(m.item(i)->values[0]);
    return out;
}

using Messages = std::vector<std::string>;

TEST(NativeLoader, HealthyFileLoadsEverythingWithoutMessages) {
    FileStorage m;
    load_bytes(m, healthy_file());
    ASSERT_EQ(m.param_count(), 1);
    const FileStorageParam* p = m.param(0);
    EXPECT_EQ(p->name, "Вес");
    EXPECT_EQ(p->unit, "т");
    EXPECT_EQ(p->short_name, "W");
    EXPECT_EQ(p->ident, "вес_на_крюке");
    EXPECT_EQ(p->low, 0.0f);
    EXPECT_EQ(p->high, 250.0f);

    ASSERT_EQ(m.item_count(), 3);
    const ItemView first = m.item(0);
    EXPECT_EQ(first->time, 1000u);
    EXPECT_EQ(first->depth1, 1.5f);
    EXPECT_EQ(first->depth3, 2.5f);
    EXPECT_EQ(first->depth2, 3.5f);
    EXPECT_EQ(first->kind, 7);
    EXPECT_TRUE(first->full);
    EXPECT_EQ(values_of(m), (std::vector<float>{10.0f, 11.0f, 12.0f}));

    EXPECT_TRUE(m.messages().empty());
    EXPECT_EQ(m.text_values().lines.lines(),
              (std::vector<std::string>{"номер_рейса=7", "скважина=12-бис"}));
    // The run information is taken from the text lines after the load.
    EXPECT_EQ(m.text_values().run_number, 7);
    EXPECT_EQ(m.text_values().well, "12-бис");
}

TEST(NativeLoader, DamagedStretchesAreRescannedAndReportedOnce) {
    struct Case {
        const char* what;
        Bytes bytes;
        std::vector<float> values;
    };
    const Bytes sector = ByteBuilder().chunk(2, one_param_sector()).bytes;
    const Bytes tail = text_chunk("номер_рейса=3\r\n");
    std::vector<Case> cases = {
        {"inserted byte between records",
         ByteBuilder()
             .raw(sector)
             .raw(rec(1, 1))
             .u8(0x7F)
             .raw(rec(2, 2))
             .raw(rec(3, 3))
             .raw(tail)
             .bytes,
         {1, 2, 3}},
        {"two junk bytes inside the run",
         ByteBuilder().raw(sector).raw(rec(1, 1)).u8(0xEE).u8(0xFF).raw(rec(2, 2)).raw(tail).bytes,
         {1, 2}},
        {"kind 13 is not a chunk",
         ByteBuilder().raw(sector).u8(13).u16(4).u32(0).raw(rec(1, 1)).raw(tail).bytes,
         {1}},
        {"length of 0x8000 or more is not acceptable",
         ByteBuilder().raw(sector).u8(7).u16(0x8000).raw(rec(1, 1)).raw(tail).bytes,
         {1}},
        {"length 0 is not acceptable",
         ByteBuilder().raw(sector).u8(9).u16(0).raw(rec(1, 1)).raw(tail).bytes,
         {1}},
        {"sector with more than 128 entries",
         ByteBuilder().raw(sector).u8(2).u16(1).u8(129).raw(rec(1, 1)).raw(tail).bytes,
         {1}},
        {"skipped kind whose length runs past the end",
         ByteBuilder().raw(sector).raw(rec(1, 1)).u8(8).u16(500).raw(rec(2, 2)).raw(tail).bytes,
         {1, 2}},
        {"one stray byte at the end",
         ByteBuilder().raw(sector).raw(rec(1, 1)).raw(tail).u8(1).bytes,
         {1}},
        {"two stray bytes at the end",
         ByteBuilder().raw(sector).raw(rec(1, 1)).raw(tail).u8(1).u8(22).bytes,
         {1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FileStorage m;
        ASSERT_NO_THROW(load_bytes(m, c.bytes));
        EXPECT_EQ(values_of(m), c.values);
        EXPECT_EQ(m.messages(), Messages{native::damage_message});
        // The load finished normally: the text lines reached the run information.
        EXPECT_EQ(m.text_values().run_number, 3);
    }
}

TEST(NativeLoader, FileCutInsideARecordKeepsEveryWholeRecord) {
    const Bytes whole = ByteBuilder()
                            .chunk(2, one_param_sector())
                            .raw(rec(1, 1))
                            .raw(rec(2, 2))
                            .raw(rec(3, 3))
                            .bytes;
    const std::size_t third = whole.size() - 25;
    for (std::size_t cut = third + 1; cut < whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        FileStorage m;
        ASSERT_NO_THROW(load_bytes(m, Bytes(whole.begin(), whole.begin() + cut)));
        EXPECT_EQ(values_of(m), (std::vector<float>{1, 2}));
        EXPECT_EQ(m.messages(), (Messages{native::damage_message, native::cut_message}));
    }
}

TEST(NativeLoader, AFileCutAtAChunkBoundaryLacksItsTextAndSaysSo) {
    // The writer ends every file with the text chunk: a cut anywhere before it loses it.
    const Bytes whole = healthy_file();
    const std::size_t sector = 3 + one_param_sector().size(), record = rec(0, 0).size();
    const std::size_t text =
        whole.size() - text_chunk("номер_рейса=7\r\nскважина=\"12-бис\"\r\n").size();
    ASSERT_EQ(text, sector + 3 * record);
    for (const std::size_t cut : {sector, sector + record, sector + 3 * record, whole.size()}) {
        SCOPED_TRACE(cut);
        FileStorage m;
        load_bytes(m, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_EQ(static_cast<std::size_t>(m.item_count()),
                  (std::min(cut, text) - sector) / record);
        EXPECT_EQ(m.messages(), cut == whole.size() ? Messages{} : Messages{native::cut_message});
    }
}

TEST(NativeLoader, RecordWithAnotherCountIsDroppedAsAGap) {
    const Bytes bytes = ByteBuilder()
                            .chunk(2, one_param_sector())
                            .raw(rec(1, 1))
                            .chunk(1, record_payload(2, 0, 0, 0, 0, {5, 6}))
                            .raw(rec(3, 3))
                            .raw(text_chunk("номер_рейса=1\r\n"))
                            .bytes;
    FileStorage m;
    load_bytes(m, bytes);
    EXPECT_EQ(values_of(m), (std::vector<float>{1, 3}));
    EXPECT_EQ(m.messages(), Messages{native::gaps_message});
}

TEST(NativeLoader, CountByteOfRecordIsUnsigned) {
    // A count of 0x90 skips 4 * 0x90 bytes forward; here they are not there, so it is damage.
    ByteBuilder b;
    b.chunk(2, one_param_sector()).raw(rec(1, 1));
    b.u8(1).u16(22).u32(2).f32(0).f32(0).u8(0).f32(0).u8(0x90).f32(9);
    b.raw(rec(3, 3)).raw(text_chunk("номер_рейса=1\r\n"));
    FileStorage m;
    load_bytes(m, b.bytes);
    EXPECT_EQ(values_of(m), (std::vector<float>{1, 3}));
    EXPECT_EQ(m.messages(), Messages{native::damage_message});
}

TEST(NativeLoader, TextChunkNotEndingInZeroIsDamageAndChangesNothing) {
    ByteBuilder b;
    b.raw(text_chunk("мастер=Иванов\r\n"));
    b.u8(3).u16(6).raw({'a', '=', '1', '\r', '\n', 'x'});
    FileStorage m;
    load_bytes(m, b.bytes);
    EXPECT_EQ(m.text_values().lines.lines(), std::vector<std::string>{"мастер=Иванов"});
    EXPECT_EQ(m.messages(), Messages{native::damage_message});
}

TEST(NativeLoader, ReservedKindsAreSkippedByTheirLength) {
    ByteBuilder b;
    b.chunk(2, one_param_sector());
    b.chunk(7, Bytes(10, 0x01)).raw(rec(1, 1)).chunk(0, {1, 2, 3}).chunk(12, {0xFF});
    b.chunk(0x80, Bytes(4, 0x02)).raw(rec(2, 2));
    for (std::uint8_t kind = 6; kind <= 11; ++kind)
        b.chunk(kind, {kind});
    b.raw(text_chunk("номер_рейса=1\r\n"));
    FileStorage m;
    load_bytes(m, b.bytes);
    EXPECT_EQ(values_of(m), (std::vector<float>{1, 2}));
    EXPECT_TRUE(m.messages().empty());
}

TEST(NativeLoader, LaterSectorAddsParameterMappedByIdentifier) {
    ByteBuilder b;
    b.chunk(2, one_param_sector()).raw(rec(1, 10));
    // The second sector lists a new parameter first and the known one (in capitals) second.
    b.chunk(2, sector_payload({sector_entry("P", "", "p", "pressure", -1, 1),
                               sector_entry("other name", "", "", ves_ident_caps, 5, 6)}));
    b.chunk(1, record_payload(2, 0, 0, 0, 0, {70, 20}));
    b.chunk(5, ByteBuilder().u32(3).f32(80).f32(30).bytes);
    b.raw(text_chunk("номер_рейса=1\r\n"));
    FileStorage m;
    load_bytes(m, b.bytes);
    ASSERT_EQ(m.param_count(), 2);
    // The known identifier keeps its first descriptor.
    EXPECT_EQ(m.param(0)->name, "Вес");
    EXPECT_EQ(m.param(0)->high, 250.0f);
    EXPECT_EQ(m.param(1)->ident, "pressure");
    ASSERT_EQ(m.item_count(), 3);
    EXPECT_EQ(m.item(0)->values, (ValueList{10, 0}));
    EXPECT_EQ(m.item(1)->values, (ValueList{20, 70}));
    const ItemView compact = m.item(2);
    EXPECT_EQ(compact->values, (ValueList{30, 80}));
    EXPECT_FALSE(compact->full);
    EXPECT_EQ(compact->kind, 255);
    EXPECT_EQ(compact->time, 3u);
    EXPECT_TRUE(m.messages().empty());
}

TEST(NativeLoader, RepeatedSectorOfAFullTableIsHealthy) {
    // The writer repeats the sector every 3600 records; with 128 parameters the table is full
    // by then, and the known identifiers must still map.
    std::vector<Bytes> entries;
    for (int i = 0; i < FileStorage::max_params; ++i)
        entries.push_back(sector_entry("n", "", "", "p" + std::to_string(i), 0, 1));
    std::vector<float> values(FileStorage::max_params, 1.0f);
    ByteBuilder b;
    b.chunk(2, sector_payload(entries)).chunk(1, record_payload(1, 0, 0, 0, 0, values));
    std::swap(entries.front(), entries.back());
    values.front() = 2.0f;
    b.chunk(2, sector_payload(entries)).chunk(1, record_payload(2, 0, 0, 0, 0, values));
    b.raw(text_chunk("номер_рейса=1\r\n"));
    FileStorage m;
    load_bytes(m, b.bytes);
    EXPECT_EQ(m.param_count(), FileStorage::max_params);
    ASSERT_EQ(m.item_count(), 2);
    EXPECT_EQ(m.item(1)->values[FileStorage::max_params - 1], 2.0f);
    EXPECT_EQ(m.item(1)->values[0], 1.0f);
    EXPECT_TRUE(m.messages().empty());

    // A new identifier does not fit any more: that sector is damage.
    entries.back() = sector_entry("n", "", "", "new", 0, 1);
    b.chunk(2, sector_payload(entries));
    FileStorage full;
    load_bytes(full, b.bytes);
    EXPECT_EQ(full.param_count(), FileStorage::max_params);
    EXPECT_EQ(full.item_count(), 2);
    EXPECT_EQ(full.messages(), Messages{native::damage_message});
}

TEST(NativeLoader, RemarksAreKeptInFileOrder) {
    ByteBuilder b;
    b.chunk(4, ByteBuilder().u32(1).u32(0xFFFFFFFF).text("\xEF\xF0\xE8\xEC").bytes);
    b.chunk(4, ByteBuilder().u32(2).u32(3).text("").bytes);
    FileStorage m;
    load_bytes(m, b.bytes);
    ASSERT_EQ(m.remarks().size(), 2u);
    EXPECT_EQ(m.remarks()[0].number1, 1u);
    EXPECT_EQ(m.remarks()[0].number2, 0xFFFFFFFFu);
    EXPECT_EQ(m.remarks()[0].text, "прим");
    EXPECT_EQ(m.remarks()[1].number2, 3u);
    EXPECT_EQ(m.remarks()[1].text, "");
}

TEST(NativeLoader, TextChunksApplyInFileOrder) {
    ByteBuilder b;
    b.raw(text_chunk("a=1\r\nb=2\r\nc=3"));
    // Later chunks replace, remove (empty value) and skip the "not set" marker; bare CR and LF
    // break lines too.
    b.raw(text_chunk("b=20\rc=\na=::НЕ ЗАДАНО::\r\nd=\"q\"\r\n"));
    FileStorage m;
    load_bytes(m, b.bytes);
    EXPECT_EQ(m.text_values().lines.lines(), (std::vector<std::string>{"a=1", "b=20", "d=q"}));
}

TEST(NativeLoader, TextOnlyLoadReadsTextAndNeverStalls) {
    ByteBuilder good;
    good.chunk(2, one_param_sector()).raw(rec(1, 1)).raw(text_chunk("номер_рейса=9\r\n"));
    {
        FileStorage m;
        load_bytes(m, good.bytes, true);
        EXPECT_EQ(m.item_count(), 0);
        EXPECT_EQ(m.param_count(), 0);
        EXPECT_EQ(m.text_values().run_number, 9);
        EXPECT_TRUE(m.messages().empty());
    }
    for (std::uint16_t length : {0x0000, 0x8000, 0xFFFF}) {
        SCOPED_TRACE(length);
        ByteBuilder b;
        b.raw(text_chunk("номер_рейса=4\r\n")).u8(1).u16(length).raw(text_chunk("номер_рейса=5"));
        FileStorage m;
        load_bytes(m, b.bytes, true);
        EXPECT_EQ(m.text_values().run_number, 4);
    }
    // A damaged text chunk is reported and ends the reading.
    ByteBuilder bad;
    bad.u8(3).u16(2).u8('x').u8('y').raw(text_chunk("номер_рейса=5"));
    FileStorage m;
    load_bytes(m, bad.bytes, true);
    EXPECT_EQ(m.messages(), Messages{"Повреждён файл в области текстовых данных"});
    EXPECT_EQ(m.text_values().run_number, 0);
}

class NativeFiles : public ::testing::Test {
protected:
    void SetUp() override { lib::io::OSFile::set_retry_pause_ms(1); }
    void TearDown() override { lib::io::OSFile::set_retry_pause_ms(100); }
    ScratchDir dir;
};

TEST_F(NativeFiles, ExtensionChoosesTheLoaderCaseInsensitively) {
    for (const char* name : {"RUN.REALTIM", "a.RealDep", "b.reallag", "c.RTM"}) {
        SCOPED_TRACE(name);
        put_bytes(dir.file(name), healthy_file());
        FileStorage m;
        m.set_native_format(false);
        load_data_file(m, dir.file(name), false);
        EXPECT_EQ(m.item_count(), 3);
        EXPECT_TRUE(m.native_format());
    }
    FileStorage m;
    for (const auto& [name, extension] : std::vector<std::pair<std::string, std::string>>{
             {"x.TXT", ".txt"}, {"noext", ""}, {"dir.realtim/file", ""}}) {
        try {
            load_data_file(m, dir.file(name), false);
            ADD_FAILURE() << name;
        } catch (const FileStorageException& e) {
            EXPECT_TRUE(e.fatal());
            EXPECT_EQ(std::string(e.what()),
                      "Неправильное расширение открываемого файла: " + extension);
        }
    }
    EXPECT_TRUE(m.native_format());
}

TEST_F(NativeFiles, EmptyOrMissingFileFailsToOpen) {
    put_bytes(dir.file("empty.realtim"), {});
    FileStorage m;
    try {
        load_data_file(m, dir.file("empty.realtim"), false);
        ADD_FAILURE();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "InputMappedFile::open: (h_file_mapping == NULL)");
    }
    try {
        load_data_file(m, dir.file("missing.realtim"), false);
        ADD_FAILURE();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Файл не найден!");
    }
    EXPECT_TRUE(m.messages().empty());
}

TEST_F(NativeFiles, LockedFileCannotBeLoaded) {
    const std::string path = dir.file("run.realtim");
    put_bytes(path, healthy_file());
    lib::io::OSFile holder;
    holder.open(path, lib::io::OSFile::read_existing, true);
    FileStorage m;
    try {
        load_data_file(m, path, false);
        ADD_FAILURE();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Невозможно заблокировать файл!");
    }
    EXPECT_EQ(m.item_count(), 0);
}

TEST_F(NativeFiles, DamageAloneIsNoDataFile) {
    // Text, and bytes that pass as skipped chunks of reserved kinds: no chunk of a data file.
    const Bytes text = {'h', 'e', 'l', 'l', 'o', '\n'};
    const Bytes reserved_junk = {0xC0, 0x01, 0x00, 0xEE, 0x07, 0x01, 0x00, 0x00, 0x33};
    for (const Bytes& junk : {text, reserved_junk, Bytes{0x02, 0x05}}) {
        put_bytes(dir.file("junk.realtim"), junk);
        FileStorage m;
        lib::io::InputMemoryView view(junk.data(), junk.size());
        EXPECT_FALSE(native::load(m, view, false));
        try {
            load_data_file(m, dir.file("junk.realtim"));
            ADD_FAILURE();
        } catch (const lib::io::file_error& e) {
            EXPECT_EQ(e.kind(), lib::io::FileErrorKind::not_data);
        }
    }
    // Damage beside a chunk of a data file is salvage, and reserved chunks alone are no damage.
    ByteBuilder tail;
    tail.raw(healthy_file()).u8(0xEE);
    ByteBuilder reserved;
    reserved.chunk(7, Bytes(10, 0));
    for (const Bytes& bytes : {tail.bytes, reserved.bytes}) {
        FileStorage m;
        lib::io::InputMemoryView view(bytes.data(), bytes.size());
        EXPECT_TRUE(native::load(m, view, false));
    }
}

} // namespace
