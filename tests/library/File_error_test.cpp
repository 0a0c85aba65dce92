#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "library/Binary_io.h"
#include "library/File_error.h"
#include "library/Fileworks.h"
#include "library/Mappedfile.h"
#include "library/Scratch_dir.h"

using lib::io::FileErrorKind;

// The one place where the texts of a file error are pinned: everything else asserts kinds.
TEST(FileErrorTexts, EveryKindIsWordedAsTheUserSeesIt) {
    const std::vector<std::pair<FileErrorKind, std::string>> table = {
        {FileErrorKind::not_found, "Файл не найден"},
        {FileErrorKind::no_folder, "Нет папки, в которой должен быть файл"},
        {FileErrorKind::not_regular, "Это не файл, а папка или устройство"},
        {FileErrorKind::empty, "Файл пуст"},
        {FileErrorKind::busy, "Файл занят другой программой"},
        {FileErrorKind::no_read_permission, "Нет прав на чтение файла"},
        {FileErrorKind::no_write_permission, "Нет прав на запись файла или его папки"},
        {FileErrorKind::read_only, "Диск или папка только для чтения"},
        {FileErrorKind::write_protected, "Файл только для чтения"},
        {FileErrorKind::no_space, "На диске нет места"},
        {FileErrorKind::truncated, "Файл обрывается посреди записи"},
        {FileErrorKind::not_data, "Это не файл данных"},
        {FileErrorKind::read_failed, "Файл не читается"},
        {FileErrorKind::write_failed, "Файл не записывается"},
    };
    ASSERT_EQ(table.size(), static_cast<std::size_t>(FileErrorKind::write_failed) + 1);
    for (const auto& [kind, text] : table)
        EXPECT_EQ(lib::io::file_error_text(kind), text) << static_cast<int>(kind);
    // The stream's own text stays what() and follows the sentence only as the detail.
    const lib::io::file_error empty(FileErrorKind::empty, "stream text", "diagnostic");
    EXPECT_STREQ(empty.what(), "stream text");
    EXPECT_EQ(lib::io::file_error_message(empty), "Файл пуст (diagnostic)");
    EXPECT_EQ(lib::io::file_error_message({FileErrorKind::busy, "x"}),
              "Файл занят другой программой");
}

TEST(FileErrorKinds, SystemErrorsByWhatWasDone) {
    struct Case {
        int error;
        FileErrorKind reading, writing;
    };
    const Case cases[] = {
        {EACCES, FileErrorKind::no_read_permission, FileErrorKind::no_write_permission},
        {EPERM, FileErrorKind::no_read_permission, FileErrorKind::no_write_permission},
        {EROFS, FileErrorKind::read_only, FileErrorKind::read_only},
        {ENOSPC, FileErrorKind::no_space, FileErrorKind::no_space},
        {ENOENT, FileErrorKind::not_found, FileErrorKind::no_folder},
        {EISDIR, FileErrorKind::not_regular, FileErrorKind::not_regular},
        {EBUSY, FileErrorKind::busy, FileErrorKind::busy},
        {EIO, FileErrorKind::read_failed, FileErrorKind::write_failed},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lib::io::kind_of_system_error(c.error, false), c.reading) << c.error;
        EXPECT_EQ(lib::io::kind_of_system_error(c.error, true), c.writing) << c.error;
    }
}

TEST(FileErrorKinds, WhatTheStreamsRaise) {
    lib::io::OSFile::set_retry_pause_ms(1);
    ScratchDir dir;
    put_bytes(dir.file("empty"), {});
    put_bytes(dir.file("held"), {1, 2, 3});
    std::filesystem::create_directory(dir.file("folder"));
    lib::io::OSFile holder;
    holder.open(dir.file("held"), lib::io::OSFile::read_existing, true);
    const auto map = [&](const char* name) {
        return [&dir, name] {
            lib::io::InputMappedFile file;
            file.open(dir.file(name), true);
        };
    };
    const std::vector<std::pair<std::function<void()>, FileErrorKind>> cases = {
        {map("missing"), FileErrorKind::not_found},
        {map("empty"), FileErrorKind::empty},
        {map("folder"), FileErrorKind::not_regular},
        {map("held"), FileErrorKind::busy},
        {[] {
             const std::uint8_t two[2] = {};
             lib::io::InputMemoryView view(two, 2);
             std::uint8_t three[3];
             view.read(three, 3);
         },
         FileErrorKind::truncated},
        {[&] {
             lib::io::OSFile file;
             file.open(dir.file("no/such/folder/x"), lib::io::OSFile::write_truncate, false);
         },
         FileErrorKind::no_folder},
        {[&] {
             lib::io::replace_files({{dir.file("folder"), [](auto&) {}}});
         },
         FileErrorKind::not_regular},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        try {
            cases[i].first();
            ADD_FAILURE() << i << ": no error";
        } catch (const lib::io::file_error& e) {
            EXPECT_EQ(e.kind(), cases[i].second) << i << ": " << e.what();
        }
    }
    lib::io::OSFile::set_retry_pause_ms(100);
}
