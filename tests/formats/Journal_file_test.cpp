#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "formats/Journal_file.h"
#include "library/Scratch_dir.h"

namespace fs = std::filesystem;

namespace {

// 5 March 2007 as a calendar date-time number.
constexpr double march5 = 39146.0;
constexpr double at_9_05 = march5 + (9 * 3600 + 5 * 60) / 86400.0;

class JournalFile : public ::testing::Test {
protected:
    static void write_bytes(const fs::path& p, const std::string& bytes) {
        std::ofstream(p, std::ios::binary) << bytes;
    }
    static std::string read_bytes(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    ScratchDir scratch;
    const fs::path& dir = scratch.path();
};

} // namespace

TEST(JournalText, WritesFixedFieldsWithCrLf) {
    LogStorage j;
    j.Add(39146.5, 0.0, 0, 12.5f);
    j.Add(39146.123456789012, 39147.00000000004, -3, 0.0005f);
    EXPECT_EQ(journal_file::to_text(j), "0 39146.5000000000 0.0000000000 12.500\r\n"
                                        "-3 39146.1234567890 39147.0000000000 0.001\r\n");
    EXPECT_EQ(journal_file::to_text(LogStorage()), "");
}

TEST(JournalText, ReadsBothLineEndsAndDropsLinesWithoutStart) {
    LogStorage j;
    j.Add(1.0, 0.0, 1, 1.0f); // replaced by the load
    journal_file::load_text(j, "0 39146.5000000000 0.0000000000 12.500\r\n"
                               "\r\n"
                               "3 39147.25 39147.5 0\n"
                               "\n"
                               "1 0.9999 0 0\r\n"     // integer part 0: dropped
                               "1 -0.5 0 0\r\n"       // integer part 0 too
                               "x 39148,75 0 1,5\r\n" // a code that is no number, commas
                               "12abc 39149 0 0\n"
                               "5 39150");
    ASSERT_EQ(j.Count(), 5);
    const auto& r = j.Records();
    EXPECT_EQ(r[0].code, 0);
    EXPECT_EQ(r[0].start, 39146.5);
    EXPECT_EQ(r[0].end, 0.0);
    EXPECT_EQ(r[0].value, 12.5f);
    EXPECT_EQ(r[1].code, 3);
    EXPECT_EQ(r[1].start, 39147.25);
    EXPECT_EQ(r[1].end, 39147.5);
    EXPECT_EQ(r[2].code, 255);
    EXPECT_EQ(r[2].start, 39148.75);
    EXPECT_EQ(r[2].value, 1.5f);
    EXPECT_EQ(r[3].code, 255);
    EXPECT_EQ(r[4].code, 5);
    EXPECT_EQ(r[4].start, 39150.0);
    EXPECT_EQ(r[4].end, 0.0);
    EXPECT_EQ(r[4].value, 0.0f);
}

TEST(JournalText, DamagedNumbersAreDropped) {
    LogStorage j;
    journal_file::load_text(j, "0 nan 0 0\r\n" // words are no numbers: start 0
                               "0 1e999 0 0\r\n"
                               "0 1e300 0 0\r\n"
                               "0 39146 -1e300 0\r\n"
                               "0 39146 0 1e39\r\n"
                               "0 39146 0 -1e400\r\n"
                               "0 99999999999999999999999 0 0\r\n"
                               "99999999999 39146 0 0\r\n"
                               "1 39146 0 3.4e38\r\n"
                               "2 39146 0 nan\r\n");
    ASSERT_EQ(j.Count(), 3);
    EXPECT_EQ(j.Records()[0].code, 255); // a code beyond 32 bits is not a number
    EXPECT_EQ(j.Records()[1].code, 1);
    EXPECT_EQ(j.Records()[2].code, 2);
    EXPECT_EQ(j.Records()[2].value, 0.0f);
    EXPECT_FALSE(j.CellText(2, 1).empty());
}

// Lines near the shape every writer writes, each read alone: blanks other than spaces, quotes,
// signs, commas and text after a number all read as the plain reading of the line says.
TEST(JournalText, LinesNearTheWrittenShapeReadAsTheirFields) {
    struct Case {
        const char* line;
        bool kept;
        EventKind code;
        double start, end;
        float value;
    };
    const Case cases[] = {
        {"  7  39146.5   39147.5  2.5  more", true, 7, 39146.5, 39147.5, 2.5f},
        {"-3 39146.5 0 1", true, -3, 39146.5, 0, 1},
        {"7 1e3 0 .5", true, 7, 1000, 0, 0.5f},
        {"7\t39146.5 0 1", false, 0, 0, 0, 0}, // a tab is no separator: the start is "0"
        {"7 \t39146.5 0 1", true, 7, 39146.5, 0, 1},
        {"7 \"39146.5\" 0 1", true, 7, 39146.5, 0, 1},
        {"7 39146.5 0 1\t", true, 7, 39146.5, 0, 1},
        {"7 39146.5 39147,5 1", true, 7, 39146.5, 39147.5, 1},
        {"+7 +39146.5 +0 -1", true, 255, 39146.5, 0, -1},
        {"7 39146.5x 0 1", true, 7, 39146.5, 0, 1},
        {"7x 39146.5 0 1", true, 255, 39146.5, 0, 1},
        {"7 39146.5 0", true, 7, 39146.5, 0, 0},
        {"7 - 39146.5 0", false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        LogStorage j;
        journal_file::load_text(j, c.line);
        ASSERT_EQ(j.Count(), c.kept ? 1 : 0);
        if (!c.kept)
            continue;
        const LogRecord& r = j.Records()[0];
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.start, c.start);
        EXPECT_EQ(r.end, c.end);
        EXPECT_EQ(r.value, c.value);
    }
}

TEST_F(JournalFile, RoundTripRoundsToTheFileFormat) {
    LogStorage j;
    j.Add(at_9_05, 0.0, 0, 12.5f);
    j.Add(39146.123456789012345, 39147.98765432101, 7, 1.23456f);
    j.Add(-2.25, 0.0, 255, 0.0f);
    const fs::path file = dir / "run5.dat";
    journal_file::save(j, file.string());
    EXPECT_EQ(scratch.names(), std::vector<std::string>{"run5.dat"}); // no temporary left

    LogStorage back;
    journal_file::load(back, file.string());
    ASSERT_EQ(back.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        const LogRecord& a = j.Records()[i];
        const LogRecord& b = back.Records()[i];
        EXPECT_EQ(b.code, a.code);
        EXPECT_NEAR(b.start, a.start, 0.5e-10);
        EXPECT_NEAR(b.end, a.end, 0.5e-10);
        EXPECT_NEAR(b.value, a.value, 0.0005f);
    }
    EXPECT_EQ(back.Records()[1].value, 1.235f);
    EXPECT_EQ(back.Records()[1].start, 39146.123456789);
    EXPECT_EQ(back.CellText(1, 0), "05.03.2007 9:05:00");
}

TEST_F(JournalFile, MissingOrEmptyFileGivesEmptyJournal) {
    LogStorage j;
    j.Add(39146.0, 0.0, 1, 0.0f);
    journal_file::load(j, (dir / "none.dat").string());
    EXPECT_EQ(j.Count(), 0);

    write_bytes(dir / "empty.dat", "");
    j.Add(39146.0, 0.0, 1, 0.0f);
    journal_file::load(j, (dir / "empty.dat").string());
    EXPECT_EQ(j.Count(), 0);
}

TEST_F(JournalFile, FailedSaveRaisesAndLeavesNoTemporary) {
    LogStorage j;
    j.Add(39146.5, 0.0, 0, 1.0f);

    const std::string nowhere = (dir / "no_such_dir" / "x.dat").string();
    try {
        journal_file::save(j, nowhere);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Невозможно открыть файл '" + nowhere + "' для записи: " +
                      lib::io::file_error_text(lib::io::FileErrorKind::no_folder));
    }

