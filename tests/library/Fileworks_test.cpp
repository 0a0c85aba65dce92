#include "library/Fileworks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "Scratch_dir.h"
#include "library/Binary_io.h"
#include "library/Mappedfile.h"

using lib::io::OSFile;

namespace {

double seconds_of(auto action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void write_string(OSFile& file, const std::string& text) {
    file.write(text.data(), text.size());
}

std::string text_of(const std::string& path) {
    const auto bytes = get_bytes(path);
    return {bytes.begin(), bytes.end()};
}

class OSFileTest : public ::testing::Test {
protected:
    void SetUp() override { OSFile::set_retry_pause_ms(1); }
    void TearDown() override { OSFile::set_retry_pause_ms(100); }
    ScratchDir dir;
};

} // namespace

TEST_F(OSFileTest, MissingFileOrPathFailsAtOnceWithoutRetrying) {
    OSFile::set_retry_pause_ms(100); // the full pause would make 20 retries last about 2 s
    OSFile file;
    const std::string missing = dir.file("missing.realtim");
    put_bytes(dir.file("plain"), {1});
    const double elapsed = seconds_of([&] {
        EXPECT_EQ(error_of([&] { file.open(missing, OSFile::read_existing, false); }),
                  "Файл не найден!");
        EXPECT_EQ(error_of([&] { file.open(missing, OSFile::read_existing, true); }),
                  "Файл не найден!");
        EXPECT_EQ(error_of([&] { file.open(dir.file("no/dir/x"), OSFile::write_truncate, false); }),
                  "Файл не найден!");
        EXPECT_EQ(error_of([&] { file.open(dir.file("plain/x"), OSFile::write_append, false); }),
                  "Файл не найден!");
    });
    EXPECT_LT(elapsed, 0.5);
    EXPECT_FALSE(file.is_open());
}

TEST_F(OSFileTest, PersistentFailureIsRetriedThenReported) {
    OSFile::set_retry_pause_ms(10);
    OSFile file;
    const double elapsed = seconds_of([&] {
        EXPECT_EQ(error_of([&] { file.open(dir.path().string(), OSFile::write_truncate, false); }),
                  "Невозможно открыть файл!");
    });
    EXPECT_GE(elapsed, 19 * 0.010); // 20 attempts, a pause between each two
    EXPECT_FALSE(file.is_open());
}

TEST_F(OSFileTest, NonRegularFilesAreRefusedWithoutBlocking) {
    OSFile file;
#ifndef _WIN32
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Without a writer on the other side a plain open of a FIFO would block for ever.
    EXPECT_EQ(error_of([&] { file.open(fifo, OSFile::read_existing, false); }),
              "Невозможно открыть файл!");
#endif
    EXPECT_EQ(error_of([&] { file.open(dir.path().string(), OSFile::read_existing, false); }),
              "Невозможно открыть файл!");
    EXPECT_FALSE(file.is_open());
}

TEST_F(OSFileTest, WriteModesTruncateOrAppend) {
    const std::string path = dir.file("data.dat");
    OSFile file;
    file.open(path, OSFile::write_append, false); // creates a missing file
    write_string(file, "abc");
    file.close();
    file.open(path, OSFile::write_append, false);
    EXPECT_EQ(file.seek(0, OSFile::from_current), 3);
    write_string(file, "de");
    file.close();
    EXPECT_EQ(text_of(path), "abcde");

    file.open(path, OSFile::write_truncate, true);
    EXPECT_EQ(file.size(), 0);
    write_string(file, "xy");
    EXPECT_EQ(file.size(), 2);
    file.close();
    EXPECT_EQ(text_of(path), "xy");
}

TEST_F(OSFileTest, SeekOriginsAndPositionedWrites) {
    const std::string path = dir.file("seek");
    OSFile file;
    file.open(path, OSFile::write_truncate, false);
    write_string(file, "0123456789");
    EXPECT_EQ(file.seek(2, OSFile::from_begin), 2);
    EXPECT_EQ(file.seek(3, OSFile::from_current), 5);
    EXPECT_EQ(file.seek(-1, OSFile::from_end), 9); // origin 1 is the end, not the position
    write_string(file, "X");
    file.seek(0, OSFile::from_begin);
    write_string(file, "A");
    EXPECT_THROW(file.seek(-1, OSFile::from_begin), std::runtime_error);
    EXPECT_THROW(file.seek(0, 7), std::runtime_error);
    file.sync();
    file.close();
    EXPECT_EQ(text_of(path), "A12345678X");
}

TEST_F(OSFileTest, OperationsWithoutAHandle) {
    OSFile file;
    const char byte = 1;
    EXPECT_EQ(error_of([&] { file.write(&byte, 1); }),
              "Попытка записи в файл с дескриптором 0xFFFFFFFF!");
    EXPECT_EQ(error_of([&] { file.sync(); }), "Попытка записи в файл с дескриптором 0xFFFFFFFF!");
    EXPECT_EQ(error_of([&] { file.lock(); }), "Невозможно заблокировать файл!");
    EXPECT_THROW(file.size(), std::runtime_error);
    EXPECT_THROW(file.seek(0, OSFile::from_begin), std::runtime_error);
    file.unlock();
    file.close();
    EXPECT_FALSE(file.locked());
}

TEST_F(OSFileTest, WriteThatFailsHalfWayIsReported) {
#ifdef _WIN32
    GTEST_SKIP() << "needs a file size limit (setrlimit), which Windows has not";
#else
    // A file size limit makes the kernel accept part of the write and refuse the rest, like a
    // disk that fills up mid-write.
    const std::string path = dir.file("full");
    OSFile file;
    file.open(path, OSFile::write_truncate, false);
    rlimit old_limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old_limit;
    small.rlim_cur = 10;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string data(100, 'z');
    const std::string error = error_of([&] { write_string(file, data); });
    setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(error, "Невозможно записать в файл!");
    EXPECT_EQ(file.size(), 10);
#endif
}

TEST_F(OSFileTest, SecondLockedOpenInTheSameProcessConflicts) {
    const std::string path = dir.file("locked.realtim");
    put_bytes(path, {1, 2, 3});
    // Every combination of a locked reader and a locked writer must exclude the other.
    const int modes[] = {OSFile::read_existing, OSFile::write_truncate, OSFile::write_append};
    for (int first_mode : modes) {
        for (int second_mode : modes) {
            SCOPED_TRACE(std::to_string(first_mode) + " then " + std::to_string(second_mode));
            put_bytes(path, {1, 2, 3});
            OSFile first, second;
            first.open(path, first_mode, true);
            EXPECT_TRUE(first.locked());
            EXPECT_EQ(error_of([&] { second.open(path, second_mode, true); }),
                      "Невозможно заблокировать файл!");
            EXPECT_FALSE(second.is_open());
            // The refused writer must not have truncated the holder's file (read once the
            // holder lets go: a Windows lock keeps out every other read too).
            first.close();
            if (first_mode != OSFile::write_truncate) {
                EXPECT_EQ(get_bytes(path), (std::vector<std::uint8_t>{1, 2, 3}));
            }
        }
    }
}

TEST_F(OSFileTest, LockIsReleasedByUnlockAndClose) {
    const std::string path = dir.file("locked.realtim");
    put_bytes(path, {1});
    OSFile holder, other;
    holder.open(path, OSFile::read_existing, true);

    // Opening without a lock is shared with the holder.
    other.open(path, OSFile::read_existing, false);
    EXPECT_FALSE(other.locked());
    EXPECT_EQ(error_of([&] { other.lock(); }), "Невозможно заблокировать файл!");
    EXPECT_FALSE(other.locked());

    holder.unlock();
    EXPECT_FALSE(holder.locked());
    other.open(path, OSFile::write_append, true);
    EXPECT_TRUE(other.locked());
    EXPECT_EQ(error_of([&] { holder.lock(); }), "Невозможно заблокировать файл!");

    other.close();
    EXPECT_FALSE(other.locked());
    holder.lock();
    EXPECT_TRUE(holder.locked());
    {
        OSFile scoped;
        holder.close();
        scoped.open(path, OSFile::read_existing, true);
    } // destruction closes and so unlocks
    holder.open(path, OSFile::read_existing, true);
    EXPECT_TRUE(holder.locked());
}

TEST_F(OSFileTest, LockedReaderOfAReadOnlyFileStillExcludesWriters) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: a read-only descriptor's shared lock (Windows locks are all "
                    "exclusive), tried in a forked child without root's rights";
#else
    // The reader runs in a child process without write permission (root drops to nobody), so
    // it falls back to a read-only open and a shared lock.
    const std::string path = dir.file("readonly.realtim");
    put_bytes(path, {7});
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        char status = 0;
        try {
            OSFile reader;
            reader.open(path, OSFile::read_existing, true);
            status = reader.locked() ? 1 : 0;
            if (write(ready[1], &status, 1) != 1)
                _exit(3);
            read(done[0], &status, 1);
        } catch (...) {
            if (write(ready[1], &status, 1) != 1)
                _exit(3);
        }
        _exit(0);
    }
    char status = 0;
    ASSERT_EQ(read(ready[0], &status, 1), 1);
    EXPECT_EQ(status, 1);
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    OSFile writer;
    EXPECT_EQ(error_of([&] { writer.open(path, OSFile::write_append, true); }),
              "Невозможно заблокировать файл!");
    ASSERT_EQ(write(done[1], &status, 1), 1);
    int exit_status = -1;
    waitpid(child, &exit_status, 0);
    EXPECT_EQ(exit_status, 0);
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        ::close(fd);
    writer.open(path, OSFile::write_append, true); // the reader is gone
    EXPECT_TRUE(writer.locked());
