#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include <nlohmann/json.hpp>

#include "Cli_run.h"
#include "document/Storage.h"
#include "formats/Chunk_bytes.h"
#include "formats/Records_csv.h"
#include "library/Codepage.h"

namespace {

void put_text(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// An "inpgti.nbl" entry: name, short name, unit, ident, 12 ignored bytes, low, high, 5 ignored.
Bytes description_entry(const std::string& name, const std::string& short_name,
                        const std::string& unit, const std::string& ident, float low, float high) {
    return ByteBuilder()
        .text(lib::to_cp1251(name))
        .text(lib::to_cp1251(short_name))
        .text(lib::to_cp1251(unit))
        .text(lib::to_cp1251(ident))
        .raw(Bytes(12, 0))
        .f32(low)
        .f32(high)
        .raw(Bytes(5, 0))
        .bytes;
}

// A 145-byte record of an older data file.
Bytes legacy_record(std::uint8_t kind, std::uint32_t time, float depth1, float depth2,
                    const std::vector<float>& values) {
    ByteBuilder b;
    b.u8(kind).u32(time).f32(depth1).f32(depth2);
    for (int i = 0; i < 32; ++i)
        b.f32(i < static_cast<int>(values.size()) ? values[i] : 0.0f);
    return b.u32(0).bytes;
}

const std::string open_prefix = "В процессе считывания файла\n'";
const std::string save_prefix = "В процессе записи файла\n'";
const std::string prefix_tail = "'\nпроизошла следующая ошибка:\n\n";

class CliDocument : public ::testing::Test {
protected:
    CliRun run(const std::string& args) { return run_cli(dir, args); }

    // A native file of two parameters and three records, with run information and a journal.
    std::string native_sample(const std::string& name) {
        FileStorage model;
        model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0.0f, 250.0f});
        model.add_param({"Давление", "P", "атм", "давление", 0.0f, 400.0f});
        for (std::uint32_t i = 0; i < 3; ++i) {
            FileStorageItem item;
            item.time = 1'200'000'000u + 60 * i;
            item.depth1 = 1000.5f + static_cast<float>(i);
            item.depth2 = 2.0f;
            item.depth3 = 1000.5f + static_cast<float>(i);
            item.values.push_back(12.5f * static_cast<float>(i + 1));
            item.values.push_back(0.1f + static_cast<float>(i));
            model.add_item(item);
        }
        model.text_values().run_number = 17;
        model.text_values().well = "12-бис";
        model.text_values().area = "Западная";
        model.text_values().bit_diameter = 215.9;
        model.text_values().start_time = 1'200'000'000u;
        const std::string path = dir.file(name);
        save_data_file(model, path, false);
        put_text(dir.file(std::filesystem::path(name).stem().string() + ".dat"),
                 "0 39146.5000000000 0.0000000000 12.500\r\n"
                 "13 39147.2500000000 39147.5000000000 0.100\r\n");
        return path;
    }

    // Every file of the folder but the run's own output, by name.
    std::map<std::string, std::string> files() const {
        std::map<std::string, std::string> all;
        for (const std::string& name : dir.names())
            if (name != "stdout" && name != "stderr")
                all[name] = slurp(dir.file(name));
        return all;
    }

    void put_description(const std::vector<Bytes>& entries) {
        Bytes all;
        for (const Bytes& e : entries)
            all.insert(all.end(), e.begin(), e.end());
        put_bytes(dir.file("inpgti.nbl"), all);
    }

    ScratchDir dir;
};

} // namespace

TEST_F(CliDocument, JournalAsCsv) {
    put_text(dir.file("run5.dat"), "0 39146.5000000000 0.0000000000 12.500\r\n"
                                   "\n"
                                   "7 0.5 0 0\n" // no start: dropped
                                   "13 39147.2500000000 39147.1000000000 0.100\n");
    CliRun r = run("journal " + dir.file("run5.realtim"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "index,code,start,end,value\n"
                     "0,0,39146.5,0,12.5\n"
                     "1,13,39147.25,39147.1,0.1\n");

    r = run("journal " + dir.file("none.realtim"));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "index,code,start,end,value\n");

    EXPECT_EQ(run("journal").code, 2);
    EXPECT_EQ(run("journal a b").code, 2);
}