    // A directory in the way of the rename: the save fails and leaves no temporary file.
    fs::create_directories(dir / "busy.dat" / "inside");
    EXPECT_THROW(journal_file::save(j, (dir / "busy.dat").string()), std::runtime_error);
    EXPECT_EQ(scratch.names(), std::vector<std::string>{"busy.dat"});

    // A user's file named like a temporary one is not the save's to overwrite, and a journal
    // reached through a link is written into the file the link names (links need a privilege on
    // Windows).
    write_bytes(dir / "kept.dat", "1 39000.0000000000 0.0000000000 0.000\r\n");
    write_bytes(dir / "kept.dat.tmp", "mine");
    std::vector<std::string> names = {"busy.dat", "kept.dat", "kept.dat.tmp"};
    fs::path saved_as = dir / "kept.dat";
#ifndef _WIN32
    saved_as = dir / "link.dat";
    fs::create_symlink(dir / "kept.dat", saved_as);
    names.push_back("link.dat");
#endif
    journal_file::save(j, saved_as.string());
    EXPECT_EQ(read_bytes(dir / "kept.dat"), "0 39146.5000000000 0.0000000000 1.000\r\n");
    EXPECT_EQ(fs::is_symlink(saved_as), saved_as != dir / "kept.dat");
    EXPECT_EQ(read_bytes(dir / "kept.dat.tmp"), "mine");
    EXPECT_EQ(scratch.names(), names);
}

