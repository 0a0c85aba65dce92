// A save as users meet it: the data file and its journal replaced together whatever stops the
// save, names at the file system's limit, and older-family files that open again.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "Recorder.h"
#include "document/Storage.h"
#include "library/File_error.h"
#include "library/Scratch_dir.h"

namespace fs = std::filesystem;

namespace {

// A document of `records` one-value records and `events` journal lines; sizes tell documents
// apart after a save that may have been cut short.
void fill(Storage& doc, int records, int events) {
    Recording read;
    read.data.add_param({"Давление", "P", "атм", "давление", 0.0f, 400.0f});
    for (int i = 0; i < records; ++i) {
        FileStorageItem item;
        item.time = 1'200'000'000u + static_cast<std::uint32_t>(i);
        item.depth1 = static_cast<float>(i) * 0.1f;
        item.values.push_back(static_cast<float>(i % 400));
        read.data.add_item(item);
    }
    for (int i = 0; i < events; ++i)
        read.add_event(39146.5 + i * 1e-4, 0.0, i % 14, 1.5f);
    doc.Adopt(read, {}, true);
}

struct Sizes {
    int records = -1; // -1: the data file does not open
    int events = -1;
    bool operator==(const Sizes&) const = default;
};

Sizes sizes_at(const std::string& path) {
    Recorder quiet;
    Storage doc(quiet);
    if (!doc.Open(path))
        return {};
    return {doc.Data().item_count(), doc.JournalCount()};
}

[[maybe_unused]] double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class SaveUnit : public ::testing::Test {
protected:
    ScratchDir dir;
    Recorder recorder;
};

// A tmpfs of a given size inside the scratch folder, unmounted before the folder goes.
class TinyDisk {
public:
    TinyDisk(const std::string& at, std::size_t bytes) : at_(at) {
        fs::create_directory(at);
        mounted_ = ::system(("mount -t tmpfs -o size=" + std::to_string(bytes) + " tmpfs " + at +
                             " 2>/dev/null")
                                .c_str()) == 0;
    }
    ~TinyDisk() {
        if (mounted_)
            ::system(("umount " + at_).c_str());
    }
    bool mounted() const { return mounted_; }

private:
    std::string at_;
    bool mounted_ = false;
};

} // namespace

TEST_F(SaveUnit, AKilledSaveLeavesTheOldOrTheNewPairAndANewNameAbsentOrComplete) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: the save runs in a forked child that is killed";
#else
    const std::string path = dir.file("run.realtim");
    Storage small(recorder), large(recorder);
    fill(small, 10, 3);
    fill(large, 300'000, 200'000);
    const Sizes old_sizes{10, 3}, new_sizes{300'000, 200'000};

    // Saves the large document to target in a child, killed after `delay` seconds unless that
    // is negative; true when the child finished its save.
    auto forked_save = [&](const std::string& target, double delay) {
        const pid_t child = fork();
        if (child == 0)
            _exit(large.Save(target) ? 0 : 1);
        if (delay >= 0.0) {
            std::this_thread::sleep_for(std::chrono::duration<double>(delay));
            kill(child, SIGKILL);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    // How long a whole save in a child takes here, so the kills land inside one.
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(forked_save(dir.file("timing.realtim"), -1.0));
    const double save_seconds = seconds_since(start);
    std::mt19937 random(std::random_device{}());
    std::uniform_real_distribution<double> within(0.0, save_seconds * 1.1);
    auto killed_save = [&](const std::string& target) {
        return forked_save(target, within(random));
    };

    int old_count = 0, new_count = 0, finished = 0;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(small.Save(path));
        finished += killed_save(path);
        const Sizes after = sizes_at(path);
        EXPECT_TRUE(after == old_sizes || after == new_sizes)
            << "kill " << i << ": " << after.records << " records, " << after.events << " events";
        old_count += after == old_sizes;
        new_count += after == new_sizes;
    }

    // The next save of the pair removes what the killed ones left.
    ASSERT_TRUE(small.Save(path));
    for (const std::string& name : dir.names())
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;

    int absent = 0, complete = 0;
    for (int i = 0; i < 3; ++i) {
        const std::string fresh = dir.file("fresh" + std::to_string(i) + ".realtim");
        finished += killed_save(fresh);
        if (!fs::exists(fresh)) {
            ++absent;
            EXPECT_FALSE(fs::exists(Storage::JournalPath(fresh))) << "a journal without its data";
            continue;
        }
        EXPECT_EQ(sizes_at(fresh), new_sizes) << "kill " << i << " onto a new name";
        ++complete;
    }
    std::printf("kills onto a saved pair: %d old, %d new; onto a new name: %d absent, %d complete; "
                "%d saves finished before their kill; one save takes %.2f s\n",
                old_count, new_count, absent, complete, finished, save_seconds);
#endif
}

