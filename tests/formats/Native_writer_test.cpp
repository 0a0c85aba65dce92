#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "Chunk_bytes.h"
#include "library/Fileworks.h"
#include "library/Mappedfile.h"
#include "library/Scratch_dir.h"

namespace {

FileStorageParam weight() {
    FileStorageParam p;
    p.name = "Вес";
    p.short_name = "W";
    p.unit = "т";
    p.ident = "a";
    p.low = 0.0f;
    p.high = 250.0f;
    return p;
}

FileStorageItem record(std::uint32_t time, std::initializer_list<float> values) {
    FileStorageItem item;
    item.time = time;
    item.depth1 = 1.0f;
    item.depth2 = 2.0f;
    item.depth3 = 3.0f;
    item.values = ValueList(values);
    return item;
}

struct Chunk {
    std::uint8_t kind;
    std::size_t offset;
    std::size_t length;
};

// Walks the chunk headers of a well-formed file.
std::vector<Chunk> chunks_of(const Bytes& bytes) {
    std::vector<Chunk> out;
    for (std::size_t pos = 0; pos + 3 <= bytes.size();) {
        const std::size_t length = bytes[pos + 1] | bytes[pos + 2] << 8;
        out.push_back({bytes[pos], pos, length});
        pos += 3 + length;
    }
    return out;
}

class NativeWriter : public ::testing::Test {
protected:
    void SetUp() override { lib::io::OSFile::set_retry_pause_ms(1); }
    void TearDown() override { lib::io::OSFile::set_retry_pause_ms(100); }

    std::vector<std::string> names() const { return dir.names(); }
    using Names = std::vector<std::string>;

    ScratchDir dir;
    std::string path = dir.file("run.realtim");
};

TEST_F(NativeWriter, OneParameterTwoRecordsByteForByte) {
    FileStorage m;
    m.add_param(weight());
    m.add_item(record(100, {5.0f}));
    m.add_item(record(101, {-1.0f}));
    save_data_file(m, path, false);
    const Bytes bytes = get_bytes(path);

    const Bytes expected_head = {
        // sector: count 1; "Вес", "т", "W", "a"; low 0.0; high 250.0
        0x02, 0x13, 0x00, 0x01, 0xC2, 0xE5, 0xF1, 0x00, 0xF2, 0x00, 0x57, 0x00, 0x61, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x7A, 0x43,
        // record: time 100, depth1 1.0, depth3 3.0, kind 0, depth2 2.0, one value 5.0
        0x01, 0x16, 0x00, 0x64, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x40, 0x40,
        0x00, 0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0xA0, 0x40,
        // record: time 101, value -1.0
        0x01, 0x16, 0x00, 0x65, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x40, 0x40,
        0x00, 0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0x80, 0xBF};
    ASSERT_GT(bytes.size(), expected_head.size() + 3);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + expected_head.size()), expected_head);

    // Then one text chunk to the end, its last byte 0, holding the run information lines.
    const std::size_t text = expected_head.size();
    EXPECT_EQ(bytes[text], 3);
    EXPECT_EQ(std::size_t(bytes[text + 1] | bytes[text + 2] << 8), bytes.size() - text - 3);
    EXPECT_EQ(bytes.back(), 0);
    const std::string body(bytes.begin() + text + 3, bytes.end() - 1);
    // "номер_рейса=1\r\n" in Windows-1251 opens the text.
    EXPECT_EQ(body.rfind("\xED\xEE\xEC\xE5\xF0_\xF0\xE5\xE9\xF1\xE0=1\r\n", 0), 0u);
    EXPECT_EQ(body.substr(body.size() - 2), "\r\n");
}

TEST_F(NativeWriter, SectorIsRepeatedEvery3600RecordsAndReadsBackHealthy) {
    // A full table of parameters: the repeated sectors must not read as damage.
    FileStorage m;
    for (int i = 0; i < FileStorage::max_params; ++i) {
        FileStorageParam p = weight();
        p.ident = "p" + std::to_string(i);
        m.add_param(p);
    }
    FileStorageItem item = record(0, {});
    item.values.resize(FileStorage::max_params);
    for (std::uint32_t t = 0; t < 7201; ++t) {
        item.time = t;
        item.values[t % FileStorage::max_params] = static_cast<float>(t);
        m.add_item(item);
    }
    save_data_file(m, path, false);
    std::string kinds;
    lib::io::InputMappedFile file; // a few MB: read through the mapping, not byte by byte
    file.open(path, false);
    for (const auto& c : chunks_of(Bytes(file.base(), file.base() + file.size())))
        kinds += static_cast<char>('0' + c.kind);
    file.close();
    EXPECT_EQ(kinds,
              "2" + std::string(3599, '1') + "2" + std::string(3600, '1') + "2" + "11" + "3");

    FileStorage back;
    load_data_file(back, path, false);
    EXPECT_TRUE(back.messages().empty());
    ASSERT_EQ(back.item_count(), 7201);
    EXPECT_EQ(back.param_count(), FileStorage::max_params);
    EXPECT_EQ(back.item(7200)->values, m.item(7200)->values);
}