namespace {

// A journal line that would load if it were kept, padded with zeros to `length` bytes before
// its line end.
std::string padded_line(const std::string& head, std::size_t length, const char* eol) {
    std::string line = head + ".";
    line.append(length - line.size(), '0');
    return line + eol;
}

void expect_codes(const LogStorage& j, const std::vector<EventKind>& codes) {
    std::vector<EventKind> got;
    for (const LogRecord& r : j.Records())
        got.push_back(r.code);
    EXPECT_EQ(got, codes);
}

double bytes_per_record(const LogStorage& j) {
    return static_cast<double>(j.Records().capacity() * sizeof(LogRecord)) / j.Count();
}

} // namespace

TEST_F(JournalFile, OverlongLinesAreSkippedAcrossPieces) {
    constexpr std::size_t piece = journal_file::piece_bytes;
    constexpr std::size_t limit = journal_file::longest_line;
    std::string bytes = "1 39146.5 0 1\r\n";
    // An overlong line inside the first piece; the next line's CR ends the piece, its LF
    // begins the second.
    const std::string split_crlf = "2 39146.6 0 2\r\n";
    bytes += padded_line("9 39146.7 0 1", piece + 1 - bytes.size() - split_crlf.size() - 2, "\r\n");
    bytes += split_crlf;
    ASSERT_EQ(bytes.substr(piece - 1, 2), "\r\n");
    // A line of exactly the limit whose CR ends the second piece: it is held whole and kept.
    const std::size_t limit_start = 2 * piece - 1 - limit;
    bytes += padded_line("9 39146.8 0 1", limit_start - bytes.size() - 2, "\r\n");
    bytes += padded_line("3 39146.9 0 3", limit, "\r\n");
    ASSERT_EQ(bytes.size(), 2 * piece + 1);
    // One byte over the limit, with either line end; then a line spanning three pieces.
    bytes += padded_line("9 39147.0 0 1", limit + 1, "\n");
    bytes += padded_line("9 39147.1 0 1", limit + 1, "\r\n");
    bytes += padded_line("9 39147.2 0 1", 3 * piece, "\r\n");
    bytes += "4 39147.3 0 4\n\n5 39147.4 0 5"; // the last line needs no line end
    write_bytes(dir / "long.dat", bytes);

    LogStorage j;
    journal_file::load(j, (dir / "long.dat").string());
    expect_codes(j, {1, 2, 3, 4, 5});
    ASSERT_EQ(j.Count(), 5);
    EXPECT_EQ(j.Records()[2].start, 39146.9);
    EXPECT_EQ(j.Records()[2].value, 3.0f);
    EXPECT_EQ(j.Records()[4].start, 39147.4);

    LogStorage text;
    journal_file::load_text(text, bytes);
    expect_codes(text, {1, 2, 3, 4, 5});

    // A file that is one overlong line with no line end at all.
    write_bytes(dir / "one.dat", padded_line("9 39147.5 0 1", piece + 10, ""));
    journal_file::load(j, (dir / "one.dat").string());
    EXPECT_EQ(j.Count(), 0);
}

TEST_F(JournalFile, LoadedRecordsHoldAboutTheirOwnSize) {
    // Just past a power of two, where a vector grown by doubling holds twice the records.
    const std::string line = "1 39146.5000000000 0.0000000000 1.000\r\n";
    std::string bytes;
    for (int i = 0; i < 32769; ++i)
        bytes += line;
    write_bytes(dir / "big.dat", bytes);
    LogStorage j;
    journal_file::load(j, (dir / "big.dat").string());
    ASSERT_EQ(j.Count(), 32769);
    EXPECT_LE(bytes_per_record(j), 40.0);

    journal_file::load_text(j, bytes.substr(0, 4097 * line.size()));
    ASSERT_EQ(j.Count(), 4097);
    EXPECT_LE(bytes_per_record(j), 40.0);

    // Most lines dropped: the room counted for them is given back.
    std::string damaged;
    for (int i = 0; i < 3000; ++i)
        damaged += i % 3 == 0 ? line : "0 0 0 0\r\n";
    journal_file::load_text(j, damaged);
    ASSERT_EQ(j.Count(), 1000);
    EXPECT_LE(bytes_per_record(j), 40.0);
}
