#pragma once
// OS file handle with retrying open and a whole-file exclusive lock.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lib::io {

class OSFile {
public:
    enum Mode { read_existing = 1, write_truncate = 2, write_append = 3 };
    enum Origin { from_begin = 0, from_end = 1, from_current = 2 };

    OSFile() = default;
    ~OSFile();
    OSFile(const OSFile&) = delete;
    OSFile& operator=(const OSFile&) = delete;

    // Up to 20 attempts 100 ms apart; "Файл не найден!" at once for a missing file or path,
    // "Невозможно открыть файл!" after the last attempt or at once for anything but a regular
    // file. Then locks when asked to; mode 2 truncates only once the lock is held.
    void open(const std::string& path, int mode, bool lock);
    // Creates and opens, locked, a new file for writing beside path (same directory, so it can be
    // renamed over path) under a name no other file has; it gets path's permissions when path
    // exists. Returns the new file's name.
    std::string create_beside(const std::string& path);
    // Exclusive lock over [0, 0x7FFFFFF00000000), open-file-description lock so a second open in
    // this process conflicts too; 20 attempts 100 ms apart, then "Невозможно заблокировать файл!".
    // A descriptor open only for reading can hold just a shared lock, which still excludes every
    // writer; open(path, 1, true) asks for write access to get the exclusive one when it may.
    void lock();
    void unlock();
    void close();
    std::int64_t seek(std::int64_t offset, int origin);
    void write(const void* bytes, std::size_t count);
    std::int64_t size() const;
    // Pushes written data to the disk ("Невозможно записать в файл!" on failure).
    void sync();

    bool is_open() const { return fd_ >= 0; }
    bool locked() const { return locked_; }
    int handle() const { return fd_; }

    // Retry pause between attempts; tests shorten it.
    static void set_retry_pause_ms(int ms);

private:
    int fd_ = -1;
    bool locked_ = false;
};

// Renames `from` over `to` (atomic on one file system); false on failure.
bool replace_file(const std::string& from, const std::string& to);
// Writes bytes into a new file beside path and renames it over path, so a failed write leaves
// the old file as it was; false on any failure (nothing is left behind then).
bool write_file_replacing(const std::string& path, std::string_view bytes);
// Removes a file; false when it could not be removed (a missing file counts as removed).
bool remove_file(const std::string& path);
bool file_exists(const std::string& path);
// The file that path names through any symbolic links; path itself when it cannot be resolved.
std::string resolve_links(const std::string& path);

} // namespace lib::io