TEST_F(CliDocument, NativeToLegacyAndBack) {
    const std::string native = native_sample("a.realtim");
    put_description({description_entry("Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250),
                     description_entry("Давление", "P", "атм", "давление", 0, 400),
                     description_entry("", "", "", "", 0, 0)});

    CliRun r = run("convert " + native + " " + dir.file("b.dep"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(std::filesystem::file_size(dir.file("b.dep")), 3u * 145u);
    // Extensions are compared without case.
    r = run("convert " + native + " " + dir.file("B2.Dep"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(slurp(dir.file("B2.Dep")), slurp(dir.file("b.dep")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("b.rac")));
    EXPECT_EQ(slurp(dir.file("b.dat")), slurp(dir.file("a.dat")));

    r = run("convert " + dir.file("b.dep") + " " + dir.file("c.realtim"));
    ASSERT_EQ(r.code, 0) << r.err;

    FileStorage original, copy;
    load_data_file(original, native, false);
    load_data_file(copy, dir.file("c.realtim"), false);
    ASSERT_EQ(copy.item_count(), 3);
    for (int i = 0; i < 3; ++i) {
        const FileStorageItem& a = *original.item(i);
        const FileStorageItem& b = *copy.item(i);
        EXPECT_EQ(b.time, a.time);
        EXPECT_EQ(b.depth1, a.depth1);
        EXPECT_EQ(b.depth2, a.depth2);
        EXPECT_EQ(b.values[0], a.values[0]);
        EXPECT_EQ(b.values[1], a.values[1]);
    }
    EXPECT_EQ(copy.param(1)->ident, "давление");
    const RaceInfo& race = copy.text_values();
    EXPECT_EQ(race.run_number, 17);
    EXPECT_EQ(race.well, "12-бис");
    EXPECT_EQ(race.area, "Западная");
    EXPECT_DOUBLE_EQ(race.bit_diameter, 215.9);
    EXPECT_EQ(race.start_time, 1'200'000'000u);
    EXPECT_EQ(slurp(dir.file("c.dat")), slurp(dir.file("a.dat")));

    r = run("info " + dir.file("c.realtim"));
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["journal_count"], 2);
    EXPECT_EQ(j["sensor_type"], "Вес на крюке");
    // The saved file names its sensor type, and the unit comes only with parameter 0's name.
    EXPECT_EQ(j["unit"], "");
}

TEST_F(CliDocument, ConvertToAnExportWritesThatFileAlone) {
    const std::string native = native_sample("a.realtim");
    struct Case {
        const char* out;
        const char* options;
        int code;
        const char* begins; // the file's first bytes
        const char* holds;  // bytes somewhere in it: the header texts' encoding
        int lines;          // lines after the last section's title, or in all
    };
    const Case cases[] = {
        {"b.CSV", "", 0, "\xEF\xBB\xBF\xD0\x94", "Вес на крюке, т", 4},
        {"b.las", "", 0, "~VERSION INFORMATION\r\n", "HKLD.\xF2 ", 3},
        {"c.LAS", "--las-encoding UTF-8", 0, "~VERSION INFORMATION\r\n", "HKLD.т ", 3},
        {"d.las", "--las-encoding cp1251", 0, "~VERSION INFORMATION\r\n", "HKLD.\xF2 ", 3},
        {"e.csv", "--las-encoding utf-8", 2, nullptr, nullptr, 0},
        {"f.las", "--las-encoding koi8-r", 2, nullptr, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        const CliRun r = run("convert " + native + " " + dir.file(c.out) + " " + c.options);
        ASSERT_EQ(r.code, c.code) << r.err;
        // An export has no journal beside it.
        EXPECT_FALSE(std::filesystem::exists(
            std::filesystem::path(dir.file(c.out)).replace_extension(".dat")));
        if (c.code != 0) {
            EXPECT_FALSE(std::filesystem::exists(dir.file(c.out)));
            continue;
        }
        const std::string bytes = slurp(dir.file(c.out));
        EXPECT_TRUE(bytes.starts_with(c.begins));
        EXPECT_NE(bytes.find(c.holds), std::string::npos);
        const std::string body = bytes.substr(
            bytes.rfind("~A") == std::string::npos ? 0 : bytes.find("\r\n", bytes.rfind("~A")) + 2);
        EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), c.lines);
        EXPECT_EQ(std::count(body.begin(), body.end(), '\r'), c.lines);
    }
    // The machine CSV of vornell-cli records stays as it was.
    EXPECT_TRUE(run("records " + native).out.starts_with("index,time,"));
}

TEST_F(CliDocument, LegacyToNativeKeepsAllColumns) {
    put_description({description_entry("Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250)});
    std::vector<float> values;
    for (int i = 0; i < 32; ++i)
        values.push_back(static_cast<float>(i) + 0.5f);
    Bytes data = legacy_record(3, 1000, 10.0f, 20.0f, values);
    const Bytes empty_slot = legacy_record(0, 0, 0, 0, {});
    data.insert(data.end(), empty_slot.begin(), empty_slot.end());
    values[31] = -7.0f;
    const Bytes second = legacy_record(4, 1060, 11.0f, 21.0f, values);
    data.insert(data.end(), second.begin(), second.end());
    put_bytes(dir.file("old.tim"), data);

    CliRun r = run("convert " + dir.file("old.tim") + " " + dir.file("new.rtm"));
    ASSERT_EQ(r.code, 0) << r.err;

    FileStorage copy;
    load_data_file(copy, dir.file("new.rtm"), false);
    EXPECT_TRUE(copy.native_format());
    ASSERT_EQ(copy.param_count(), 32);
    ASSERT_EQ(copy.item_count(), 2);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(copy.item(0)->values[i], static_cast<float>(i) + 0.5f) << i;
    EXPECT_EQ(copy.item(1)->values[31], -7.0f);
    EXPECT_EQ(copy.item(1)->kind, 4);
    EXPECT_EQ(copy.item(1)->depth3, 11.0f);
}

TEST_F(CliDocument, FailuresPrintTheMessageBoxText) {
    const std::string missing = dir.file("missing.realtim");
    CliRun r = run("convert " + missing + " " + dir.file("x.realtim"));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind(open_prefix + missing + prefix_tail, 0), 0u) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.realtim")));

    const std::string native = native_sample("a.realtim");
    const std::string nowhere = dir.file("no_dir/x.dep");
    r = run("convert " + native + " " + nowhere);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind(save_prefix + nowhere + prefix_tail + "Невозможно записать файл", 0), 0u)
        << r.err;

    // A name of no known family is refused: nothing could open what would be written there.
    const std::string text = dir.file("notes.txt");
    put_text(text, "hello");
    r = run("convert " + native + " " + text);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, save_prefix + text + prefix_tail +
                         "Неправильное расширение записываемого файла: .txt\n");
    EXPECT_EQ(slurp(text), "hello");
    EXPECT_FALSE(std::filesystem::exists(dir.file("notes.dat")));
    r = run("convert " + native + " " + dir.file("plain"));
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("plain")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("plain.dat")));

    r = run("info " + text);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, open_prefix + text + prefix_tail +
                         "Неправильное расширение открываемого файла: .txt\n");

    EXPECT_EQ(run("convert " + native).code, 2);
}

TEST_F(CliDocument, AWriteProtectedTargetIsRefusedAndNothingIsReplaced) {
    namespace fs = std::filesystem;
    const std::string native = native_sample("a.realtim");
    ASSERT_EQ(run("convert " + native + " " + dir.file("b.realtim")).code, 0);
    ASSERT_EQ(run("convert " + native + " " + dir.file("c.dep")).code, 0);
    ASSERT_TRUE(fs::exists(dir.file("c.rac")));
    // The data file, its journal and the older family's run file; as root too.
    const std::pair<const char*, const char*> cases[] = {
        {"b.realtim", "b.realtim"}, {"b.realtim", "b.dat"}, {"c.dep", "c.dep"},
        {"c.dep", "c.rac"},         {"c.dep", "c.dat"},
    };
    for (const auto& [out, protect] : cases) {
        SCOPED_TRACE(protect);
        fs::permissions(dir.file(protect), fs::perms::all, fs::perm_options::remove);
        fs::permissions(dir.file(protect), fs::perms::owner_read | fs::perms::group_read);
        const auto before = files();
        const CliRun r = run("convert " + native + " " + dir.file(out));
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find("Файл только для чтения: " + dir.file(protect)), std::string::npos)
            << r.err;
        EXPECT_EQ(files(), before);
        fs::permissions(dir.file(protect), fs::perms::owner_write, fs::perm_options::add);
    }
}

