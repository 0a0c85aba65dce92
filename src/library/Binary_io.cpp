#include "library/Binary_io.h"

#include <cstring>
#include <limits>
#include <stdexcept>

#include "library/Codepage.h"
#include "library/File_error.h"

namespace lib::io {

namespace {

[[noreturn]] void eof() {
    const char* message = "InputMappedFile::read: eof";
    throw file_error(FileErrorKind::truncated, message, message);
}

std::ptrdiff_t saturated_add(std::ptrdiff_t a, std::ptrdiff_t b) {
    std::ptrdiff_t sum;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<std::ptrdiff_t>::max()
                 : std::numeric_limits<std::ptrdiff_t>::min();
}

} // namespace

void BinaryMemoryOutputStream::write(const void* bytes, std::size_t count) {
    if (count == 0)
        return;
    auto* first = static_cast<const std::uint8_t*>(bytes);
    buffer_.insert(buffer_.end(), first, first + count);
}

BinaryOutputFileStream::BinaryOutputFileStream() {
    buffer_.reserve(initial_capacity);
}

BinaryOutputFileStream::~BinaryOutputFileStream() {
    try {
        close();
    } catch (...) {
        // A destructor cannot report; callers who care call close() themselves.
    }
}

void BinaryOutputFileStream::open(const std::string& path, bool append, bool lock) {
    // Bytes still buffered belong to the file open now, not to the next one.
    close();
    file_.open(path, append ? OSFile::write_append : OSFile::write_truncate, lock);
}

void BinaryOutputFileStream::write(const void* bytes, std::size_t count) {
    if (count == 0)
        return;
    auto* first = static_cast<const std::uint8_t*>(bytes);
    buffer_.insert(buffer_.end(), first, first + count);
    if (buffer_.size() > flush_threshold)
        flush();
}

void BinaryOutputFileStream::flush() {
    // Buffered bytes with no file to take them are an error, not something to drop quietly.
    if (buffer_.empty())
        return;
    file_.write(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void BinaryOutputFileStream::close() {
    try {
        flush();
    } catch (...) {
        buffer_.clear();
        file_.close();
        throw;
    }
    file_.close();
}

void InputMemoryView::attach(const void* base, std::size_t size) {
    base_ = static_cast<const std::uint8_t*>(base);
    size_ = base_ ? size : 0;
    pos_ = 0;
}

std::size_t InputMemoryView::remaining() const {
    if (pos_ < 0 || static_cast<std::size_t>(pos_) >= size_)
        return 0;
    return size_ - static_cast<std::size_t>(pos_);
}

void InputMemoryView::read(void* destination, std::size_t count) {
    if (count > remaining())
        eof();
    if (count == 0)
        return;
    std::memcpy(destination, base_ + pos_, count);
    pos_ += static_cast<std::ptrdiff_t>(count);
}

void InputMemoryView::skip(std::ptrdiff_t count) {
    pos_ = saturated_add(pos_, count);
}

void InputMemoryView::seek(std::ptrdiff_t offset, int origin) {
    switch (origin) {
    case OSFile::from_begin:
        pos_ = offset;
        break;
    case OSFile::from_end:
        pos_ = saturated_add(static_cast<std::ptrdiff_t>(size_), offset);
        break;
    case OSFile::from_current:
        pos_ = saturated_add(pos_, offset);
        break;
    default:
        throw std::runtime_error("InputMappedFile::seek: bad origin");
    }
}

void write_text(BinaryOutputStream& sink, std::string_view utf8) {
    // A 0 byte ends the text on reading, so nothing after one could be read back.
    utf8 = utf8.substr(0, utf8.find('\0'));
    const std::string bytes = to_cp1251(utf8);
    sink.write(bytes.data(), bytes.size());
    const char terminator = 0;
    sink.write(&terminator, 1);
}

std::string read_text(BinaryInputStream& source) {
    // A memory source is searched in place, so a text without its 0 byte leaves the position
    // where it was, like any other failed read.
    if (auto* view = dynamic_cast<InputMemoryView*>(&source)) {
        const std::size_t left = view->remaining();
        const auto* start = view->base() + (left ? view->tell() : 0);
        const void* zero = left ? std::memchr(start, 0, left) : nullptr;
        if (!zero)
            eof();
        const auto length =
            static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - start);
        std::string text = from_cp1251({reinterpret_cast<const char*>(start), length});
        view->skip(static_cast<std::ptrdiff_t>(length + 1));
        return text;
    }
    std::string bytes;
    for (char c; (c = static_cast<char>(read_u8(source))) != 0;)
        bytes.push_back(c);
    return from_cp1251(bytes);
}

std::uint8_t read_u8(BinaryInputStream& source) {
    return read_value<std::uint8_t>(source);
}

} // namespace lib::io
