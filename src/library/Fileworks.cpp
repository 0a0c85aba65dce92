#include "library/Fileworks.h"

#include "library/Binary_io.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <stdexcept>
#include <string_view>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lib::io {

namespace {

constexpr int attempts = 20;
constexpr off_t lock_length = 0x7FFFFFF00000000LL;

std::atomic<int> retry_pause_ms{100};

void pause_before_retry() {
    std::this_thread::sleep_for(std::chrono::milliseconds(retry_pause_ms.load()));
}

[[noreturn]] void fail(const char* message) {
    throw std::runtime_error(message);
}

// Retries an interrupted call; everything else is the caller's business.
template <class Call> auto no_eintr(Call call) {
    decltype(call()) result;
    do {
        result = call();
    } while (result == -1 && errno == EINTR);
    return result;
}

bool set_lock(int fd, short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = 0;
    range.l_len = lock_length;
    return no_eintr([&] { return ::fcntl(fd, F_OFD_SETLK, &range); }) == 0;
}

// The descriptor of the regular file at path, or -1 when there is nothing at path (a missing
// file or folder). O_RDWR falls back to reading only where writing is refused (a folder too,
// so that it is refused at once as no regular file). Other failures are tried `tries` times in
// all, 100 ms apart, then end in "Невозможно открыть файл!"; anything but a regular file ends
// in it at once.
int open_regular(const std::string& path, int flags, int tries) {
    // O_NONBLOCK keeps a FIFO from blocking the open; regular files ignore it.
    constexpr int always = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = -1;
    for (int attempt = 1;; ++attempt) {
        fd = no_eintr([&] { return ::open(path.c_str(), flags | always, 0666); });
        if (fd < 0 && (flags & O_ACCMODE) == O_RDWR &&
            (errno == EACCES || errno == EROFS || errno == EISDIR))
            fd = no_eintr([&] { return ::open(path.c_str(), O_RDONLY | always); });
        if (fd >= 0)
            break;
        if (errno == ENOENT || errno == ENOTDIR)
            return -1;
        if (attempt == tries)
            fail("Невозможно открыть файл!");
        pause_before_retry();
    }
    // Only regular files: a FIFO or a device would block reads and writes without bound.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fail("Невозможно открыть файл!");
    }
    return fd;
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
        fail("Невозможно открыть файл!");
    // Truncation waits until the lock is held (below), so O_TRUNC is never used. A locked
    // reader asks for write access as well, so that it can take the same exclusive lock as a
    // writer: OFD write locks need a descriptor open for writing. Nothing is written through
    // it. When the file is not writable for us it falls back to read-only and a shared lock,
    // which still excludes every writer.
    const int flags = mode != read_existing ? O_WRONLY | O_CREAT : lock ? O_RDWR : O_RDONLY;
    const int fd = open_regular(path, flags, attempts);
    if (fd < 0)
        fail("Файл не найден!");
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    fd_ = fd;

    try {
        if (lock)
            this->lock();
        // Truncating only now keeps a second writer that fails to get the lock from wiping out
        // the data of the one holding it.
        if (mode == write_truncate && ::ftruncate(fd_, 0) != 0)
            fail("Невозможно открыть файл!");
        if (mode == write_append)
            seek(0, from_end);
    } catch (...) {
        close();
        throw;
    }
}

bool OSFile::open_to_replace(const std::string& path) {
    close();
    // A file we may not write can still be replaced by a rename in a folder we may write; a
    // shared lock then keeps out the writers all the same.
    fd_ = open_regular(path, O_RDWR, 1);
    if (fd_ < 0)
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
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The start every temporary name of path shares: path's name, cut to leave room for
// ".<salt>.tmp" within the folder's name limit (at a character boundary), and a dot.
std::string temporary_stem(const std::string& path) {
    const std::string folder = folder_of(path);
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    const std::size_t room = (limit > 0 ? static_cast<std::size_t>(limit) : 255) - 1 - salt_digits -
                             temporary_end.size();
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
    DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!listing)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (!is_temporary_of(name, stem_name))
            continue;
        const std::string full = folder + name;
        const int fd = no_eintr([&] {
            return ::open(full.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        });
        if (fd < 0)
            continue;
        struct stat held {
        }, now{};
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && set_lock(fd, F_WRLCK) &&
            ::lstat(full.c_str(), &now) == 0 && now.st_ino == held.st_ino &&
            now.st_dev == held.st_dev)
            ::unlink(full.c_str());
        ::close(fd);
    }
    ::closedir(listing);
}

} // namespace

std::string OSFile::create_beside(const std::string& path) {
    close();
    static std::atomic<std::uint64_t> counter{0};
    const std::string stem = temporary_stem(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Only a hint against collisions: O_EXCL is what makes the name ours.
        const auto clock =
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        const std::uint64_t salt = clock ^ static_cast<std::uint64_t>(::getpid()) << 40 ^
                                   (counter++ * 0x9E3779B97F4A7C15ULL);
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "%012llx",
                      static_cast<unsigned long long>(salt & 0xFFFFFFFFFFFFULL));
        const std::string name = stem + suffix + std::string(temporary_end);
        const int fd = no_eintr([&] {
            return ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        });
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            if (errno == ENOENT || errno == ENOTDIR)
                fail("Файл не найден!");
            fail("Невозможно открыть файл!");
        }
        // Between the open and the lock another save's cleanup may take the new file for a
        // stale one: then it is gone and another name is tried.
        struct stat st {};
        if (!set_lock(fd, F_WRLCK) || ::fstat(fd, &st) != 0 || st.st_nlink == 0) {
            ::close(fd);
            continue;
        }
        // A replaced file keeps who may read and write it.
        struct stat old {};
        if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
            ::fchmod(fd, old.st_mode & 0777);
        fd_ = fd;
        locked_ = true;
        return name;
    }
    fail("Невозможно открыть файл!");
}