#endif
}

TEST_F(OSFileTest, FileHelpers) {
    const std::string a = dir.file("a"), b = dir.file("b");
    EXPECT_FALSE(lib::io::file_exists(a));
    EXPECT_TRUE(lib::io::remove_file(a)); // missing counts as removed
    put_bytes(a, {1});
    put_bytes(b, {2, 2});
    EXPECT_TRUE(lib::io::file_exists(a));
    EXPECT_TRUE(lib::io::replace_file(a, b));
    EXPECT_FALSE(lib::io::file_exists(a));
    EXPECT_EQ(get_bytes(b), (std::vector<std::uint8_t>{1}));
    EXPECT_FALSE(lib::io::replace_file(a, b));
    EXPECT_TRUE(lib::io::remove_file(b));
    EXPECT_FALSE(lib::io::file_exists(b));
    EXPECT_FALSE(lib::io::remove_file(dir.path().string())); // a directory is not a file
}

namespace {

using lib::io::file_replacement;

file_replacement text_file(const std::string& path, const std::string& text) {
    return {path,
            [text](lib::io::BinaryOutputStream& out) { out.write(text.data(), text.size()); }};
}

class ReplaceFiles : public OSFileTest {
protected:
    std::string a = dir.file("a.realtim"), b = dir.file("a.dat");
    void SetUp() override {
        OSFileTest::SetUp();
        put_bytes(a, {'o', 'l', 'd'});
    }
};

} // namespace

