#pragma once
// Hand-built bytes of native data files for tests: little-endian values and chunks, put
// together field by field so that no test depends on the writer it checks.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "datafile/Assembling.h"
#include "formats/Formats.h"
#include "formats/Native_file.h"
#include "library/Binary_io.h"

using Bytes = std::vector<std::uint8_t>;

struct ByteBuilder {
    Bytes bytes;

    ByteBuilder& u8(std::uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    ByteBuilder& u16(std::uint16_t v) {
        return u8(static_cast<std::uint8_t>(v)).u8(static_cast<std::uint8_t>(v >> 8));
    }
    ByteBuilder& u32(std::uint32_t v) { return u16(static_cast<std::uint16_t>(v)).u16(v >> 16); }
    ByteBuilder& f32(float v) {
        std::uint32_t raw;
        std::memcpy(&raw, &v, 4);
        return u32(raw);
    }
    // Windows-1251 bytes given as they are, then the 0 byte.
    ByteBuilder& text(const std::string& cp1251) {
        bytes.insert(bytes.end(), cp1251.begin(), cp1251.end());
        return u8(0);
    }
    ByteBuilder& raw(const Bytes& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    // A chunk header with the payload's true length, then the payload.
    ByteBuilder& chunk(std::uint8_t kind, const Bytes& payload) {
        u8(kind).u16(static_cast<std::uint16_t>(payload.size()));
        return raw(payload);
    }
};

// Payload of a sector entry: name, unit, short name, ident, low, high.
inline Bytes sector_entry(const std::string& name, const std::string& unit,
                          const std::string& short_name, const std::string& ident, float low,
                          float high) {
    return ByteBuilder()
        .text(name)
        .text(unit)
        .text(short_name)
        .text(ident)
        .f32(low)
        .f32(high)
        .bytes;
}

inline Bytes sector_payload(const std::vector<Bytes>& entries) {
    ByteBuilder b;
    b.u8(static_cast<std::uint8_t>(entries.size()));
    for (const auto& e : entries)
        b.raw(e);
    return b.bytes;
}

// time, depth1, depth3, kind, depth2, count, values.
inline Bytes record_payload(std::uint32_t time, float depth1, float depth3, std::uint8_t kind,
                            float depth2, const std::vector<float>& values) {
    ByteBuilder b;
    b.u32(time).f32(depth1).f32(depth3).u8(kind).f32(depth2).u8(
        static_cast<std::uint8_t>(values.size()));
    for (float v : values)
        b.f32(v);
    return b.bytes;
}

inline Bytes text_payload(const std::string& cp1251_lines) {
    return ByteBuilder().text(cp1251_lines).bytes;
}

// Loads bytes the way a file is loaded, but straight from memory.
inline void load_bytes(FileStorage& model, const Bytes& bytes, bool text_only = false) {
    lib::io::InputMemoryView view(bytes.data(), bytes.size());
    native::load(model, view, text_only);
}