void OSFile::lock() {
    if (fd_ < 0)
        fail("Невозможно заблокировать файл!");
    const int access = ::fcntl(fd_, F_GETFL) & O_ACCMODE;
    const short type = access == O_RDONLY ? F_RDLCK : F_WRLCK;
    for (int attempt = 1;; ++attempt) {
        if (set_lock(fd_, type))
            break;
        if (attempt == attempts)
            fail("Невозможно заблокировать файл!");
        pause_before_retry();
    }
    locked_ = true;
}

void OSFile::unlock() {
    if (fd_ >= 0 && locked_)
        set_lock(fd_, F_UNLCK);
    locked_ = false;
}

void OSFile::close() {
    if (fd_ < 0)
        return;
    unlock();
    // Linux releases the descriptor even when close reports EINTR, so no retry.
    ::close(fd_);
    fd_ = -1;
}

std::int64_t OSFile::seek(std::int64_t offset, int origin) {
    // Indexed by Origin.
    constexpr int whence[] = {SEEK_SET, SEEK_END, SEEK_CUR};
    if (origin < from_begin || origin > from_current)
        fail("OSFile::seek: bad origin");
    if (fd_ < 0)
        fail("OSFile::seek: no file");
    const off_t position = ::lseek(fd_, static_cast<off_t>(offset), whence[origin]);
    if (position < 0)
        fail("OSFile::seek: failed");
    return position;
}

void OSFile::write(const void* bytes, std::size_t count) {
    if (fd_ < 0)
        fail("Попытка записи в файл с дескриптором 0xFFFFFFFF!");
    auto* next = static_cast<const char*>(bytes);
    // A short write is not an error by itself; only a write that makes no progress is.
    while (count > 0) {
        const ssize_t written = no_eintr([&] { return ::write(fd_, next, count); });
        if (written <= 0)
            fail("Невозможно записать в файл!");
        next += written;
        count -= static_cast<std::size_t>(written);
    }
}

std::int64_t OSFile::size() const {
    if (fd_ < 0)
        fail("OSFile::size: no file");
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        fail("OSFile::size: failed");
    return st.st_size;
}

void OSFile::sync() {
    if (fd_ < 0)
        fail("Попытка записи в файл с дескриптором 0xFFFFFFFF!");
    if (no_eintr([&] { return ::fsync(fd_); }) != 0)
        fail("Невозможно записать в файл!");
}

std::size_t OSFile::read(void* into, std::size_t count) {
    if (fd_ < 0)
        fail("Невозможно прочитать файл!");
    const ssize_t got = no_eintr([&] { return ::read(fd_, into, count); });
    if (got < 0)
        fail("Невозможно прочитать файл!");
    return static_cast<std::size_t>(got);
}

void replace_files(const std::vector<file_replacement>& files) {
    struct Pending {
        std::string path;
        OSFile target; // held locked until the new file has taken its place
        BinaryOutputFileStream out;
        std::string temp;
    };
    std::vector<std::unique_ptr<Pending>> unit;
    auto step = [](const file_replacement& file, replace_error::Step step, auto action) {
        try {
            action();
        } catch (const replace_error&) {
            throw;
        } catch (const std::exception& e) {
            throw replace_error(e.what(), file.target, step);
        }
    };
    std::size_t renamed = 0;
    try {
        for (std::size_t i = 0; i < files.size(); ++i) {
            Pending& p = *unit.emplace_back(std::make_unique<Pending>());
            // The new file replaces the file a link points to, not the link.
            p.path = resolve_links(files[i].target);
            step(files[i], replace_error::opening, [&] {
                p.target.open_to_replace(p.path);
                remove_stale_temporaries(p.path);
                p.temp = p.out.file().create_beside(p.path);
            });
            files[i].write(p.out);
            // The temporary file stays open, and so locked, up to its rename: no other save's
            // cleanup may take it for a stale one.
            step(files[i], replace_error::writing, [&] {
                p.out.flush();
                p.out.file().sync();
            });
        }
        for (; renamed < unit.size(); ++renamed) {
            if (!replace_file(unit[renamed]->temp, unit[renamed]->path))
                throw replace_error("Невозможно записать в файл!", files[renamed].target,
                                    replace_error::renaming);
        }
    } catch (...) {
        for (std::size_t i = renamed; i < unit.size(); ++i) {
            if (!unit[i]->temp.empty())
                remove_file(unit[i]->temp);
        }
        throw;
    }
    // Syncing the folders makes the renames themselves survive a power cut. A folder that
    // refuses (some file systems do) is no failure of the save: the files are in place.
    std::set<std::string> folders;
    for (const auto& p : unit) {
        const std::string folder = folder_of(p->path);
        if (!folders.insert(folder).second)
            continue;
        const int fd = no_eintr([&] {
            return ::open(folder.empty() ? "." : folder.c_str(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        });
        if (fd >= 0) {
            no_eintr([&] { return ::fsync(fd); });
            ::close(fd);
        }
    }
}

bool replace_file(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
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
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string resolve_links(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return path;
    std::string resolved(real);
    std::free(real);
    return resolved;
}

bool same_file(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

} // namespace lib::io
