#include <gtest/gtest.h>

#include <set>
#include <string>

#include "datafile/Assembling.h"
#include "datafile/Journal.h"
#include "formats/Formats.h"
#include "formats/Records_csv.h"
#include "formats/Spreadsheet_csv.h"
#include "library/Scratch_dir.h"

TEST(FormatTable, EveryExtensionNamesOneFormatWhateverItsCase) {
    struct Case {
        const char* path;
        const char* format; // nullptr: no format
        bool data_family;
    };
    const Case cases[] = {
        {"a.realtim", "native", true},    {"B.RealDep", "native", true},
        {"c.reallag", "native", true},    {"/x.y/d.RTM", "native", true},
        {"run.2007.dep", "legacy", true}, {"e.LDP", "legacy", true},
        {"f.tim", "legacy", true},        {"g.CSV", "spreadsheet_csv", false},
        {"g.Las", "las", false},          {"h.txt", nullptr, false},
        {"noext", nullptr, false},        {"dir.realtim/file", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const FileFormat* format = format_of(c.path);
        ASSERT_EQ(format != nullptr, c.format != nullptr);
        if (format) {
            EXPECT_STREQ(format->name, c.format);
        }
        EXPECT_EQ(is_data_file_name(c.path), c.data_family);
    }
    // One row per extension; a row either reads and writes a data family or writes an export.
    std::set<std::string_view> seen;
    for (const FileFormat& format : file_formats()) {
        EXPECT_NE(format.data_family(), format.write != nullptr) << format.name;
        EXPECT_EQ(format.load != nullptr, format.save != nullptr) << format.name;
        for (std::string_view extension : format.extensions)
            EXPECT_TRUE(seen.insert(extension).second) << extension;
    }
}

TEST(FormatTable, AnExportIsWrittenButNeverOpenedOrSavedAsAFamily) {
    ScratchDir dir;
    FileStorage model;
    model.add_param({"Вес", "W", "т", "w", 0.0f, 250.0f});
    FileStorageItem item;
    item.time = 1000;
    item.values = {12.5f};
    model.add_item(item);
    const std::string csv = dir.file("run.csv");
    write_export(*format_of(csv), model, LogStorage(), csv);
    std::string expected;
    spreadsheet_csv(model, [&](std::string_view piece) { expected += piece; });
    const std::vector<std::uint8_t> bytes = get_bytes(csv);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);

    for (bool saving : {false, true}) {
        try {
            if (saving)
                save_data_file(model, csv);
            else
                load_data_file(model, csv);
            ADD_FAILURE() << saving;
        } catch (const FileStorageException& e) {
            EXPECT_EQ(e.fatal(), !saving);
            EXPECT_NE(std::string(e.what()).find(": .csv"), std::string::npos);
        }
    }
    EXPECT_EQ(get_bytes(csv), bytes);
}

// A model that streams its records from the file gives, pass after pass, what a load gives: the
// same records (also after damage in the middle), parameters and notes.
TEST(FormatTable, AStreamedFileGivesWhatItsLoadGives) {
    ScratchDir dir;
    const std::string data = VORNELL_TEST_DATA_DIR "/";
    std::vector<std::uint8_t> damaged = get_bytes(data + "recorded.realtim");
    ASSERT_GT(damaged.size(), 2000u);
    damaged.insert(damaged.begin() + static_cast<std::ptrdiff_t>(damaged.size() / 2), 7, 0xA5);
    put_bytes(dir.file("damaged.realtim"), damaged);

    const auto csv = [](const FileStorage& model) {
        std::string out;
        records_csv(model, [&](std::string_view piece) { out += piece; });
        return out;
    };
    for (const std::string& path :
         {data + "recorded.realtim", data + "older/recorded.dep", dir.file("damaged.realtim")}) {
        FileStorage loaded, streamed;
        load_data_file(loaded, path);
        stream_data_file(streamed, path);
        EXPECT_TRUE(streamed.streams_records());
        EXPECT_EQ(streamed.item_count(), loaded.item_count()) << path;
        EXPECT_GT(loaded.item_count(), 100) << path;
        EXPECT_EQ(streamed.param_count(), loaded.param_count()) << path;
        EXPECT_EQ(streamed.messages(), loaded.messages()) << path;
        EXPECT_EQ(loaded.messages().empty(), path.find("damaged") == std::string::npos) << path;
        const std::string expected = csv(loaded);
        EXPECT_EQ(csv(streamed), expected) << path;
        EXPECT_EQ(csv(streamed), expected) << path; // a second pass reads the file again
    }
}
