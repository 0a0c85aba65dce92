#pragma once
// Byte sinks and sources: BinaryOutputStream and BinaryInputStream, their memory and file forms,
// InputMemoryView, and write_value, read_value, write_text and read_text over them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "library/Fileworks.h"

namespace lib::io {

class BinaryOutputStream {
public:
    virtual ~BinaryOutputStream() = default;
    virtual void write(const void* bytes, std::size_t count) = 0;
};

class BinaryInputStream {
public:
    virtual ~BinaryInputStream() = default;
    virtual void read(void* destination, std::size_t count) = 0;
    virtual void skip(std::ptrdiff_t count) = 0;
    virtual bool at_end() const = 0;
};

class BinaryMemoryOutputStream : public BinaryOutputStream {
public:
    void write(const void* bytes, std::size_t count) override;
    std::size_t size() const { return buffer_.size(); }
    const std::uint8_t* data() const { return buffer_.empty() ? nullptr : buffer_.data(); }
    void reset() { buffer_.clear(); }

private:
    std::vector<std::uint8_t> buffer_;
};

class BinaryOutputFileStream : public BinaryOutputStream {
public:
    static constexpr std::size_t initial_capacity = 1024;
    static constexpr std::size_t flush_threshold = 0x20000;

    BinaryOutputFileStream();
    ~BinaryOutputFileStream() override;
    void open(const std::string& path, bool append, bool lock);
    // Buffers; flushes when the buffer then holds more than flush_threshold bytes.
    void write(const void* bytes, std::size_t count) override;
    void flush();
    void close();
    OSFile& file() { return file_; }
    std::size_t buffered() const { return buffer_.size(); }

private:
    OSFile file_;
    std::vector<std::uint8_t> buffer_;
};

// A source over bytes held in memory; the mapped file is one. Reads past the end raise
// "InputMappedFile::read: eof" and leave the position where it was.
class InputMemoryView : public BinaryInputStream {
public:
    InputMemoryView() = default;
    InputMemoryView(const void* base, std::size_t size) { attach(base, size); }
    void read(void* destination, std::size_t count) override;
    // No range check; saturates instead of overflowing on absurd counts.
    void skip(std::ptrdiff_t count) override;
    bool at_end() const override { return pos_ >= static_cast<std::ptrdiff_t>(size_); }
    std::ptrdiff_t tell() const { return pos_; }
    // Origins as OSFile::Origin.
    void seek(std::ptrdiff_t offset, int origin);
    std::size_t size() const { return size_; }
    const std::uint8_t* base() const { return base_; }
    // Bytes left from the position (0 when at or past the end, or before the start).
    std::size_t remaining() const;
    // The bytes before offset are not needed again soon: a view of a mapped file gives their
    // memory back (they stay readable, read again from the file when asked). A reader that
    // passes once over a large file calls it as it goes, so the file never sits in memory
    // whole.
    virtual void release_before(std::size_t) {}

protected:
    void attach(const void* base, std::size_t size);

private:
    const std::uint8_t* base_ = nullptr;
    std::size_t size_ = 0;
    std::ptrdiff_t pos_ = 0;
};

// Multi-byte values are little-endian raw images.
template <class T> void write_value(BinaryOutputStream& sink, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    sink.write(&value, sizeof value);
}

template <class T> T read_value(BinaryInputStream& source) {
    static_assert(std::is_trivially_copyable_v<T>);
    T value{};
    source.read(&value, sizeof value);
    return value;
}

// A text is its Windows-1251 bytes followed by one 0 byte (converted from and to UTF-8 here).
void write_text(BinaryOutputStream& sink, std::string_view utf8);
std::string read_text(BinaryInputStream& source);
std::uint8_t read_u8(BinaryInputStream& source);

} // namespace lib::io
