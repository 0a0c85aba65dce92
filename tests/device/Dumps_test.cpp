#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/Dumps.h"

using device::FrameDecoder;

namespace {

struct Fed {
    std::vector<std::string> frames;
    int framing_errors = 0;
};

Fed feed_all(const std::vector<int>& wire) {
    FrameDecoder d;
    Fed out;
    for (int b : wire) {
        switch (d.feed(static_cast<std::uint8_t>(b))) {
        case FrameDecoder::Step::complete:
            out.frames.push_back(d.payload());
            break;
        case FrameDecoder::Step::framing_error:
            ++out.framing_errors;
            break;
        case FrameDecoder::Step::more:
            break;
        }
    }
    return out;
}

std::string bytes(const std::vector<int>& v) {
    std::string s;
    for (int b : v)
        s.push_back(static_cast<char>(b));
    return s;
}

// 5 March 2007 is day 39146 after 30 December 1899.
constexpr double march_5_2007 = 39146.0;
constexpr double at_9_05_30 = (9 * 3600 + 5 * 60 + 30) / 86400.0;

std::optional<device::AlarmLine> record_of(std::string_view line) {
    device::AlarmLine a;
    if (device::decode_alarm_line(line, a) != device::AlarmLineShape::record)
        return std::nullopt;
    return a;
}

device::AlarmLineShape shape_of(std::string_view line) {
    device::AlarmLine a;
    return device::decode_alarm_line(line, a);
}

} // namespace

TEST(FrameDecoder, UnescapesDoubledByteAndSplitsFrames) {
    const Fed f = feed_all({1, 255, 255, 2, 255, 0, 0, 255, 0, 255, 0});
    ASSERT_EQ(f.frames.size(), 3u);
    EXPECT_EQ(f.frames[0], bytes({1, 255, 2}));
    EXPECT_EQ(f.frames[1], bytes({0})); // a zero byte outside an escape is data
    EXPECT_EQ(f.frames[2], "");         // the empty frame that ends a dump
    EXPECT_EQ(f.framing_errors, 0);
}

TEST(FrameDecoder, BadEscapeIsFramingErrorAndNextFrameStartsClean) {
    const Fed f = feed_all({1, 255, 7, 9, 8, 255, 0});
    EXPECT_EQ(f.framing_errors, 1);
    ASSERT_EQ(f.frames.size(), 1u);
    EXPECT_EQ(f.frames[0], bytes({9, 8}));
}

TEST(FrameDecoder, OverLongFrameIsFramingError) {
    FrameDecoder d;
    int errors = 0;
    for (std::size_t i = 0; i < device::MAX_MESSAGE_BYTES + 10; ++i)
        if (d.feed(1) == FrameDecoder::Step::framing_error)
            ++errors;
    EXPECT_EQ(errors, 1);
    // The decoder is usable again afterwards.
    EXPECT_EQ(d.feed(5), FrameDecoder::Step::more);
    EXPECT_EQ(d.feed(255), FrameDecoder::Step::more);
    EXPECT_EQ(d.feed(0), FrameDecoder::Step::complete);
}

TEST(DecodeRecord, LittleEndianTimeAndSingleValue) {
    // time 0x01020304, value 12.5f = 0x41480000
    const auto r = device::decode_record(bytes({0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x48, 0x41}));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->time, 0x01020304u);
    EXPECT_FLOAT_EQ(r->value, 12.5f);

    EXPECT_FALSE(device::decode_record(std::string(7, '\0')));
    EXPECT_FALSE(device::decode_record(std::string(9, '\0')));
    EXPECT_FALSE(device::decode_record(""));

    // A time that 32 bits cannot hold (4294967295 is no time) has no program time at all.
    const std::pair<std::uint32_t, std::optional<std::uint32_t>> times[] = {
        {0, 86400u},
        {4294880894u, 4294967294u},
        {4294880895u, std::nullopt},
        {4294900000u, std::nullopt},
        {0xFFFFFFFFu, std::nullopt}};
    for (const auto& [logger, program] : times)
        EXPECT_EQ(device::record_time(logger), program) << logger;
}

TEST(AlarmDateTime, FixedPositionsAnySeparatorsAnyMonthCase) {
    EXPECT_DOUBLE_EQ(*device::decode_alarm_datetime("2007 MAR 05 09:05:30"),
                     march_5_2007 + at_9_05_30);
    EXPECT_DOUBLE_EQ(*device::decode_alarm_datetime("2007-mar-05T09.05.30 trailing"),
                     march_5_2007 + at_9_05_30);
    EXPECT_DOUBLE_EQ(*device::decode_alarm_datetime("2008/Feb/29 23:59:59"),
                     39507.0 + 86399.0 / 86400.0);

    EXPECT_EQ(device::month_lookup("jan"), 1);
    EXPECT_EQ(device::month_lookup("DEC"), 12);
    EXPECT_EQ(device::month_lookup("Sep"), 9);
    EXPECT_EQ(device::month_lookup("MA"), -1);
    EXPECT_EQ(device::month_lookup("MARC"), -1);
    EXPECT_EQ(device::month_lookup("МАР"), -1);
}

TEST(AlarmDateTime, ImpossibleMomentsGiveNothing) {
    for (const char* text : {"2007 XYZ 05 09:05:30", "2007 APR 31 09:05:30", "2007 FEB 29 00:00:00",
                             "2007 MAR 05 24:00:00", "2007 MAR 05 09:60:00", "2007 MAR 05 09:05:60",
                             "20x7 MAR 05 09:05:30", "2007 MAR 00 09:05:30", "2007 MAR", ""})
        EXPECT_FALSE(device::decode_alarm_datetime(text)) << text;
}

TEST(AlarmLine, ThreeAndFourFieldsOthersIgnored) {
    auto a = record_of("0\t2007 MAR 05 09:05:30\t12.5");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->code, 0);
    EXPECT_DOUBLE_EQ(a->start, march_5_2007 + at_9_05_30);
    EXPECT_DOUBLE_EQ(a->end, 0.0);
    EXPECT_FLOAT_EQ(a->value, 12.5f);

    a = record_of("7\t2007 MAR 05 09:05:30\t2007 MAR 05 10:00:00\t12,5");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->code, 7);
    EXPECT_DOUBLE_EQ(a->end, march_5_2007 + 10.0 / 24.0);
    EXPECT_FLOAT_EQ(a->value, 12.5f);

    a = record_of("x\t2007 mar 05 09:05:30\tnone\t");
    ASSERT_TRUE(a); // a trailing tab adds no item
    EXPECT_EQ(a->code, 255);
    EXPECT_FLOAT_EQ(a->value, 0.0f);

    EXPECT_EQ(record_of("99999999999\t2007 MAR 05 09:05:30\t1")->code, 255);

    using Shape = device::AlarmLineShape;
    EXPECT_EQ(shape_of("0\t2007 MAR 05 09:05:30"), Shape::skipped);
    EXPECT_EQ(shape_of("0\t2007 MAR 05 09:05:30\t1\t2\t3"), Shape::skipped);
    EXPECT_EQ(shape_of(""), Shape::skipped);
    EXPECT_EQ(shape_of("   "), Shape::skipped);
    // Shape is checked before dates, so a malformed two-field line is only skipped.
    EXPECT_EQ(shape_of("0\tgarbage"), Shape::skipped);
    EXPECT_EQ(shape_of("0\tgarbage\t1"), Shape::impossible_date);
    EXPECT_EQ(shape_of("0\t2007 MAR 05 09:05:30\t2007 MAR 32 00:00:00\t1"), Shape::impossible_date);
}