TEST_F(CliDocument, AJournalSharedWithTheInputIsLeftAsItIs) {
    namespace fs = std::filesystem;
    const std::string native = native_sample("a.realtim");
    put_description({description_entry("Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250),
                     description_entry("Давление", "P", "атм", "давление", 0, 400)});
    // A value a save would round and a line the reader drops.
    const std::string journal = "0 39146.5000000000 0.0000000000 35.0004\r\n"
                                "7 0.5 0 0\r\n"
                                "13 39147.2500000000 39147.5000000000 0.100\r\n";
    put_text(dir.file("a.dat"), journal);
    const std::pair<const char*, const char*> cases[] = {
        {"a.realtim", "a.dep"}, {"a.realtim", "a.rtm"}, {"a.realtim", "a.REALTIM"},
        {"a.dep", "a.tim"},     {"a.dep", "a.realdep"},
    };
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(out);
        const CliRun r = run(std::string("convert ") + dir.file(in) + " " + dir.file(out));
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_NE(r.err.find(dir.file("a.dat")), std::string::npos) << r.err;
        EXPECT_EQ(slurp(dir.file("a.dat")), journal);
    }
    // Another name gets the journal written as ever, and no note.
    const CliRun r = run("convert " + native + " " + dir.file("b.realtim"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(fs::exists(dir.file("b.dat")));
}

TEST_F(CliDocument, ADescriptionOfOtherParametersIsNotSavedBeside) {
    namespace fs = std::filesystem;
    const std::string native = native_sample("a.realtim");
    const Bytes ves = description_entry("Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250);
    const Bytes ves_caps = description_entry("Вес", "W", "т", "ВЕС_НА_КРЮКЕ", 0, 250);
    const Bytes pressure = description_entry("Давление", "P", "атм", "давление", 0, 400);
    const Bytes end = description_entry("", "", "", "", 0, 0);
    const struct {
        std::vector<Bytes> description;
        bool saved;
    } cases[] = {
        {{ves, pressure, end}, true},
        {{ves_caps, pressure}, true}, // identifiers compare without case
        {{ves, end}, false},
        {{pressure, ves}, false},
        {{ves, pressure, pressure}, false},
        {{}, false}, // an empty file describes nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description.size());
        put_description(c.description);
        for (const char* name : {"b.dep", "b.rac", "b.dat"})
            fs::remove(dir.file(name));
        const auto description = slurp(dir.file("inpgti.nbl"));
        const CliRun r = run("convert " + native + " " + dir.file("b.dep"));
        EXPECT_EQ(r.code, c.saved ? 0 : 1) << r.err;
        EXPECT_EQ(fs::exists(dir.file("b.dep")), c.saved);
        EXPECT_EQ(fs::exists(dir.file("b.rac")), c.saved);
        EXPECT_EQ(fs::exists(dir.file("b.dat")), c.saved);
        EXPECT_EQ(slurp(dir.file("inpgti.nbl")), description);
        if (!c.saved)
            EXPECT_NE(r.err.find(dir.file("inpgti.nbl")), std::string::npos) << r.err;
    }
}

TEST_F(CliDocument, AFileOfAnotherBesideOutIsReplacedOnlyWithForce) {
    namespace fs = std::filesystem;
    const std::string native = native_sample("a.realtim");
    put_text(dir.file("well7.dat"), "foreign journal");
    put_text(dir.file("old.rac"), "[foreign]\r\n");
    const struct {
        std::string command, out, foreign;
    } cases[] = {
        {"convert " + native, "well7.realtim", "well7.dat"},
        {"convert " + native, "old.dep", "old.rac"},
        {"read 127.0.0.1:9", "well7.rtm", "well7.dat"}, // refused before any connection
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command + " " + c.out);
        const CliRun r = run(c.command + " " + dir.file(c.out));
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find(dir.file(c.foreign)), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir.file(c.out)));
    }
    EXPECT_EQ(slurp(dir.file("well7.dat")), "foreign journal");
    EXPECT_EQ(slurp(dir.file("old.rac")), "[foreign]\r\n");
    // Protected, the file is refused by read before a connection too.
    fs::permissions(dir.file("well7.dat"), fs::perms::all, fs::perm_options::remove);
    CliRun r = run("read 127.0.0.1:9 " + dir.file("well7.rtm") + " --force");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Файл только для чтения: " + dir.file("well7.dat")), std::string::npos)
        << r.err;
    fs::permissions(dir.file("well7.dat"), fs::perms::owner_all);

    r = run("convert " + native + " " + dir.file("well7.realtim") + " --force");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(run("journal " + dir.file("well7.realtim")).out, run("journal " + native).out);
    // Now well7.dat is the journal of well7.realtim, which the user replaces by naming it.
    EXPECT_EQ(run("convert " + native + " " + dir.file("well7.realtim")).code, 0);
}

