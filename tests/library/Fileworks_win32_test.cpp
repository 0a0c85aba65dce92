// What only Windows has: other programs' share modes and the UTF-16 of its calls.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include <windows.h>

#include "Scratch_dir.h"
#include "library/Binary_io.h"
#include "library/Win32_text.h"

using lib::io::OSFile;

namespace {

// Another program's open of path with the given share mode, closed with the object.
class ForeignOpen {
public:
    ForeignOpen(const std::string& path, DWORD share)
        : file_(::CreateFileW(lib::win32::wide(path).c_str(), GENERIC_READ, share, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~ForeignOpen() { close(); }
    bool is_open() const { return file_ != INVALID_HANDLE_VALUE; }
    void close() {
        if (is_open())
            ::CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE file_;
};

lib::io::file_replacement text_file(const std::string& path, const std::string& text) {
    return {path,
            [text](lib::io::BinaryOutputStream& out) { out.write(text.data(), text.size()); }};
}

class Win32Files : public ::testing::Test {
protected:
    void SetUp() override {
        OSFile::set_retry_pause_ms(5);
        put_bytes(target, {'o', 'l', 'd'});
    }
    void TearDown() override { OSFile::set_retry_pause_ms(100); }
    ScratchDir dir;
    std::string target = dir.file("run.realtim");
};

} // namespace

TEST(Win32Text, Utf8AndUtf16RoundTrip) {
    const std::string text = "Скважина №7 \xF0\x9F\x9B\xA2 ёЁ"; // a character beyond 16 bits too
    const std::wstring wide = lib::win32::wide(text);
    EXPECT_EQ(wide.size(), 17u);
    EXPECT_EQ(wide[0], L'\x0421');
    EXPECT_EQ(lib::win32::utf8(wide), text);
    EXPECT_EQ(lib::win32::wide(""), L"");
    EXPECT_EQ(lib::win32::utf8(lib::win32::wide("a\xFF")), "a\xEF\xBF\xBD"); // invalid: U+FFFD
    EXPECT_NE(lib::win32::reason(ERROR_FILE_NOT_FOUND).back(), '.');
    EXPECT_FALSE(lib::win32::reason(ERROR_ACCESS_DENIED).empty());
}

TEST_F(Win32Files, OurOpensShareWithEachOtherAndWithReaders) {
    ForeignOpen reader(target, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_TRUE(reader.is_open());
    OSFile file;
    file.open(target, OSFile::write_append, false);
    EXPECT_TRUE(file.is_open());
    file.close();
    file.open(target, OSFile::read_existing, true);
    EXPECT_TRUE(file.locked());
    OSFile second;
    EXPECT_EQ(error_of([&] { second.open(target, OSFile::write_append, true); }),
              "Невозможно заблокировать файл!");
}

TEST_F(Win32Files, AProgramThatKeepsTheTargetOpenFailsTheReplaceAndKeepsTheOldFile) {
    // The step that failed, or -1 when the replace passed.
    auto failed_step = [&] {
        try {
            lib::io::replace_files({text_file(target, "new")});
        } catch (const lib::io::replace_error& e) {
            return static_cast<int>(e.step());
        }
        return -1;
    };
    // Without FILE_SHARE_WRITE the target cannot even be held: waited for, then refused.
    ForeignOpen exclusive(target, FILE_SHARE_READ);
    ASSERT_TRUE(exclusive.is_open());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(failed_step(), lib::io::replace_error::opening);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(19 * 5));
    exclusive.close();
    EXPECT_EQ(file_text(target), "old");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"run.realtim"});

    // A reader that shares everything lets the target be held, but Windows replaces no open
    // file: the rename waits for it, then fails, and the new data goes nowhere.
    ForeignOpen reader(target, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(failed_step(), lib::io::replace_error::renaming);
    reader.close();
    EXPECT_EQ(file_text(target), "old");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"run.realtim"});

    // Once they let go the same save passes.
    EXPECT_EQ(failed_step(), -1);
    EXPECT_EQ(file_text(target), "new");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"run.realtim"});
}