TEST_F(SaveUnit, ADiskWithRoomForTheDataButNotTheJournalKeepsTheOldPair) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: a tiny tmpfs";
#else
    if (geteuid() != 0)
        GTEST_SKIP() << "a tiny file system needs root";
    Storage old_doc(recorder), new_doc(recorder);
    fill(old_doc, 5, 2);
    fill(new_doc, 2'000, 100'000);
    // Measure the files where there is room, to size the disk between data and data + journal.
    ASSERT_TRUE(new_doc.Save(dir.file("measure.realtim")));
    const auto data_bytes = fs::file_size(dir.file("measure.realtim"));
    const auto journal_bytes = fs::file_size(dir.file("measure.dat"));
    ASSERT_GT(journal_bytes, 4 * data_bytes);
    const std::size_t disk_bytes = (data_bytes + 64 * 1024 + 4095) / 4096 * 4096;

    const std::string mount_point = dir.file("disk");
    TinyDisk disk(mount_point, disk_bytes);
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs";
    const std::string path = mount_point + "/run.realtim";
    ASSERT_TRUE(old_doc.Save(path));
    const auto old_data = get_bytes(path);
    const auto old_journal = get_bytes(mount_point + "/run.dat");

    EXPECT_FALSE(new_doc.Save(path));
    ASSERT_EQ(recorder.reports.size(), 1u);
    // The journal is named, with what is wrong.
    EXPECT_EQ(recorder.reports[0].text.rfind(
                  save_prefix(path) + "Невозможно записать файл '" + mount_point + "/run.dat'", 0),
              0u);
    EXPECT_NE(recorder.reports[0].text.find(file_error_text(lib::io::FileErrorKind::no_space)),
              std::string::npos);
    EXPECT_EQ(get_bytes(path), old_data);
    EXPECT_EQ(get_bytes(mount_point + "/run.dat"), old_journal);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(mount_point))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"run.dat", "run.realtim"}));
#endif
}

TEST_F(SaveUnit, ATargetNameOf255BytesSavesAndOpens) {
    const std::string name = std::string(255 - 8, 'n') + ".realtim";
    ASSERT_EQ(name.size(), 255u);
    Storage doc(recorder);
    fill(doc, 7, 4);
    ASSERT_TRUE(doc.Save(dir.file(name)));
    EXPECT_EQ(sizes_at(dir.file(name)), (Sizes{7, 4}));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{std::string(247, 'n') + ".dat", name}));
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(SaveUnit, AnOlderFamilyFileOpensAgainAndAnExistingDescriptionIsKept) {
    Storage doc(recorder);
    fill(doc, 0, 0);
    doc.Data().add_param({"Глубина забоя", "Hз", "м", "глубина", 0.0f, 5000.0f});
    for (int i = 0; i < 4; ++i) {
        FileStorageItem item;
        item.time = 1'200'000'000u + static_cast<std::uint32_t>(i) * 60;
        item.depth1 = 100.0f + static_cast<float>(i);
        item.values.push_back(static_cast<float>(i));
        item.values.push_back(1000.0f + static_cast<float>(i));
        doc.Data().add_item(item);
    }
    const std::string path = dir.file("run.dep");
    ASSERT_TRUE(doc.Save(path)) << recorder.reports.at(0).text;
    ASSERT_TRUE(fs::exists(dir.file("inpgti.nbl")));

    Storage back(recorder);
    ASSERT_TRUE(back.Open(path)) << recorder.reports.at(0).text;
    ASSERT_EQ(back.Data().param_count(), 2); // not the record's 32 fixed columns
    EXPECT_EQ(back.Data().param(0)->name, "Давление");
    EXPECT_EQ(back.Data().param(1)->name, "Глубина забоя");
    EXPECT_EQ(back.Data().param(1)->unit, "м");
    ASSERT_EQ(back.Data().item_count(), 4);
    EXPECT_EQ(back.Data().item(3)->values[1], 1003.0f);
    EXPECT_EQ(back.Data().item(3)->depth1, 103.0f);

    // The description may serve other files of the folder: a later save does not rewrite it,
    // and one of parameters it does not describe is refused, naming it.
    EXPECT_TRUE(recorder.reports.empty());
    const auto description = get_bytes(dir.file("inpgti.nbl"));
    doc.Data().add_param({"Обороты ротора", "n", "об/мин", "обороты", 0.0f, 300.0f});
    EXPECT_FALSE(doc.Save(dir.file("other.dep")));
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_NE(recorder.reports[0].text.find(dir.file("inpgti.nbl")), std::string::npos);
    EXPECT_EQ(get_bytes(dir.file("inpgti.nbl")), description);
    EXPECT_EQ(dir.names(),
              (std::vector<std::string>{"inpgti.nbl", "run.dat", "run.dep", "run.rac"}));
}