TEST_F(NativeWriter, EmptyModelWritesEmptySectorThenText) {
    FileStorage m;
    save_data_file(m, path, false);
    const Bytes bytes = get_bytes(path);
    ASSERT_GT(bytes.size(), 7u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{0x02, 0x01, 0x00, 0x00}));
    const auto chunks = chunks_of(bytes);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[1].kind, 3);
    EXPECT_EQ(chunks[1].offset + 3 + chunks[1].length, bytes.size());
}

TEST_F(NativeWriter, WriteChunkOfEmptyTextIsOneZeroByte) {
    lib::io::BinaryMemoryOutputStream sink;
    const std::uint8_t zero = 0;
    native::write_chunk(3, &zero, 1, sink);
    EXPECT_EQ(Bytes(sink.data(), sink.data() + sink.size()), (Bytes{0x03, 0x01, 0x00, 0x00}));
    // The largest payload a reader takes as a positive signed 16-bit length, and one more.
    const Bytes big(0x8000, 1);
    native::write_chunk(2, big.data(), 0x7FFF, sink);
    ASSERT_EQ(sink.size(), 4u + 3 + 0x7FFF);
    EXPECT_EQ(Bytes(sink.data() + 4, sink.data() + 7), (Bytes{0x02, 0xFF, 0x7F}));
    EXPECT_THROW(native::write_chunk(2, big.data(), big.size(), sink), FileStorageException);
    EXPECT_EQ(sink.size(), 4u + 3 + 0x7FFF);
}

TEST_F(NativeWriter, SaveThenLoadGivesTheSameModelAndSameBytesTwice) {
    FileStorage m;
    m.add_param(weight());
    FileStorageParam depth;
    depth.name = "Глубина";
    depth.ident = "глубина";
    depth.low = -5.5f;
    depth.high = 1e6f;
    m.add_param(depth);
    for (std::uint32_t t = 0; t < 10; ++t) {
        FileStorageItem item = record(86400 + t, {t * 0.1f, -float(t)});
        item.kind = static_cast<std::uint8_t>(t);
        m.add_item(item);
    }
    auto& tv = m.text_values();
    tv.run_number = 12;
    tv.bit_diameter = 215.9;
    tv.well = "Скв. 7";
    tv.drill_type = RaceInfo::turbine;
    tv.start_time = 4294967295u;
    tv.set_value("тип_датчика", "ДВ-1");
    save_data_file(m, path, false);
    const Bytes first = get_bytes(path);
    save_data_file(m, path, false);
    EXPECT_EQ(get_bytes(path), first);

    FileStorage back;
    load_data_file(back, path, false);
    EXPECT_TRUE(back.messages().empty());
    ASSERT_EQ(back.param_count(), 2);
    EXPECT_EQ(back.param(1)->name, "Глубина");
    EXPECT_EQ(back.param(1)->low, -5.5f);
    EXPECT_EQ(back.param(1)->high, 1e6f);
    ASSERT_EQ(back.item_count(), 10);
    for (int i = 0; i < 10; ++i) {
        const ItemView a = m.item(i);
        const ItemView b = back.item(i);
        EXPECT_EQ(a->time, b->time);
        EXPECT_EQ(a->depth1, b->depth1);
        EXPECT_EQ(a->depth2, b->depth2);
        EXPECT_EQ(a->depth3, b->depth3);
        EXPECT_EQ(a->kind, b->kind);
        EXPECT_EQ(a->values, b->values);
    }
    const auto& btv = back.text_values();
    EXPECT_EQ(btv.run_number, 12);
    EXPECT_EQ(btv.bit_diameter, 215.9);
    EXPECT_EQ(btv.well, "Скв. 7");
    EXPECT_EQ(btv.start_time, 4294967295u);
    EXPECT_EQ(btv.drill_method_text, "1");
    EXPECT_EQ(btv.value_of("тип_датчика"), "ДВ-1");
    // Lines holding the "not set" marker are not taken back.
    std::vector<std::string> kept;
    for (const auto& line : tv.lines.lines())
        if (line.find("::НЕ ЗАДАНО::") == std::string::npos)
            kept.push_back(line);
    EXPECT_LT(kept.size(), tv.lines.size());
    EXPECT_EQ(btv.lines.lines(), kept);
}

