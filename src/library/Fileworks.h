#pragma once
// OSFile (an OS file with retrying open and a whole-file lock), replace_files (the one way to
// replace files: as one unit, through temporary files beside them) and small file helpers.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "library/File_error.h"

namespace lib::io {

class BinaryOutputStream;
class BinaryOutputFileStream;

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
    // Opens an existing path to hold it locked while it is replaced; false when there is nothing
    // at path. Anything but a regular file, and every failure that cannot pass (no permission, a
    // link loop, a name too long), fails at once with "Невозможно открыть файл!"; only the lock
    // is retried, as lock() does.
    bool open_to_replace(const std::string& path);
    // Creates and opens, locked, a new file for writing beside path (same directory, so it can be
    // renamed over path) under a name no other file has and that fits the folder's name limit;
    // it gets path's permission bits when path exists. Returns the new file's name.
    std::string create_beside(const std::string& path);
    // Opens path for appending (every write goes to the end, whoever else appends) in one
    // attempt, without a lock, creating it when it is missing; anything but a regular file is
    // refused without waiting for it (a FIFO with no reader included). Raises nothing.
    enum class append_open { opened, not_regular, failed };
    append_open open_append_once(const std::string& path);
    // Reads up to count bytes; 0 at the end ("Невозможно прочитать файл!" on failure).
    std::size_t read(void* into, std::size_t count);
    // Exclusive lock over [0, 0x7FFFFFF00000000) that a second open in this process conflicts
    // with too (an open-file-description lock; LockFileEx on Windows, where it also keeps other
    // opens from reading or writing the file); 20 attempts 100 ms apart, then "Невозможно
    // заблокировать файл!". On POSIX a descriptor open only for reading can hold just a shared
    // lock, which still excludes every writer; open(path, 1, true) asks for write access to get
    // the exclusive one when it may.
    void lock();
    void unlock();
    void close();
    std::int64_t seek(std::int64_t offset, int origin);
    void write(const void* bytes, std::size_t count);
    std::int64_t size() const;
    // Pushes written data to the disk ("Невозможно записать в файл!" on failure).
    void sync();

    bool is_open() const { return fd_ != -1; }
    bool locked() const { return locked_; }
    // The descriptor, or the HANDLE on Windows; -1 when closed.
    std::intptr_t handle() const { return fd_; }

    // Retry pause between attempts; tests shorten it.
    static void set_retry_pause_ms(int ms);

private:
    std::intptr_t fd_ = -1;
    bool locked_ = false;
};

// One file of a replace: the target and the writer that fills its temporary file through a
// buffered stream. Whatever the writer raises ends the replace and passes on unchanged, but for
// a failure of the stream it writes to: that is the replace_error of the writing step.
struct file_replacement {
    std::string target;
    std::function<void(BinaryOutputStream&)> write;
};

// A failure in one of replace_files' own steps, with its kind: the file it failed on (its target
// as given), and whether its temporary file could not be made (or the target not held), not be
// written, or not be renamed.
class replace_error : public file_error {
public:
    enum Step { opening, writing, renaming };
    replace_error(const file_error& cause, std::string target, Step step)
        : file_error(cause), target_(std::move(target)), step_(step) {}
    const std::string& target() const { return target_; }
    Step step() const { return step_; }

private:
    std::string target_;
    Step step_;
};

// Refuses a file the user made read-only by clearing all of its write permission bits (chmod
// a-w; the read-only attribute on Windows) with a write_protected file_error that names path:
// a replace would go around the bits by its rename, and root would write through them. Missing
// files and anything but a regular file pass (the open that follows refuses those).
void check_writable(const std::string& path);

// Replaces every target as one unit. Every target is checked first (check_writable: a protected
// one fails the replace at its opening step before anything is written). In order, each target
// is resolved through symbolic links, held locked when it exists (retried only while another
// process holds it), freed of the temporary files that killed saves of it left (those no process
// holds), and written completely into a temporary file beside it, which is then synced. Only when
// all are written are they renamed over their targets, in order, and the folders synced (on Windows
// each target is let go just before its rename, since an open file cannot be replaced there, and
// the rename writes through). On any failure every temporary file is removed and, unless a later
// rename itself fails, no target is touched. A kill leaves each target old or new, never cut short,
// and a new target absent or complete.
void replace_files(const std::vector<file_replacement>& files);

// One target of a replace taken step by step, for a writer whose parts come one after the other
// from several places (a print job). Making it checks the target (check_writable), holds it,
// removes the stale temporary files and creates the temporary file (a replace_error of the
// opening step otherwise); commit
// writes it out, syncs it, renames it over the target and syncs the folder, as replace_files
// does. One that goes without its rename removes its temporary file: the target stays as it was.
class file_replacing {
public:
    explicit file_replacing(std::string target);
    ~file_replacing();
    file_replacing(const file_replacing&) = delete;
    file_replacing& operator=(const file_replacing&) = delete;

    // Its failures are this target's writing step.
    BinaryOutputStream& out();
    void commit();

    // commit's steps, which replace_files takes apart for a unit of several targets.
    void finish_writing();
    void rename();
    const std::string& path() const { return path_; } // the target through its links

private:
    std::string target_; // as given
    std::string path_;
    std::unique_ptr<OSFile> held_;
    std::unique_ptr<BinaryOutputFileStream> out_;
    std::string temp_;
    bool renamed_ = false;
};

// Renames `from` over `to` (atomic on one file system); false on failure. On Windows a target
// that another program has open is waited for as a locked file is.
bool replace_file(const std::string& from, const std::string& to);
// replace_files of one file holding bytes; false on any failure (the old file is kept then).
bool write_file_replacing(const std::string& path, std::string_view bytes);
// Removes a file; false when it could not be removed (a missing file counts as removed).
bool remove_file(const std::string& path);
bool file_exists(const std::string& path);
// The file that path names through any symbolic links; path itself when it cannot be resolved.
std::string resolve_links(const std::string& path);
// True when both names reach one existing file, however they are spelt: through links, "./" or
// another hard link. False when either does not exist.
bool same_file(const std::string& a, const std::string& b);
// Where the file name in path starts: after the last '/' (on Windows also '\\' or a drive's ':').
std::size_t file_name_start(std::string_view path);
// Where the extension of the file name in path starts (at its last dot); path.size() without one.
std::size_t extension_start(std::string_view path);

} // namespace lib::io
