#include "library/Binary_io.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "Scratch_dir.h"
#include "library/Mappedfile.h"

using namespace lib::io;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes contents(const BinaryMemoryOutputStream& sink) {
    return sink.size() ? Bytes(sink.data(), sink.data() + sink.size()) : Bytes{};
}

std::int64_t size_on_disk(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(u8_path(path), ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

// A source that is not a memory view, so the byte-by-byte text reading is used.
class ForwardSource : public BinaryInputStream {
public:
    // Reads from `bytes` in place; they must outlive the source.
    explicit ForwardSource(const Bytes& bytes) : view_(bytes.data(), bytes.size()) {}
    void read(void* destination, std::size_t count) override { view_.read(destination, count); }
    void skip(std::ptrdiff_t count) override { view_.skip(count); }
    bool at_end() const override { return view_.at_end(); }

private:
    InputMemoryView view_;
};

const std::string eof_message = "InputMappedFile::read: eof";

} // namespace

TEST(BinaryMemoryOutputStream, AppendsResetsAndWritesLittleEndianImages) {
    BinaryMemoryOutputStream sink;
    EXPECT_EQ(sink.data(), nullptr);
    write_value<std::uint16_t>(sink, 0x1234);
    write_value<std::int32_t>(sink, -2);
    write_value<float>(sink, 1.0f);
    write_value<std::int8_t>(sink, -1);
    EXPECT_EQ(contents(sink),
              (Bytes{0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0x3F, 0xFF}));
    sink.write(nullptr, 0);
    EXPECT_EQ(sink.size(), 11u);
    sink.reset();
    EXPECT_EQ(sink.size(), 0u);
    EXPECT_EQ(sink.data(), nullptr);
    write_value<std::uint8_t>(sink, 7);
    EXPECT_EQ(contents(sink), Bytes{7});
}

TEST(BinaryText, WritesWindows1251BytesAndOneZero) {
    BinaryMemoryOutputStream sink;
    write_text(sink, "");
    EXPECT_EQ(contents(sink), Bytes{0x00});

    sink.reset();
    write_text(sink, "Вес на крюке, т");
    EXPECT_EQ(contents(sink), (Bytes{0xC2, 0xE5, 0xF1, 0x20, 0xED, 0xE0, 0x20, 0xEA, 0xF0, 0xFE,
                                     0xEA, 0xE5, 0x2C, 0x20, 0xF2, 0x00}));

    // An embedded 0 would end the text on reading; whatever follows it is not written, so the
    // next field still starts where the reader expects it.
    sink.reset();
    write_text(sink, std::string("ab\0cd", 5));
    EXPECT_EQ(contents(sink), (Bytes{'a', 'b', 0x00}));
}

TEST(BinaryText, ReadsUpToTheFirstZeroFromAnySource) {
    const Bytes bytes{0x00, 0xB8, 0xEB, 0xEA, 0xE0, 0x00, 'x', 0x00, 0x05};
    InputMemoryView view(bytes.data(), bytes.size());
    ForwardSource forward(bytes);
    for (BinaryInputStream* source :
         {static_cast<BinaryInputStream*>(&view), static_cast<BinaryInputStream*>(&forward)}) {
        EXPECT_EQ(read_text(*source), "");
        EXPECT_EQ(read_text(*source), "ёлка");
        EXPECT_EQ(read_text(*source), "x");
        EXPECT_EQ(read_u8(*source), 5);
        EXPECT_TRUE(source->at_end());
        EXPECT_EQ(error_of([&] { read_u8(*source); }), eof_message);
    }
}

TEST(BinaryText, TextWithoutItsZeroIsAnEofAndKeepsThePosition) {
    const Bytes bytes{'o', 'k', 0x00, 'a', 'b', 'c'};
    InputMemoryView view(bytes.data(), bytes.size());
    EXPECT_EQ(read_text(view), "ok");
    EXPECT_EQ(error_of([&] { read_text(view); }), eof_message);
    EXPECT_EQ(view.tell(), 3);
    view.skip(10);
    EXPECT_EQ(error_of([&] { read_text(view); }), eof_message);
    view.seek(-1, OSFile::from_begin);
    EXPECT_EQ(error_of([&] { read_text(view); }), eof_message);

    const Bytes unterminated{'a', 'b'};
    ForwardSource forward(unterminated);
    EXPECT_EQ(error_of([&] { read_text(forward); }), eof_message);

    InputMemoryView empty;
    EXPECT_EQ(error_of([&] { read_text(empty); }), eof_message);
}

TEST(InputMemoryView, ReadsAndFailsWithoutMoving) {
    const Bytes bytes{1, 2, 3, 4, 5};
    InputMemoryView view(bytes.data(), bytes.size());
    std::uint8_t out[4] = {};
    view.read(out, 3);
    EXPECT_EQ(out[2], 3);
    EXPECT_EQ(view.remaining(), 2u);
    EXPECT_EQ(error_of([&] { view.read(out, 3); }), eof_message);
    EXPECT_EQ(view.tell(), 3);
    EXPECT_EQ(read_value<std::uint16_t>(view), 0x0504);
    EXPECT_TRUE(view.at_end());
    view.read(out, 0); // nothing asked, nothing wrong
}

TEST(InputMemoryView, SkipAndSeekAreUnchecked) {
    const Bytes bytes{10, 20, 30, 40};
    InputMemoryView view(bytes.data(), bytes.size());
    view.skip(6);
    EXPECT_TRUE(view.at_end());
    EXPECT_EQ(view.remaining(), 0u);
    EXPECT_EQ(error_of([&] { read_u8(view); }), eof_message);
    view.skip(-5);
    EXPECT_EQ(read_u8(view), 20);

    view.seek(-1, OSFile::from_end);
    EXPECT_EQ(read_u8(view), 40);
    view.seek(-3, OSFile::from_current);
    EXPECT_EQ(read_u8(view), 20);
    view.seek(2, OSFile::from_begin);
    EXPECT_EQ(read_u8(view), 30);
    EXPECT_THROW(view.seek(0, 3), std::runtime_error);

    // Before the start nothing can be read either, and at_end stays false.
    view.seek(-2, OSFile::from_begin);
    EXPECT_FALSE(view.at_end());
    EXPECT_EQ(view.remaining(), 0u);
    EXPECT_EQ(error_of([&] { read_u8(view); }), eof_message);

    // Lengths taken from damaged files may be absurd; the position must not wrap round.
    constexpr auto huge = std::numeric_limits<std::ptrdiff_t>::max();
    view.seek(0, OSFile::from_begin);
    view.skip(huge);
    view.skip(huge);
    EXPECT_TRUE(view.at_end());
    view.seek(huge, OSFile::from_end);
    EXPECT_TRUE(view.at_end());
    view.skip(-huge);
    view.skip(-huge);
    view.skip(-huge);
    EXPECT_FALSE(view.at_end());
    EXPECT_EQ(error_of([&] { read_u8(view); }), eof_message);
}

TEST(BinaryOutputFileStream, FlushesOnlyWhenMoreThan128KiBAreBuffered) {
    ScratchDir dir;
    const std::string path = dir.file("out.realtim");
    BinaryOutputFileStream out;
    out.open(path, false, true);
    const Bytes block(BinaryOutputFileStream::flush_threshold, 0xAB);
    out.write(block.data(), block.size());
    EXPECT_EQ(out.buffered(), 131072u);
    EXPECT_EQ(size_on_disk(path), 0);
    const std::uint8_t one = 0xCD;
    out.write(&one, 1);
    EXPECT_EQ(out.buffered(), 0u);
    EXPECT_EQ(size_on_disk(path), 131073);

    out.write("xyz", 3);
    EXPECT_EQ(size_on_disk(path), 131073);
    out.close();
    EXPECT_FALSE(out.file().is_open());
    const Bytes written = get_bytes(path);
    ASSERT_EQ(written.size(), 131076u);
    EXPECT_EQ(written[131071], 0xAB);
    EXPECT_EQ(written[131072], 0xCD);
    EXPECT_EQ(written[131075], 'z');
}

TEST(BinaryOutputFileStream, AppendTruncateAndDestructionFlush) {
    ScratchDir dir;
    const std::string path = dir.file("journal.dat");
    put_bytes(path, {'o', 'l', 'd'});
    {
        BinaryOutputFileStream out;
        out.open(path, true, false);
        out.write("+new", 4);
    } // destruction flushes and closes
    EXPECT_EQ(get_bytes(path), (Bytes{'o', 'l', 'd', '+', 'n', 'e', 'w'}));
    {
        BinaryOutputFileStream out;
        out.open(path, false, false);
        out.write("!", 1);
        out.flush();
        EXPECT_EQ(get_bytes(path), Bytes{'!'});
        // Reopening first hands what is buffered to the file it was written for.
        out.write("?", 1);
        out.open(dir.file("other.dat"), false, false);
        out.close();
        EXPECT_EQ(get_bytes(path), (Bytes{'!', '?'}));
        EXPECT_EQ(get_bytes(dir.file("other.dat")), Bytes{});
    }
}

TEST(BinaryOutputFileStream, BufferedBytesWithoutAFileAreAnError) {
    BinaryOutputFileStream out;
    out.close(); // nothing buffered, nothing to complain about
    out.write("ab", 2);
    EXPECT_EQ(error_of([&] { out.flush(); }), "Попытка записи в файл с дескриптором 0xFFFFFFFF!");
    EXPECT_EQ(out.buffered(), 2u); // a failed flush drops nothing
    EXPECT_EQ(error_of([&] { out.close(); }), "Попытка записи в файл с дескриптором 0xFFFFFFFF!");
}

TEST(BinaryOutputFileStream, LockedFileRefusesASecondLockedWriter) {
    OSFile::set_retry_pause_ms(1);
    ScratchDir dir;
    const std::string path = dir.file("x.realtim");
    BinaryOutputFileStream first, second;
    first.open(path, false, true);
    first.write("keep", 4);
    first.flush();
    EXPECT_EQ(error_of([&] { second.open(path, false, true); }), "Невозможно заблокировать файл!");
    first.close();
    EXPECT_EQ(get_bytes(path), (Bytes{'k', 'e', 'e', 'p'}));
    OSFile::set_retry_pause_ms(100);
}

TEST(InputMappedFile, MapsTheWholeFileAndReopens) {
    ScratchDir dir;
    const std::string a = dir.file("a.realtim"), b = dir.file("b.realtim");
    put_bytes(a, {0x01, 0x02, 0x03, 0x04, 'h', 'i', 0x00});
    put_bytes(b, {0xFF});
    InputMappedFile in;
    in.open(a, true);
    EXPECT_TRUE(in.file().locked());
    EXPECT_EQ(in.size(), 7u);
    EXPECT_EQ(read_value<std::uint32_t>(in), 0x04030201u);
    EXPECT_EQ(read_text(in), "hi");
    EXPECT_TRUE(in.at_end());

    in.open(b, false);
    EXPECT_EQ(in.tell(), 0);
    EXPECT_EQ(read_u8(in), 0xFF);

    in.close();
    EXPECT_FALSE(in.file().is_open());
    EXPECT_EQ(in.size(), 0u);
    EXPECT_TRUE(in.at_end());
    EXPECT_EQ(error_of([&] { read_u8(in); }), eof_message);
}

TEST(InputMappedFile, FailedOpensLeaveItClosed) {
    OSFile::set_retry_pause_ms(1);
    ScratchDir dir;
    const std::string empty = dir.file("empty.realtim"), full = dir.file("full.realtim");
    put_bytes(empty, {});
    put_bytes(full, {1, 2});
    InputMappedFile in;
    EXPECT_EQ(error_of([&] { in.open(empty, true); }),
              "InputMappedFile::open: (h_file_mapping == NULL)");
    EXPECT_FALSE(in.file().is_open());
    // The refused open released its lock with the file.
    OSFile other;
    other.open(empty, OSFile::read_existing, true);
    other.close();

    in.open(full, false);
    EXPECT_EQ(error_of([&] { in.open(dir.file("missing"), false); }), "Файл не найден!");
    EXPECT_FALSE(in.file().is_open());
    EXPECT_EQ(in.size(), 0u);

    other.open(full, OSFile::write_append, true);
    EXPECT_EQ(error_of([&] { in.open(full, true); }), "Невозможно заблокировать файл!");
    EXPECT_FALSE(in.file().is_open());
    OSFile::set_retry_pause_ms(100);
}