TEST_F(NativeWriter, TextValuesThatTheFormatCannotHoldDoNotCostOtherLines) {
    FileStorage m;
    m.text_values().set_value("тип_датчика", std::string("ДВ\0хвост", 15));
    m.text_values().master = "Иванов\r\nномер_рейса=99";
    m.text_values().run_number = 5;
    save_data_file(m, path, false);
    FileStorage back;
    load_data_file(back, path, false);
    EXPECT_EQ(back.text_values().value_of("тип_датчика"), "ДВ");
    EXPECT_EQ(back.text_values().master, "Иванов  номер_рейса=99");
    EXPECT_EQ(back.text_values().run_number, 5);
}

TEST_F(NativeWriter, FailedSaveLeavesTheOldFileAsItWas) {
    put_bytes(path, {1, 2, 3, 4, 5});
    {
        // A record with more values than a record chunk can count fails half-way.
        FileStorage m;
        m.add_param(weight());
        m.add_item(record(1, {1.0f}));
        FileStorageItem wide = record(2, {});
        wide.values.resize(300);
        m.add_item(wide);
        EXPECT_THROW(save_data_file(m, path, false), FileStorageException);
    }
    {
        // Text values that no reader could take back are refused.
        FileStorage m;
        m.text_values().set_value("заметки", std::string(40000, 'x'));
        try {
            save_data_file(m, path, false);
            ADD_FAILURE();
        } catch (const FileStorageException& e) {
            EXPECT_NE(std::string(e.what()).find("32767"), std::string::npos);
        }
        EXPECT_THROW(save_data_file(m, path, true), FileStorageException);
    }
    EXPECT_EQ(get_bytes(path), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(names(), Names{"run.realtim"});

    // A failed save of a new file leaves no file behind.
    FileStorage m;
    m.text_values().set_value("заметки", std::string(40000, 'x'));
    EXPECT_THROW(save_data_file(m, dir.file("new.realtim"), false), FileStorageException);
    EXPECT_FALSE(lib::io::file_exists(dir.file("new.realtim")));
    EXPECT_EQ(names(), Names{"run.realtim"});
}

TEST_F(NativeWriter, SaveKeepsPermissionsAndLeavesOtherFilesAlone) {
    // A user's file named like a temporary file is not the save's to overwrite.
    put_bytes(path + ".tmp", {7});
    put_bytes(path, {9});
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    FileStorage m;
    m.add_param(weight());
    m.add_item(record(1, {1.0f}));
    for (bool text_only : {false, true}) {
        SCOPED_TRACE(text_only);
        save_data_file(m, path, text_only);
        FileStorage back;
        load_data_file(back, path, false);
        EXPECT_EQ(back.item_count(), 1);
#ifndef _WIN32 // a Windows file takes its folder's permissions
        EXPECT_EQ(std::filesystem::status(path).permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                      std::filesystem::perms::group_read);
#endif
        EXPECT_EQ(get_bytes(path + ".tmp"), Bytes{7});
        EXPECT_EQ(names(), (Names{"run.realtim", "run.realtim.tmp"}));
    }

#ifndef _WIN32 // links need a privilege on Windows
    // Saved through a link, the linked file takes the data and the link stays a link.
    std::filesystem::create_directory(dir.file("archive"));
    const std::string linked = dir.file("archive/run.realtim");
    put_bytes(linked, {9});
    std::filesystem::create_symlink(linked, dir.file("link.realtim"));
    for (bool text_only : {false, true}) {
        save_data_file(m, dir.file("link.realtim"), text_only);
        EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.realtim")));
        FileStorage back;
        load_data_file(back, linked, false);
        EXPECT_EQ(back.item_count(), 1);
    }
#endif
}

TEST_F(NativeWriter, LockedTargetIsNotOverwrittenAndSavedFileIsLockable) {
    put_bytes(path, {9, 9, 9});
    FileStorage m;
    m.add_param(weight());
    m.add_item(record(1, {1.0f}));
    {
        lib::io::OSFile holder;
        holder.open(path, lib::io::OSFile::read_existing, true);
        try {
            save_data_file(m, path, false);
            ADD_FAILURE();
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Невозможно заблокировать файл!");
        }
        EXPECT_EQ(get_bytes(path), (Bytes{9, 9, 9}));
    }
    save_data_file(m, path, false);
    lib::io::OSFile after;
    EXPECT_NO_THROW(after.open(path, lib::io::OSFile::read_existing, true));
    EXPECT_EQ(names(), Names{"run.realtim"});
}

TEST_F(NativeWriter, TextOnlyUpdateReplacesTextChunksAndKeepsTheRest) {
    const Bytes records = ByteBuilder()
                              .chunk(2, sector_payload({sector_entry("N", "u", "s", "i", 0, 1)}))
                              .chunk(1, record_payload(1, 0, 0, 0, 0, {4}))
                              .chunk(9, {7, 7})
                              .bytes;
    ByteBuilder file;
    file.raw(records)
        .chunk(3, text_payload("old=1\r\n"))
        .chunk(1, record_payload(2, 0, 0, 0, 0, {5}));
    put_bytes(path, file.bytes);

    FileStorage m;
    m.text_values().set_value("new", "2");
    save_data_file(m, path, true);
    const Bytes bytes = get_bytes(path);
    // Every chunk but the text, in order, then the new text chunk.
    ByteBuilder expected;
    expected.raw(records).chunk(1, record_payload(2, 0, 0, 0, 0, {5}));
    ASSERT_GT(bytes.size(), expected.bytes.size());
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + expected.bytes.size()), expected.bytes);
    const auto chunks = chunks_of(bytes);
    EXPECT_EQ(chunks.back().kind, 3);
    EXPECT_EQ(chunks.back().offset, expected.bytes.size());
    EXPECT_EQ(names(), Names{"run.realtim"});

    FileStorage back;
    load_data_file(back, path, false);
    EXPECT_EQ(back.item_count(), 2);
    EXPECT_EQ(back.text_values().value_of("new"), "2");
    EXPECT_EQ(back.text_values().value_of("old"), "");
    EXPECT_TRUE(back.messages().empty());
}