TEST_F(ReplaceFiles, AFailureAnywhereReplacesNothingAndLeavesNoTemporary) {
    // The second writer fails half-way: the first file, complete by then, is not renamed.
    auto half = [](lib::io::BinaryOutputStream& out) {
        out.write("new", 3);
        throw std::runtime_error("half-way");
    };
    EXPECT_EQ(error_of([&] {
                  lib::io::replace_files({text_file(a, "new"), {b, half}});
              }),
              "half-way");
    EXPECT_EQ(text_of(a), "old");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.realtim"});

    // Steps that cannot pass fail at once, not after the retries meant for a locked file.
    OSFile::set_retry_pause_ms(100);
    std::filesystem::create_directory(dir.file("folder"));
    std::vector<std::string> bad_targets = {dir.file("folder"), dir.file(std::string(256, 'x'))};
    std::vector<std::string> left = {"a.realtim", "folder"};
#ifndef _WIN32 // links need a privilege on Windows
    std::filesystem::create_symlink(dir.file("loop1"), dir.file("loop2"));
    std::filesystem::create_symlink(dir.file("loop2"), dir.file("loop1"));
    bad_targets.push_back(dir.file("loop1"));
    left = {"a.realtim", "folder", "loop1", "loop2"};
#endif
    const double elapsed = seconds_of([&] {
        for (const std::string& bad : bad_targets) {
            SCOPED_TRACE(bad);
            try {
                lib::io::replace_files({text_file(a, "new"), text_file(bad, "x")});
                ADD_FAILURE() << "no error";
            } catch (const lib::io::replace_error& e) {
                EXPECT_EQ(e.target(), bad);
                EXPECT_EQ(e.step(), lib::io::replace_error::opening);
            }
        }
    });
    EXPECT_LT(elapsed, 0.5);
    EXPECT_EQ(text_of(a), "old");
    EXPECT_EQ(dir.names(), left);

    // A file another process holds is waited for, then given up.
    OSFile::set_retry_pause_ms(10);
    OSFile holder;
    holder.open(a, OSFile::read_existing, true);
    const double waited = seconds_of([&] {
        EXPECT_EQ(error_of([&] { lib::io::replace_files({text_file(a, "new")}); }),
                  "Невозможно заблокировать файл!");
    });
    EXPECT_GE(waited, 19 * 0.010);
    EXPECT_EQ(text_of(a), "old");
}

