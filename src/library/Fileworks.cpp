#include "library/Fileworks.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <stdexcept>
#include <string_view>
#include <thread>

#include "library/Binary_io.h"
#include "library/Fileworks_os.h"

namespace lib::io {

namespace {

constexpr int attempts = 20;

std::atomic<int> retry_pause_ms{100};

void pause_before_retry() {
    std::this_thread::sleep_for(std::chrono::milliseconds(retry_pause_ms.load()));
}

[[noreturn]] void fail(FileErrorKind kind, const char* message, std::string detail = {}) {
    throw file_error(kind, message, std::move(detail));
}

// A system call that failed with errno `error`, in its own words.
[[noreturn]] void fail_system(int error, bool writing, const char* message) {
    fail(kind_of_system_error(error, writing), message, system_error_text(error));
}

// The regular file at path, or no handle when there is nothing at path (a missing file or
// folder). Other failures are tried `tries` times in all (an open another program keeps out as
// often as a lock is), 100 ms apart, then end in a file_error of their kind; anything but a
// regular file ends in one at once. A file that is made (create) is being written.
os::handle open_regular(const std::string& path, os::access how, bool create, int tries) {
    for (int attempt = 1;; ++attempt) {
        const os::opened_file got = os::open_regular(path, how, create);
        const int error = errno;
        switch (got.status) {
        case os::outcome::opened:
            return got.file;
        case os::outcome::missing:
            return os::no_handle;
        case os::outcome::not_regular:
            fail(FileErrorKind::not_regular, "Невозможно открыть файл!");
        default:
            break;
        }
        const bool busy = got.status == os::outcome::busy;
        if (attempt >= (busy ? attempts : tries)) {
            if (busy)
                fail(FileErrorKind::busy, "Невозможно открыть файл!");
            fail_system(error, create, "Невозможно открыть файл!");
        }
        pause_before_retry();
    }
}

} // namespace

OSFile::~OSFile() {
    close();
}

void OSFile::set_retry_pause_ms(int ms) {
    retry_pause_ms.store(ms < 0 ? 0 : ms);
}

void OSFile::open(const std::string& path, int mode, bool lock) {
    close();
    if (mode < read_existing || mode > write_append)
        fail(FileErrorKind::read_failed, "Невозможно открыть файл!", "OSFile::open: bad mode");
    // Truncation waits until the lock is held (below). A locked reader asks for write access
    // as well, so that it can take the same exclusive lock as a writer: POSIX write locks need
    // a descriptor open for writing. Nothing is written through it. When the file is not
    // writable for us it falls back to reading only and a shared lock, which still excludes
    // every writer.
    const os::access how = mode != read_existing ? os::access::write
                           : lock                ? os::access::read_write
                                                 : os::access::read;
    const os::handle fd = open_regular(path, how, mode != read_existing, attempts);
    // Nothing there: for a file to be made, its folder is what is missing.
    if (fd == os::no_handle)
        fail(mode == read_existing ? FileErrorKind::not_found : FileErrorKind::no_folder,
             "Файл не найден!");
    fd_ = fd;

    try {
        if (lock)
            this->lock();
        // Truncating only now keeps a second writer that fails to get the lock from wiping out
        // the data of the one holding it.
        if (mode == write_truncate && !os::truncate(fd_))
            fail_system(errno, true, "Невозможно открыть файл!");
        if (mode == write_append)
            seek(0, from_end);
    } catch (...) {
        close();
        throw;
    }
}

OSFile::append_open OSFile::open_append_once(const std::string& path) {
    close();
    const os::opened_file got = os::open_regular(path, os::access::append, true);
    if (got.status == os::outcome::not_regular)
        return append_open::not_regular;
    if (got.status != os::outcome::opened)
        return append_open::failed;
    fd_ = got.file;
    return append_open::opened;
}

bool OSFile::open_to_replace(const std::string& path) {
    close();
    // A file we may not write can still be replaced by a rename in a folder we may write; a
    // shared lock then keeps out the writers all the same.
    fd_ = open_regular(path, os::access::read_write, false, 1);
    if (fd_ == os::no_handle)
        return false;
    try {
        lock();
    } catch (...) {
        close();
        throw;
    }
    return true;
}

namespace {

constexpr std::size_t salt_digits = 12;
constexpr std::string_view temporary_end = ".tmp";

std::string folder_of(const std::string& path) {
    return path.substr(0, file_name_start(path));
}

// The start every temporary name of path shares: path's name, cut to leave room for
// ".<salt>.tmp" within the folder's name limit (at a character boundary), and a dot.
std::string temporary_stem(const std::string& path) {
    const std::string folder = folder_of(path);
    const std::size_t room = os::name_limit(folder) - 1 - salt_digits - temporary_end.size();
    std::size_t cut = std::min(path.size() - folder.size(), room);
    while (cut > 0 && (static_cast<unsigned char>(path[folder.size() + cut]) & 0xC0) == 0x80)
        --cut;
    return path.substr(0, folder.size() + cut) + '.';
}

bool is_temporary_of(const std::string& name, const std::string& stem_name) {
    if (name.size() != stem_name.size() + salt_digits + temporary_end.size() ||
        !name.starts_with(stem_name) || !name.ends_with(temporary_end))
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(stem_name.size()),
                       name.end() - static_cast<std::ptrdiff_t>(temporary_end.size()),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// A saver holds its temporary file locked from creation to rename, so one that can be locked
// was left by a save that died.
void remove_stale_temporaries(const std::string& path) {
    const std::string stem = temporary_stem(path);
    const std::string folder = folder_of(path);
    const std::string stem_name = stem.substr(folder.size());
    for (const std::string& name : os::names_in(folder))
        if (is_temporary_of(name, stem_name))
            os::remove_if_unheld(folder + name);
}

} // namespace

std::string OSFile::create_beside(const std::string& path) {
    close();
    static std::atomic<std::uint64_t> counter{0};
    const std::string stem = temporary_stem(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Only a hint against collisions: creating only a new file is what makes the name ours.
        const auto clock =
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        const std::uint64_t salt =
            clock ^ os::process_id() << 40 ^ (counter++ * 0x9E3779B97F4A7C15ULL);
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "%012llx",
                      static_cast<unsigned long long>(salt & 0xFFFFFFFFFFFFULL));
        const std::string name = stem + suffix + std::string(temporary_end);
        const os::opened_file created = os::create_new(name);
        const int error = errno;
        if (created.status == os::outcome::exists)
            continue;
        if (created.status == os::outcome::missing)
            fail(FileErrorKind::no_folder, "Файл не найден!");
        if (created.status != os::outcome::opened)
            fail_system(error, true, "Невозможно открыть файл!");
        // Between the creation and the lock another save's cleanup may take the new file for a
        // stale one: then it is gone and another name is tried.
        if (!os::claim_created(created.file, path)) {
            os::close(created.file);
            continue;
        }
        fd_ = created.file;
        locked_ = true;
        return name;
    }
    fail(FileErrorKind::write_failed, "Невозможно открыть файл!", "OSFile::create_beside: no name");
}

void OSFile::lock() {
    if (fd_ == os::no_handle)
        fail(FileErrorKind::read_failed, "Невозможно заблокировать файл!", "OSFile::lock: no file");
    for (int attempt = 1;; ++attempt) {
        if (os::lock(fd_))
            break;
        if (attempt == attempts)
            fail(FileErrorKind::busy, "Невозможно заблокировать файл!");
        pause_before_retry();
    }
    locked_ = true;
}

void OSFile::unlock() {
    if (fd_ != os::no_handle && locked_)
        os::unlock(fd_);
    locked_ = false;
}

void OSFile::close() {
    if (fd_ == os::no_handle)
        return;
    unlock();
    os::close(fd_);
    fd_ = os::no_handle;
}

std::int64_t OSFile::seek(std::int64_t offset, int origin) {
    if (origin < from_begin || origin > from_current)
        fail(FileErrorKind::read_failed, "OSFile::seek: bad origin", "OSFile::seek: bad origin");
    if (fd_ == os::no_handle)
        fail(FileErrorKind::read_failed, "OSFile::seek: no file", "OSFile::seek: no file");
    const std::int64_t position = os::seek(fd_, offset, origin);
    if (position < 0)
        fail_system(errno, false, "OSFile::seek: failed");
    return position;
}

void OSFile::write(const void* bytes, std::size_t count) {
    if (fd_ == os::no_handle)
        fail(FileErrorKind::write_failed, "Попытка записи в файл с дескриптором 0xFFFFFFFF!");
    auto* next = static_cast<const char*>(bytes);
    // A short write is not an error by itself; only a write that makes no progress is.
    while (count > 0) {
        const std::int64_t written = os::write(fd_, next, count);
        if (written <= 0)
            fail_system(written < 0 ? errno : ENOSPC, true, "Невозможно записать в файл!");
        next += written;
        count -= static_cast<std::size_t>(written);
    }
}

std::int64_t OSFile::size() const {
    if (fd_ == os::no_handle)
        fail(FileErrorKind::read_failed, "OSFile::size: no file", "OSFile::size: no file");
    const std::int64_t bytes = os::size(fd_);
    if (bytes < 0)
        fail_system(errno, false, "OSFile::size: failed");
    return bytes;
}

void OSFile::sync() {
    if (fd_ == os::no_handle)
        fail(FileErrorKind::write_failed, "Попытка записи в файл с дескриптором 0xFFFFFFFF!");
    if (!os::sync(fd_))
        fail_system(errno, true, "Невозможно записать в файл!");
}

std::size_t OSFile::read(void* into, std::size_t count) {
    if (fd_ == os::no_handle)
        fail(FileErrorKind::read_failed, "Невозможно прочитать файл!");
    const std::int64_t got = os::read(fd_, into, count);
    if (got < 0)
        fail_system(errno, false, "Невозможно прочитать файл!");
    return static_cast<std::size_t>(got);
}

namespace {

// Runs one step of a replace, giving any failure the kind of that step of the target.
template <class Action>
void replace_step(const std::string& target, replace_error::Step step, Action action) {
    try {
        action();
    } catch (const replace_error&) {
        throw;
    } catch (const file_error& e) {
        throw replace_error(e, target, step);
    } catch (const std::exception& e) {
        throw replace_error(file_error(FileErrorKind::write_failed, e.what()), target, step);
    }
}

} // namespace

file_replacing::file_replacing(std::string target)
    : target_(std::move(target)), held_(std::make_unique<OSFile>()),
      out_(std::make_unique<BinaryOutputFileStream>()) {
    // The new file replaces the file a link points to, not the link.
    path_ = resolve_links(target_);
    replace_step(target_, replace_error::opening, [&] {
        check_writable(target_);
        held_->open_to_replace(path_);
        remove_stale_temporaries(path_);
        temp_ = out_->file().create_beside(path_);
    });
}

file_replacing::~file_replacing() {
    if (renamed_ || temp_.empty())
        return;
    out_.reset(); // closed first: Windows removes no open file
    remove_file(temp_);
}

BinaryOutputStream& file_replacing::out() {
    return *out_;
}

void file_replacing::finish_writing() {
    // The temporary file stays open, and so locked, up to its rename: no other save's cleanup
    // may take it for a stale one.
    replace_step(target_, replace_error::writing, [&] {
        out_->flush();
        out_->file().sync();
    });
}

void file_replacing::rename() {
    if (os::held_target_blocks_rename)
        held_->close();
    if (!replace_file(temp_, path_)) {
        const int error = errno;
        throw replace_error(file_error(kind_of_system_error(error, true),
                                       "Невозможно записать в файл!", system_error_text(error)),
                            target_, replace_error::renaming);
    }
    renamed_ = true;
}

void file_replacing::commit() {
    finish_writing();
    rename();
    os::sync_folder(folder_of(path_));
}

void replace_files(const std::vector<file_replacement>& files) {
    for (const file_replacement& file : files)
        replace_step(file.target, replace_error::opening, [&] { check_writable(file.target); });
    std::vector<std::unique_ptr<file_replacing>> unit;
    for (const file_replacement& file : files) {
        file_replacing& p = *unit.emplace_back(std::make_unique<file_replacing>(file.target));
        // A failure of the stream under the writer is this file's writing step.
        try {
            file.write(p.out());
        } catch (const replace_error&) {
            throw;
        } catch (const file_error& e) {
            throw replace_error(e, file.target, replace_error::writing);
        }
        p.finish_writing();
    }
    // A target that fails to be renamed keeps the ones before it renamed; the temporary files
    // of it and of those after it go with them.
    for (const auto& p : unit)
        p->rename();
    // A folder that refuses the sync (some file systems do) is no failure of the save: the
    // files are in place.
    std::set<std::string> folders;
    for (const auto& p : unit) {
        const std::string folder = folder_of(p->path());
        if (folders.insert(folder).second)
            os::sync_folder(folder);
    }
}

void check_writable(const std::string& path) {
    if (os::write_protected(path))
        throw file_error(FileErrorKind::write_protected,
                         file_error_text(FileErrorKind::write_protected) + ": " + path, path);
}

bool replace_file(const std::string& from, const std::string& to) {
    // Only another program that has the target open makes a rename wait (on Windows).
    for (int attempt = 1;; ++attempt) {
        const os::move result = os::rename_over(from, to);
        if (result != os::move::busy || attempt == attempts)
            return result == os::move::done;
        pause_before_retry();
    }
}

bool write_file_replacing(const std::string& path, std::string_view bytes) {
    try {
        replace_files(
            {{path, [&](BinaryOutputStream& out) { out.write(bytes.data(), bytes.size()); }}});
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool remove_file(const std::string& path) {
    return os::remove(path);
}

bool file_exists(const std::string& path) {
    return os::exists(path);
}

std::string resolve_links(const std::string& path) {
    std::string resolved = os::resolve_links(path);
    return resolved.empty() ? path : resolved;
}

std::size_t file_name_start(std::string_view path) {
    const std::size_t last = path.find_last_of(os::folder_separators);
    return last == std::string_view::npos ? 0 : last + 1;
}

std::size_t extension_start(std::string_view path) {
    const std::size_t dot = path.find_last_of('.');
    return dot == std::string_view::npos || dot < file_name_start(path) ? path.size() : dot;
}

bool same_file(const std::string& a, const std::string& b) {
    // The names are UTF-8 whatever the system's code page.
    const auto name = [](const std::string& utf8) {
        return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
    };
    std::error_code error;
    return std::filesystem::equivalent(name(a), name(b), error) && !error;
}

} // namespace lib::io