// convert writes while it reads its input, and records prints while it reads: what they write
// and the notes they print are what a save or an export of the loaded document gives, for every
// kind of output, also after damage.
TEST_F(CliDocument, WhatIsWrittenWhileReadingIsWhatTheLoadedDocumentGives) {
    const std::string data = VORNELL_TEST_DATA_DIR "/";
    std::string damaged = slurp(data + "recorded.realtim");
    damaged.insert(damaged.size() / 2, 7, '\xA5');
    put_text(dir.file("damaged.realtim"), damaged);
    put_text(dir.file("damaged.dat"), slurp(data + "recorded.dat"));
    struct Recorder : Reporter {
        void error(const std::string&, const std::string& text) override {
            reports.push_back(text);
        }
        std::vector<std::string> reports;
    };
    const auto files_in = [](const std::string& folder) {
        std::map<std::string, std::string> all;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            all[entry.path().filename().string()] = slurp(entry.path().string());
        return all;
    };

    int run_number = 0;
    for (const std::string& in :
         {data + "recorded.realtim", data + "older/recorded.dep", dir.file("damaged.realtim")}) {
        // nullptr: vornell-cli records.
        for (const char* out : {"out.realtim", "out.dep", "out.csv", "out.las", (const char*)0}) {
            SCOPED_TRACE(in + " to " + (out ? out : "records"));
            Recorder reporter;
            Storage doc(reporter);
            ASSERT_TRUE(doc.Open(in));
            std::string notes;
            for (const std::string& message : doc.Data().messages())
                notes += in + ": " + message + "\n";
            EXPECT_EQ(notes.empty(), in.find("damaged") == std::string::npos);
            if (!out) {
                const CliRun r = run("records " + in);
                std::string csv;
                records_csv(doc.Data(), [&](std::string_view piece) { csv += piece; });
                EXPECT_EQ(r.out, csv);
                EXPECT_EQ(r.err, notes);
                continue;
            }
            const std::string loaded = dir.file("loaded" + std::to_string(run_number));
            const std::string streamed = dir.file("streamed" + std::to_string(run_number++));
            std::filesystem::create_directories(loaded);
            std::filesystem::create_directories(streamed);
            const FileFormat& format = *format_of(out);
            const std::string target = loaded + "/" + out;
            ASSERT_TRUE(format.data_family() ? doc.Save(target) : doc.Export(target, format));
            // The CSV in the conventions the test process has.
            const std::string command = "LC_ALL=ru_RU.UTF-8 '" VORNELL_CLI "' convert '" + in +
                                        "' '" + streamed + "/" + out + "' 2>'" +
                                        dir.file("stderr") + "' </dev/null";
            EXPECT_EQ(std::system(command.c_str()), 0);
            EXPECT_EQ(slurp(dir.file("stderr")), notes);
            EXPECT_EQ(files_in(streamed), files_in(loaded));
            EXPECT_GT(files_in(loaded).size(), format.data_family() ? 1u : 0u);
        }
    }
    // Nor is a document written over the file it is still reading.
    Recorder reporter;
    Storage doc(reporter);
    ASSERT_TRUE(doc.OpenStreamed(dir.file("damaged.realtim")));
    EXPECT_TRUE(doc.HasData());
    EXPECT_FALSE(doc.Save(dir.file("damaged.realtim")));
    EXPECT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(slurp(dir.file("damaged.realtim")), damaged);
}
