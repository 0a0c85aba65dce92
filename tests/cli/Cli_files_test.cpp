#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>

#include "Cli_run.h"
#include "formats/Chunk_bytes.h"
#include "library/File_error.h"

namespace {

class CliFiles : public ::testing::Test {
protected:
    CliRun run(const std::string& args) { return run_cli(dir, args); }

    // One parameter, two full records, a compact record, a remark and the text values.
    std::string sample_file(const std::string& name) {
        ByteBuilder b;
        b.chunk(2, sector_payload({sector_entry("\xC2\xE5\xF1", "\xF2", "W", "ves", 0.1f, 250)}));
        b.chunk(1, record_payload(86400, 0.1f, 3.0f, 2, 1e-7f, {12.5f}));
        b.chunk(1, record_payload(86460, 1.0f, 0.0f, 0, -2.0f, {1.0f / 3.0f}));
        b.chunk(5, ByteBuilder().u32(90000).f32(-0.0f).bytes);
        b.chunk(4, ByteBuilder().u32(7).u32(8).text("\xEF\xF0\xE8\xEC").bytes);
        b.chunk(3, text_payload("\xEC\xE0\xF1\xF2\xE5\xF0=\"\xC8\xE2\xE0\xED\xEE\xE2\"\r\n"
                                "\xED\xEE\xEC\xE5\xF0_\xF0\xE5\xE9\xF1\xE0=4\r\n"));
        const std::string path = dir.file(name);
        put_bytes(path, b.bytes);
        return path;
    }

    ScratchDir dir;
};

TEST_F(CliFiles, InfoPrintsOneJsonObjectWithExactlyTheDocumentedKeys) {
    const std::string path = sample_file("run.realtim");
    const CliRun r = run("info " + path);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto j = nlohmann::json::parse(r.out);
    std::vector<std::string> keys;
    for (const auto& [key, value] : j.items())
        keys.push_back(key);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys,
              (std::vector<std::string>{"file", "first_time", "item_count", "journal_count",
                                        "last_time", "messages", "native_format", "params", "race",
                                        "remarks", "sensor_type", "text_lines", "unit"}));
    EXPECT_EQ(j["file"], path);
    EXPECT_EQ(j["native_format"], true);
    ASSERT_EQ(j["params"].size(), 1u);
    EXPECT_EQ(j["params"][0]["name"], "Вес");
    EXPECT_EQ(j["params"][0]["unit"], "т");
    EXPECT_EQ(j["params"][0]["short_name"], "W");
    EXPECT_EQ(j["params"][0]["ident"], "ves");
    EXPECT_EQ(j["params"][0]["high"], 250);
    // A float limit prints in its shortest form.
    EXPECT_NE(r.out.find("\"low\": 0.1,"), std::string::npos);
    EXPECT_EQ(j["item_count"], 3);
    EXPECT_EQ(j["first_time"], 86400);
    EXPECT_EQ(j["last_time"], 90000);
    EXPECT_EQ(j["messages"], nlohmann::json::array());
    EXPECT_EQ(j["text_lines"], (nlohmann::json{"мастер=Иванов", "номер_рейса=4"}));
    EXPECT_EQ(j["remarks"], (nlohmann::json{{{"number1", 7}, {"number2", 8}, {"text", "прим"}}}));
    EXPECT_EQ(j["race"]["run_number"], 4);
    EXPECT_EQ(j["race"]["master"], "Иванов");
    EXPECT_EQ(j["race"]["customer"], "::НЕ ЗАДАНО::");
    EXPECT_EQ(j["race"]["bit_diameter"], 0.0);
    EXPECT_EQ(j["race"].size(), 49u);
}

TEST_F(CliFiles, InfoOfADamagedFileListsTheMessagesAndAnEmptyModelHasNullTimes) {
    ByteBuilder b;
    b.chunk(2, sector_payload({})).u8(0xEE).chunk(3, text_payload(""));
    put_bytes(dir.file("d.rtm"), b.bytes);
    const CliRun r = run("info " + dir.file("d.rtm"));
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["item_count"], 0);
    EXPECT_TRUE(j["first_time"].is_null());
    EXPECT_TRUE(j["last_time"].is_null());
    ASSERT_EQ(j["messages"].size(), 1u);
    EXPECT_EQ(j["messages"][0],
              "Файл был повреждён. Программа попыталась найти в нём корректные данные методом "
              "последовательного перебора");
}

TEST_F(CliFiles, RecordsPrintsCsvWithShortestFloats) {
    const CliRun r = run("records " + sample_file("run.realtim"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "index,time,depth1,depth2,depth3,kind,full,v0\n"
                     "0,86400,0.1,1e-07,3,2,1,12.5\n"
                     "1,86460,1,-2,0,0,1,0.33333334\n"
                     "2,90000,0,0,0,255,0,-0\n");
}

TEST_F(CliFiles, FailuresExitWithOneAndBadUsageWithTwo) {
    CliRun r = run("info " + dir.file("missing.realtim"));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "В процессе считывания файла\n'" + dir.file("missing.realtim") +
                         "'\nпроизошла следующая ошибка:\n\n" +
                         lib::io::file_error_text(lib::io::FileErrorKind::not_found) + "\n");

    put_bytes(dir.file("notes.txt"), {1});
    r = run("records " + dir.file("notes.txt"));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Неправильное расширение открываемого файла: .txt\n");

    for (const char* args : {"", "info", "records a b", "frobnicate x"}) {
        SCOPED_TRACE(args);
        r = run(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("Usage: vornell-cli"), std::string::npos);
    }
    r = run("--help");
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("records FILE"), std::string::npos);
}

TEST_F(CliFiles, AFileThatCannotBeReadIsNamedWithWhatIsWrongWithIt) {
    using lib::io::FileErrorKind;
    put_bytes(dir.file("empty.realtim"), {});
    put_bytes(dir.file("text.realtim"), {'h', 'i', '\n'});
    std::filesystem::create_directory(dir.file("folder.realtim"));
    const std::pair<const char*, FileErrorKind> files[] = {
        {"empty.realtim", FileErrorKind::empty},
        {"text.realtim", FileErrorKind::not_data},
        {"folder.realtim", FileErrorKind::not_regular},
        {"missing.realtim", FileErrorKind::not_found},
    };
    // The document's open (info) and the data file alone (records, stats).
    for (const char* command : {"info", "records", "stats"}) {
        for (const auto& [name, kind] : files) {
            const CliRun r = run(std::string(command) + " " + dir.file(name));
            EXPECT_EQ(r.code, 1) << command << " " << name;
            EXPECT_NE(r.err.find(dir.file(name)), std::string::npos) << r.err;
            EXPECT_NE(r.err.find(lib::io::file_error_text(kind)), std::string::npos) << r.err;
        }
    }
    // The stream's own diagnostic follows the sentence, for support.
    EXPECT_NE(run("info " + dir.file("empty.realtim"))
                  .err.find(lib::io::file_error_text(FileErrorKind::empty) + " ("),
              std::string::npos);
    // A picture for a folder that is not there.
    const CliRun r = run("render " + sample_file("run.realtim") + " " + dir.file("no/run.png"));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(lib::io::file_error_text(FileErrorKind::no_folder)), std::string::npos)
        << r.err;
}

} // namespace
