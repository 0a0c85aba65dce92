#include "library/Fileworks.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

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

int open_flags(int mode) {
    // Truncation waits until the lock is held (see open), so O_TRUNC is never used.
    switch (mode) {
    case OSFile::read_existing:
        return O_RDONLY;
    case OSFile::write_truncate:
    case OSFile::write_append:
        return O_WRONLY | O_CREAT;
    default:
        fail("Невозможно открыть файл!");
    }
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

} // namespace

OSFile::~OSFile() {
    close();
}

void OSFile::set_retry_pause_ms(int ms) {
    retry_pause_ms.store(ms < 0 ? 0 : ms);
}

void OSFile::open(const std::string& path, int mode, bool lock) {
    close();
    int flags = open_flags(mode);
    // A locked reader asks for write access as well, so that it can take the same exclusive
    // lock as a writer: OFD write locks need a descriptor open for writing. Nothing is written
    // through it. When the file is not writable for us it falls back to read-only and a shared
    // lock, which still excludes every writer.
    const bool reader_wants_write = lock && mode == read_existing;
    if (reader_wants_write)
        flags = O_RDWR;
    // O_NONBLOCK keeps a FIFO from blocking the open; regular files ignore it.
    flags |= O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

    int fd = -1;
    for (int attempt = 1;; ++attempt) {
        fd = no_eintr([&] { return ::open(path.c_str(), flags, 0666); });
        if (fd < 0 && reader_wants_write &&
            (errno == EACCES || errno == EROFS || errno == EISDIR)) {
            fd = no_eintr(
                [&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK); });
        }
        if (fd >= 0)
            break;
        if (errno == ENOENT || errno == ENOTDIR)
            fail("Файл не найден!");
        if (attempt == attempts)
            fail("Невозможно открыть файл!");
        pause_before_retry();
    }

    // Only regular files: a FIFO or a device would block reads and writes without bound.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fail("Невозможно открыть файл!");
    }
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

std::string OSFile::create_beside(const std::string& path) {
    close();
    static std::atomic<std::uint64_t> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Only a hint against collisions: O_EXCL is what makes the name ours.
        const auto clock =
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        const std::uint64_t salt = clock ^ static_cast<std::uint64_t>(::getpid()) << 40 ^
                                   (counter++ * 0x9E3779B97F4A7C15ULL);
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%012llx.tmp",
                      static_cast<unsigned long long>(salt & 0xFFFFFFFFFFFFULL));
        const std::string name = path + suffix;
        const int fd = no_eintr([&] {
            return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        });
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            if (errno == ENOENT || errno == ENOTDIR)
                fail("Файл не найден!");
            fail("Невозможно открыть файл!");
        }
        // A replaced file keeps who may read and write it.
        struct stat old {};
        if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
            ::fchmod(fd, old.st_mode & 0777);
        fd_ = fd;
        try {
            lock();
        } catch (...) {
            close();
            ::unlink(name.c_str());
            throw;
        }
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
    int whence;
    switch (origin) {
    case from_begin:
        whence = SEEK_SET;
        break;
    case from_end:
        whence = SEEK_END;
        break;
    case from_current:
        whence = SEEK_CUR;
        break;
    default:
        fail("OSFile::seek: bad origin");
    }
    if (fd_ < 0)
        fail("OSFile::seek: no file");
    const off_t position = ::lseek(fd_, static_cast<off_t>(offset), whence);
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

bool replace_file(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool write_file_replacing(const std::string& path, std::string_view bytes) {
    OSFile out;
    std::string temp;
    try {
        temp = out.create_beside(path);
        out.write(bytes.data(), bytes.size());
        out.sync();
        out.close();
        if (replace_file(temp, path))
            return true;
    } catch (const std::exception&) {
        out.close();
    }
    if (!temp.empty())
        remove_file(temp);
    return false;
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

} // namespace lib::io