TEST_F(NativeWriter, TextOnlyUpdateKeepsADamagedTailAndStopsOnBadLengths) {
    for (std::uint16_t length : {0x0000, 0x8000, 0xFFFF}) {
        SCOPED_TRACE(length);
        ByteBuilder file;
        file.chunk(2, sector_payload({sector_entry("N", "u", "s", "i", 0, 1)}));
        const std::size_t good = file.bytes.size();
        file.u8(1).u16(length).chunk(1, record_payload(2, 0, 0, 0, 0, {5}));
        const std::size_t old_text = file.bytes.size();
        // An old text chunk in the damaged tail must not win over the new text.
        file.chunk(3, text_payload("k=old\r\nold=1\r\n"));
        const std::size_t after_text = file.bytes.size();
        file.chunk(1, record_payload(3, 0, 0, 0, 0, {6}));
        put_bytes(path, file.bytes);

        FileStorage m;
        m.text_values().set_value("k", "v");
        save_data_file(m, path, true);
        const Bytes bytes = get_bytes(path);
        // The good chunks, the text chunk, then the unparsed rest as it was but for its text.
        Bytes tail(file.bytes.begin() + good, file.bytes.begin() + old_text);
        tail.insert(tail.end(), file.bytes.begin() + after_text, file.bytes.end());
        ASSERT_GT(bytes.size(), good + tail.size());
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + good),
                  Bytes(file.bytes.begin(), file.bytes.begin() + good));
        EXPECT_EQ(Bytes(bytes.end() - tail.size(), bytes.end()), tail);
        EXPECT_EQ(bytes[good], 3);

        FileStorage back;
        load_data_file(back, path, false);
        EXPECT_EQ(back.item_count(), 2);
        EXPECT_EQ(back.text_values().value_of("k"), "v");
        EXPECT_EQ(back.text_values().value_of("old"), "");
        FileStorage text_only;
        load_data_file(text_only, path, true);
        EXPECT_EQ(text_only.text_values().value_of("k"), "v");
    }
}

TEST_F(NativeWriter, TextOnlyUpdateOfAMissingFileWritesTheTextAlone) {
    FileStorage m;
    m.text_values().set_value("k", "v");
    save_data_file(m, path, true);
    const auto chunks = chunks_of(get_bytes(path));
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0].kind, 3);
}

} // namespace
