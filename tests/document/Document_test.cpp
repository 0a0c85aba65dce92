#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Recorder.h"
#include "document/Storage.h"
#include "formats/Formats.h"
#include "library/File_error.h"
#include "library/Scratch_dir.h"

namespace fs = std::filesystem;

namespace {

FileStorageParam hook_load() {
    return {"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0.0f, 250.0f};
}

// A document as a device read leaves it: one parameter, a few records, a journal.
void fill_as_read(Storage& doc) {
    Recording read;
    read.add_series(hook_load());
    for (std::uint32_t i = 0; i < 3; ++i)
        read.add_record(1'200'000'000u + i * 10, 10.0f * static_cast<float>(i));
    read.add_event(39146.5, 0.0, 0, 12.5f);
    read.add_event(39147.25, 39147.5, 13, 0.0f);
    doc.Adopt(read, {}, true);
}

class Document : public ::testing::Test {
protected:
    std::string at(const std::string& name) const { return dir.file(name); }

    ScratchDir dir;
    Recorder recorder;
};

} // namespace

TEST(DocumentPaths, JournalBesideTheDataFile) {
    EXPECT_EQ(Storage::JournalPath("/data/run5.realtim"), "/data/run5.dat");
    EXPECT_EQ(Storage::JournalPath("/data/run.2007.dep"), "/data/run.2007.dat");
    EXPECT_EQ(Storage::JournalPath("/a.b/data"), "/a.b/data.dat");
    EXPECT_EQ(Storage::JournalPath("data"), "data.dat");
    EXPECT_EQ(Storage::JournalPath("rel/x.rtm"), "rel/x.dat");
}

TEST(DocumentState, NewDocumentAndReadCycle) {
    Recorder recorder;
    Storage doc(recorder);
    int notices = 0;
    doc.OnChange([&] { ++notices; });
    EXPECT_TRUE(doc.Data().native_format());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.HasData());
    EXPECT_EQ(doc.FileName(), "");
    EXPECT_EQ(doc.SensorType(), "");
    EXPECT_EQ(doc.Unit(), "");

    fill_as_read(doc);
    EXPECT_EQ(notices, 1);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.HasData());
    EXPECT_EQ(doc.Data().item(2)->values[0], 20.0f);
    EXPECT_EQ(doc.JournalCount(), 2);
    EXPECT_EQ(doc.JournalCellText(2, 0), "Превышение установок (12,5)");
    EXPECT_EQ(Storage::JournalColumnTitle(1), "Дата/Время");

    // A read's recording replaces the whole content and is left empty. An empty read holds no
    // unsaved read; a journal alone is read data.
    Recording read;
    read.add_series(hook_load());
    doc.Adopt(read, {}, true);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.HasData());
    EXPECT_EQ(doc.Data().param_count(), 1);
    EXPECT_EQ(doc.JournalCount(), 0);
    EXPECT_EQ(read.data.param_count(), 0);
    read.add_event(39146.5, 0.0, 0, 1.0f);
    doc.Adopt(read, {}, true);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.Data().param_count(), 0);
    EXPECT_EQ(read.journal.Count(), 0);
    EXPECT_EQ(notices, 3);
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(Document, SaveThenOpenKeepsDataAndJournal) {
    Storage doc(recorder);
    fill_as_read(doc);
    const std::string path = at("run5.realtim");
    ASSERT_TRUE(doc.Save(path));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.FileName(), ""); // saving does not rename the document
    EXPECT_TRUE(fs::exists(at("run5.dat")));

    Storage back(recorder);
    ASSERT_TRUE(back.Open(path));
    EXPECT_EQ(back.FileName(), path);
    EXPECT_FALSE(back.IsModified());
    ASSERT_EQ(back.Data().item_count(), 3);
    EXPECT_EQ(back.Data().item(2)->values[0], 20.0f);
    ASSERT_EQ(back.JournalCount(), 2);
    EXPECT_EQ(back.Journal().Records()[1].code, 13);
    EXPECT_EQ(back.Journal().Records()[1].end, 39147.5);
    // No type in the file: the first parameter names it and gives the unit.
    EXPECT_EQ(back.SensorType(), "Вес на крюке");
    EXPECT_EQ(back.Unit(), "т");

    // No journal beside the data file: an empty journal and no message.
    fs::remove(at("run5.dat"));
    ASSERT_TRUE(back.Open(path));
    EXPECT_EQ(back.JournalCount(), 0);
    EXPECT_EQ(back.Data().item_count(), 3);
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(Document, SensorTypeFromTheTextList) {
    FileStorage model;
    model.add_param(hook_load());
    model.text_values().set_value("тип_датчика", "\"ДНС-2\"");
    save_data_file(model, at("typed.realtim"), false);

    FileStorage bare;
    save_data_file(bare, at("bare.realtim"), false);
    FileStorage untyped;
    untyped.add_param(hook_load());
    save_data_file(untyped, at("untyped.realtim"), false);

    Storage doc(recorder);
    // The unit of a file opened before does not stay with the next one.
    ASSERT_TRUE(doc.Open(at("untyped.realtim")));
    ASSERT_EQ(doc.Unit(), "т");
    ASSERT_TRUE(doc.Open(at("typed.realtim")));
    EXPECT_EQ(doc.SensorType(), "ДНС-2");
    EXPECT_EQ(doc.Unit(), ""); // the unit comes only with parameter 0's name

    ASSERT_TRUE(doc.Open(at("bare.realtim")));
    EXPECT_EQ(doc.SensorType(), ""); // no type and no parameter
    EXPECT_TRUE(recorder.reports.empty());

    // Saving writes the type back into the text list; an empty type removes the line.
    ASSERT_TRUE(doc.Open(at("typed.realtim")));
    ASSERT_TRUE(doc.Save(at("copy.realtim")));
    FileStorage copy;
    load_data_file(copy, at("copy.realtim"), false);
    EXPECT_EQ(copy.text_values().value_of("тип_датчика"), "ДНС-2");
}

