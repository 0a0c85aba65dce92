// Fileworks' system calls on POSIX (Linux: open-file-description locks).
#include "library/Fileworks_os.h"

#include <cerrno>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lib::io::os {

namespace {

constexpr off_t lock_length = 0x7FFFFFF00000000LL;

int fd_of(handle file) {
    return static_cast<int>(file);
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

const char folder_separators[] = "/";
const bool held_target_blocks_rename = false;

opened_file open_regular(const std::string& path, access how, bool create) {
    // O_NONBLOCK keeps a FIFO from blocking the open; regular files ignore it.
    constexpr int always = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    const int flags = (how == access::read     ? O_RDONLY
                       : how == access::write  ? O_WRONLY
                       : how == access::append ? O_WRONLY | O_APPEND
                                               : O_RDWR) |
                      (create ? O_CREAT : 0);
    int fd = no_eintr([&] { return ::open(path.c_str(), flags | always, 0666); });
    // Reading only where writing is refused, a folder too, so that it is refused at once as no
    // regular file.
    if (fd < 0 && how == access::read_write &&
        (errno == EACCES || errno == EROFS || errno == EISDIR))
        fd = no_eintr([&] { return ::open(path.c_str(), O_RDONLY | always); });
    // Appending is tried once (a log): ENXIO, a FIFO nobody reads or a device that is not
    // there, and EISDIR, a folder, are no regular file rather than a failure worth retrying.
    if (fd < 0 && how == access::append && (errno == ENXIO || errno == EISDIR))
        return {no_handle, outcome::not_regular};
    if (fd < 0)
        return {no_handle,
                errno == ENOENT || errno == ENOTDIR ? outcome::missing : outcome::failed};
    // Only regular files: a FIFO or a device would block reads and writes without bound.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {no_handle, outcome::not_regular};
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return {fd, outcome::opened};
}

opened_file create_new(const std::string& path) {
    const int fd = no_eintr([&] {
        return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    });
    if (fd >= 0)
        return {fd, outcome::opened};
    if (errno == EEXIST)
        return {no_handle, outcome::exists};
    return {no_handle, errno == ENOENT || errno == ENOTDIR ? outcome::missing : outcome::failed};
}

bool claim_created(handle file, const std::string& replaced) {
    // A cleanup that took the file unlinked it: no links are left.
    struct stat st {};
    if (!set_lock(fd_of(file), F_WRLCK) || ::fstat(fd_of(file), &st) != 0 || st.st_nlink == 0)
        return false;
    // A replaced file keeps who may read and write it.
    struct stat old {};
    if (::stat(replaced.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd_of(file), old.st_mode & 0777);
    return true;
}

bool lock(handle file) {
    const int access_mode = ::fcntl(fd_of(file), F_GETFL) & O_ACCMODE;
    return set_lock(fd_of(file), access_mode == O_RDONLY ? F_RDLCK : F_WRLCK);
}

void unlock(handle file) {
    set_lock(fd_of(file), F_UNLCK);
}

void close(handle file) {
    // Linux releases the descriptor even when close reports EINTR, so no retry.
    ::close(fd_of(file));
}

std::int64_t read(handle file, void* into, std::size_t count) {
    return no_eintr([&] { return ::read(fd_of(file), into, count); });
}

std::int64_t write(handle file, const void* bytes, std::size_t count) {
    return no_eintr([&] { return ::write(fd_of(file), bytes, count); });
}

std::int64_t seek(handle file, std::int64_t offset, int origin) {
    // Indexed by OSFile::Origin.
    constexpr int whence[] = {SEEK_SET, SEEK_END, SEEK_CUR};
    return ::lseek(fd_of(file), static_cast<off_t>(offset), whence[origin]);
}

std::int64_t size(handle file) {
    struct stat st {};
    return ::fstat(fd_of(file), &st) == 0 ? st.st_size : -1;
}

bool truncate(handle file) {
    return ::ftruncate(fd_of(file), 0) == 0;
}

bool sync(handle file) {
    return no_eintr([&] { return ::fsync(fd_of(file)); }) == 0;
}

const void* map(handle file, std::size_t size) {
    void* view = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd_of(file), 0);
    if (view == MAP_FAILED)
        return nullptr;
    ::madvise(view, size, MADV_SEQUENTIAL);
    return view;
}

void unmap(const void* view, std::size_t size) {
    ::munmap(const_cast<void*>(view), size);
}

void release(const void* view, std::size_t size) {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    // The pages of a read-only shared file mapping come back from the file when touched again.
    if (size >= page)
        ::madvise(const_cast<void*>(view), size / page * page, MADV_DONTNEED);
}

move rename_over(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? move::done : move::failed;
}

void sync_folder(const std::string& folder) {
    const int fd = no_eintr([&] {
        return ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    });
    if (fd >= 0) {
        no_eintr([&] { return ::fsync(fd); });
        ::close(fd);
    }
}

bool remove(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool write_protected(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::string resolve_links(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return {};
    std::string resolved(real);
    std::free(real);
    return resolved;
}

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!listing)
        return names;
    while (const dirent* entry = ::readdir(listing))
        names.emplace_back(entry->d_name);
    ::closedir(listing);
    return names;
}

void remove_if_unheld(const std::string& path) {
    const int fd = no_eintr([&] {
        return ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    });
    if (fd < 0)
        return;
    // The name must still be the file that was locked, not one made since.
    struct stat held {
    }, now{};
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && set_lock(fd, F_WRLCK) &&
        ::lstat(path.c_str(), &now) == 0 && now.st_ino == held.st_ino && now.st_dev == held.st_dev)
        ::unlink(path.c_str());
    ::close(fd);
}

std::size_t name_limit(const std::string& folder) {
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : 255;
}

std::uint64_t process_id() {
    return static_cast<std::uint64_t>(::getpid());
}

} // namespace lib::io::os