TEST_F(ReplaceFiles, FullDiskAndUnwritableFolderKeepTheOldFile) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: a folder without write permission for a forked child, and a "
                    "tiny tmpfs";
#else
    // A folder we may not write: a child without root's rights tries the replace.
    const std::string locked_dir = dir.file("ro");
    std::filesystem::create_directory(locked_dir);
    const std::string kept = locked_dir + "/kept.dat";
    put_bytes(kept, {'o'});
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(locked_dir.c_str(), 0555), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        _exit(error_of([&] { lib::io::replace_files({text_file(kept, "n")}); }) ==
                      "Невозможно открыть файл!"
                  ? 0
                  : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(text_of(kept), "o");
    chmod(locked_dir.c_str(), 0755);
    EXPECT_EQ(std::filesystem::directory_iterator(locked_dir)->path().filename(), "kept.dat");

    if (geteuid() != 0)
        GTEST_SKIP() << "a tiny file system needs root";
    const std::string small = dir.file("small");
    std::filesystem::create_directory(small);
    if (::system(("mount -t tmpfs -o size=64k tmpfs " + small + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot mount a tmpfs";
    const std::string target = small + "/run.realtim";
    put_bytes(target, {'o', 'l', 'd'});
    EXPECT_EQ(
        error_of([&] { lib::io::replace_files({text_file(target, std::string(1 << 20, 'z'))}); }),
        "Невозможно записать в файл!");
    EXPECT_EQ(text_of(target), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(small), {}), 1);
    ::system(("umount " + small).c_str());
#endif
}

TEST_F(ReplaceFiles, LongNamesLinksPermissionsAndStaleTemporaries) {
    // A name at the file system's limit saves: the temporary name is cut to fit.
    const std::string longest = dir.file(std::string(251, 'n') + ".dat");
    lib::io::replace_files({text_file(longest, "long")});
    EXPECT_EQ(text_of(longest), "long");

    std::string saved_as = a;
#ifndef _WIN32 // links need a privilege on Windows, whose permissions are the folder's
    // Saved through a link, the linked file takes the data and keeps its permission bits.
    ASSERT_EQ(chmod(a.c_str(), 0640), 0);
    saved_as = dir.file("link.realtim");
    std::filesystem::create_symlink(a, saved_as);
#endif
    // What killed saves left is removed, unless a process still holds it; a user's file of a
    // similar name is not the save's to touch.
    const std::string stale = a + ".0123456789ab.tmp";
    const std::string held = a + ".ba9876543210.tmp";
    put_bytes(stale, {1});
    put_bytes(held, {2});
    put_bytes(a + ".tmp", {3});
    OSFile holder;
    holder.open(held, OSFile::write_append, true);
    lib::io::replace_files({text_file(saved_as, "new")});
    EXPECT_EQ(text_of(a), "new");
#ifndef _WIN32
    EXPECT_TRUE(std::filesystem::is_symlink(saved_as));
    struct stat st {};
    ASSERT_EQ(stat(a.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
#endif
    EXPECT_FALSE(lib::io::file_exists(stale));
    EXPECT_TRUE(lib::io::file_exists(held));
    EXPECT_TRUE(lib::io::file_exists(a + ".tmp"));
}

TEST_F(ReplaceFiles, AWriteProtectedTargetIsRefusedBeforeAnythingIsWritten) {
    // The rename would go around the bits, and root writes through them: the bits alone count.
    namespace fs = std::filesystem;
    put_bytes(b, {'o', 'l', 'd'});
    const std::string missing = dir.file("new.rac");
    const struct {
        std::vector<std::string> targets;
        std::string protect; // empty: nothing protected, the replace goes through
    } cases[] = {
        {{a}, a},
        {{a, b}, b},
        {{missing, a}, a},
        {{a, b, missing}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.protect);
        put_bytes(a, {'o', 'l', 'd'});
        put_bytes(b, {'o', 'l', 'd'});
        fs::remove(missing);
        if (!c.protect.empty())
            fs::permissions(c.protect,
                            fs::perms::owner_write | fs::perms::group_write |
                                fs::perms::others_write,
                            fs::perm_options::remove);
        std::vector<file_replacement> unit;
        for (const std::string& target : c.targets)
            unit.push_back(text_file(target, "new"));
        try {
            lib::io::replace_files(unit);
            EXPECT_TRUE(c.protect.empty());
            EXPECT_EQ(text_of(a), "new");
            EXPECT_EQ(text_of(missing), "new");
        } catch (const lib::io::replace_error& e) {
            EXPECT_EQ(e.kind(), lib::io::FileErrorKind::write_protected);
            EXPECT_EQ(e.target(), c.protect);
            EXPECT_EQ(lib::io::file_error_message(e), "Файл только для чтения: " + c.protect);
            EXPECT_EQ(text_of(a), "old");
            EXPECT_EQ(text_of(b), "old");
            EXPECT_FALSE(lib::io::file_exists(missing));
        }
        for (const std::string& name : dir.names())
            EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
        if (!c.protect.empty())
            fs::permissions(c.protect, fs::perms::owner_write, fs::perm_options::add);
    }
    // One write bit left is no protection (Windows keeps only the owner's, as its read-only
    // attribute); what is not there cannot be protected.
#ifdef _WIN32
    fs::permissions(a, fs::perms::owner_read | fs::perms::owner_write);
#else
    fs::permissions(a, fs::perms::owner_read | fs::perms::others_write);
#endif
    EXPECT_NO_THROW(lib::io::check_writable(a));
    EXPECT_NO_THROW(lib::io::check_writable(missing));
    EXPECT_NO_THROW(lib::io::check_writable(dir.path().string()));
    fs::permissions(a, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ReplaceFiles, NonAsciiNamesOpenMapAndReplace) {
    // On Windows every call takes the name as UTF-16.
    const std::string data = dir.file("Скважина №7 ёж.realtim");
    const std::string journal = dir.file("Скважина №7 ёж.dat");
    lib::io::replace_files({text_file(data, "first"), text_file(journal, "j")});
    lib::io::replace_files({text_file(data, "second")});
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.realtim", "Скважина №7 ёж.dat",
                                                     "Скважина №7 ёж.realtim"}));
    EXPECT_TRUE(lib::io::file_exists(journal));
    EXPECT_TRUE(lib::io::resolve_links(data).ends_with("Скважина №7 ёж.realtim"));
    EXPECT_TRUE(lib::io::same_file(data, lib::io::resolve_links(data)));
    EXPECT_FALSE(lib::io::same_file(data, journal));

    OSFile file;
    file.open(data, OSFile::read_existing, true);
    char bytes[16] = {};
    EXPECT_EQ(file.read(bytes, sizeof bytes), 6u);
    EXPECT_EQ(std::string(bytes, 6), "second");
    file.close();
    lib::io::InputMappedFile mapped;
    mapped.open(journal, true);
    char mark = 0;
    mapped.read(&mark, 1);
    EXPECT_EQ(mark, 'j');
    mapped.close();

    EXPECT_TRUE(lib::io::replace_file(journal, dir.file("Журнал.dat")));
    EXPECT_TRUE(lib::io::remove_file(dir.file("Журнал.dat")));
    EXPECT_FALSE(lib::io::file_exists(dir.file("Журнал.dat")));
}

TEST(FileNames, NameStartsAfterTheLastFolderSeparator) {
    EXPECT_EQ(lib::io::file_name_start("run.realtim"), 0u);
    EXPECT_EQ(lib::io::file_name_start("/data/run.realtim"), 6u);
    EXPECT_EQ(lib::io::file_name_start("data/"), 5u);
#ifdef _WIN32
    EXPECT_EQ(lib::io::file_name_start("C:\\data\\run.realtim"), 8u);
    EXPECT_EQ(lib::io::file_name_start("C:run.realtim"), 2u);
#else
    EXPECT_EQ(lib::io::file_name_start("C:\\data\\run.realtim"), 0u); // a POSIX name may hold both
#endif
}