TEST_F(Document, FailedOpenReportsAndForgetsTheName) {
    Storage doc(recorder);
    fill_as_read(doc);
    ASSERT_TRUE(doc.Save(at("good.realtim")));
    ASSERT_TRUE(doc.Open(at("good.realtim")));
    doc.MarkRead();

    const std::string bad = at("notes.txt");
    std::ofstream(bad) << "hello";
    EXPECT_FALSE(doc.Open(bad));
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(recorder.reports[0].caption, " Внимание!!!");
    EXPECT_EQ(recorder.reports[0].text,
              open_prefix(bad) + "Неправильное расширение открываемого файла: .txt");
    EXPECT_EQ(doc.FileName(), "");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.SensorType(), "Вес на крюке"); // left as it was

    const std::string missing = at("missing.realtim");
    EXPECT_FALSE(doc.Open(missing));
    ASSERT_EQ(recorder.reports.size(), 2u);
    EXPECT_EQ(recorder.reports[1].text,
              open_prefix(missing) + file_error_text(lib::io::FileErrorKind::not_found));
}

TEST_F(Document, FailedSaveReportsAndKeepsTheModifiedFlag) {
    Storage doc(recorder);
    fill_as_read(doc);

    const std::string nowhere = at("no_dir/x.realtim");
    EXPECT_FALSE(doc.Save(nowhere));
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(recorder.reports[0].caption, " Внимание!!!");
    EXPECT_EQ(recorder.reports[0].text.rfind(save_prefix(nowhere), 0), 0u);
    EXPECT_TRUE(doc.IsModified());

    // The journal cannot be written: the journal's own text is shown, and the data file of the
    // same unit is not written either.
    fs::create_directories(at("blocked.dat") + "/inside");
    EXPECT_FALSE(doc.Save(at("blocked.realtim")));
    ASSERT_EQ(recorder.reports.size(), 2u);
    EXPECT_EQ(recorder.reports[1].text,
              save_prefix(at("blocked.realtim")) + "Невозможно открыть файл '" + at("blocked.dat") +
                  "' для записи: " + file_error_text(lib::io::FileErrorKind::not_regular));
    EXPECT_FALSE(fs::exists(at("blocked.realtim")));
    EXPECT_TRUE(doc.IsModified());

    // A name of no known family is refused before anything is written.
    const std::string odd = at("run.txt");
    std::ofstream(odd) << "old";
    EXPECT_FALSE(doc.Save(odd));
    ASSERT_EQ(recorder.reports.size(), 3u);
    EXPECT_EQ(recorder.reports[2].text,
              save_prefix(odd) + "Неправильное расширение записываемого файла: .txt");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_FALSE(fs::exists(at("run.dat")));
    EXPECT_EQ(fs::file_size(odd), 3u);

    ASSERT_TRUE(doc.Save(at("fine.realtim")));
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(Document, EachOpenHasOnlyItsOwnNotesAndAReadForgetsTheOpenedFile) {
    Storage doc(recorder);
    fill_as_read(doc);
    const std::string path = at("damaged.realtim");
    ASSERT_TRUE(doc.Save(path));
    std::ofstream(path, std::ios::binary | std::ios::app) << std::string("\x07\xff\x7f\x01", 4);

    int notices = 0;
    doc.OnChange([&] { ++notices; });
    std::size_t first = 0;
    for (int open = 0; open < 3; ++open) {
        ASSERT_TRUE(doc.Open(path));
        if (open == 0)
            first = doc.Data().messages().size();
        EXPECT_EQ(doc.Data().messages().size(), first);
    }
    EXPECT_GE(first, 1u);
    EXPECT_EQ(doc.FileName(), path);

    EXPECT_FALSE(doc.Open(at("missing.realtim")));
    EXPECT_EQ(notices, 4); // a failed open changes what the views show as well

    // A read in the file's place: no name, none of the file's notes, lookups by what it brought.
    Recording read;
    read.add_series(hook_load());
    doc.Adopt(read, {}, true);
    EXPECT_EQ(doc.FileName(), "");
    EXPECT_TRUE(doc.Data().messages().empty());
    EXPECT_EQ(doc.Data().add_param(hook_load()), 0); // the same identifier, found again
    EXPECT_EQ(notices, 5);
}

// An open in two halves (the files read into a recording elsewhere, then handed over) leaves the
// document, its views and the reports exactly as one Open does, from a document that held
// something else; a stop set before the read ends it with LoadStopped.
TEST_F(Document, ALoadHandedOverLeavesTheDocumentAsOpenDoes) {
    const std::string damaged = at("damaged.realtim");
    {
        Storage doc(recorder);
        fill_as_read(doc);
        ASSERT_TRUE(doc.Save(damaged));
        std::ofstream(damaged, std::ios::binary | std::ios::app) << std::string("\x07\xff\x7f", 3);
        std::ofstream(at("notes.txt")) << "hello";
    }
    struct State {
        std::string name, sensor, unit;
        bool modified;
        int records, params, events;
        std::uint32_t last;
        std::vector<std::string> notes, reports, heard;
        bool native;
        bool operator==(const State&) const = default;
    };
    const auto state = [](const Storage& doc, const Recorder& reports,
                          const std::vector<std::string>& heard) {
        State s{doc.FileName(),
                doc.SensorType(),
                doc.Unit(),
                doc.IsModified(),
                doc.Data().item_count(),
                doc.Data().param_count(),
                doc.JournalCount(),
                doc.HasData() ? doc.Data().time(doc.Data().item_count() - 1) : 0,
                doc.Data().messages(),
                {},
                heard,
                doc.Data().native_format()};
        for (const Report& r : reports.reports)
            s.reports.push_back(r.caption + "|" + r.text);
        return s;
    };
    for (const std::string& path : {std::string(VORNELL_TEST_DATA_DIR "/recorded.realtim"),
                                    std::string(VORNELL_TEST_DATA_DIR "/older/recorded.dep"),
                                    damaged, at("notes.txt"), at("missing.realtim")}) {
        SCOPED_TRACE(path);
        State states[2];
        for (const bool halves : {false, true}) {
            Recorder reports;
            Storage doc(reports);
            fill_as_read(doc);
            std::vector<std::string> heard;
            doc.OnBeforeChange([&] { heard.push_back("before"); });
            doc.OnChange([&] { heard.push_back("changed"); });
            if (!halves) {
                doc.Open(path);
            } else {
                Recording loaded;
                std::exception_ptr failure;
                try {
                    Storage::Load(loaded, path);
                } catch (...) {
                    failure = std::current_exception();
                }
                EXPECT_TRUE(heard.empty()) << "the load alone touches nothing";
                doc.Opened(path, loaded, failure);
                EXPECT_EQ(loaded.data.item_count() + loaded.journal.Count(), 0);
            }
            states[halves] = state(doc, reports, heard);
        }
        EXPECT_TRUE(states[0] == states[1]);
        EXPECT_NE(states[1].records > 0, !states[1].reports.empty());
        EXPECT_EQ(!states[1].notes.empty(), path == damaged);
        EXPECT_EQ(states[1].heard, (std::vector<std::string>{"before", "changed"}));

        std::atomic<bool> stop{true};
        Recording stopped;
        stopped.data.set_load_stop(&stop);
        if (states[0].reports.empty()) {
            EXPECT_THROW(Storage::Load(stopped, path), LoadStopped);
        }
    }
}
