// Fileworks' system calls on Windows. Every open shares reading, writing and deleting with
// every other open, as POSIX opens do; LockFileEx is the whole-file lock.
#include "library/Fileworks_os.h"

#include <algorithm>

#include <windows.h>

#include "library/Win32_text.h"

namespace lib::io::os {

namespace {

constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The range [0, 0x7FFFFFF00000000) as LockFileEx takes it.
constexpr DWORD lock_length_low = 0;
constexpr DWORD lock_length_high = 0x07FFFFFF;
// UTF-16 units in a file name on every Windows file system in use.
constexpr std::size_t longest_name = 255;
// ReadFile and WriteFile take a 32-bit count.
constexpr std::size_t largest_transfer = 1u << 30;

HANDLE handle_of(handle file) {
    return reinterpret_cast<HANDLE>(file);
}

handle from(HANDLE file) {
    return reinterpret_cast<handle>(file);
}

bool nothing_there(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool is_regular(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileType(file) == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info) &&
           !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

HANDLE create_file(const std::string& path, DWORD desired, DWORD disposition, DWORD flags) {
    const std::wstring name = win32::wide(path);
    // A name longer than any file system takes is refused as one, not looked for (as wine would).
    const std::size_t start = name.find_last_of(L"/\\:");
    if (name.size() - (start == std::wstring::npos ? 0 : start + 1) > longest_name) {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE file = ::CreateFileW(name.c_str(), desired, share_all, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL | flags, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        win32::keep_errno();
    return file;
}

} // namespace

const char folder_separators[] = "/\\:";
const bool held_target_blocks_rename = true;

opened_file open_regular(const std::string& path, access how, bool create) {
    const DWORD desired = how == access::read     ? GENERIC_READ
                          : how == access::write  ? GENERIC_WRITE
                          : how == access::append ? FILE_APPEND_DATA | SYNCHRONIZE
                                                  : GENERIC_READ | GENERIC_WRITE;
    // Opened for reading, a folder opens too (backup semantics), so that it is refused at once
    // as no regular file; opened for writing it fails like any refused open, as on POSIX.
    const DWORD disposition = create ? OPEN_ALWAYS : OPEN_EXISTING;
    HANDLE file = create_file(path, desired, disposition,
                              how == access::read ? FILE_FLAG_BACKUP_SEMANTICS : 0);
    if (file == INVALID_HANDLE_VALUE && how == access::read_write) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT)
            file = create_file(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    }
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return {no_handle, nothing_there(error)               ? outcome::missing
                           : error == ERROR_SHARING_VIOLATION ? outcome::busy
                                                              : outcome::failed};
    }
    if (!is_regular(file)) {
        ::CloseHandle(file);
        return {no_handle, outcome::not_regular};
    }
    return {from(file), outcome::opened};
}

opened_file create_new(const std::string& path) {
    HANDLE file = create_file(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, 0);
    if (file != INVALID_HANDLE_VALUE)
        return {from(file), outcome::opened};
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
        return {no_handle, outcome::exists};
    return {no_handle, nothing_there(error) ? outcome::missing : outcome::failed};
}

bool claim_created(handle file, const std::string&) {
    // A cleanup that took the file marked it for deletion. Permissions come from the folder.
    FILE_STANDARD_INFO info{};
    return lock(file) &&
           ::GetFileInformationByHandleEx(handle_of(file), FileStandardInfo, &info, sizeof info) &&
           !info.DeletePending;
}

bool lock(handle file) {
    OVERLAPPED from_start{};
    return ::LockFileEx(handle_of(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                        lock_length_low, lock_length_high, &from_start);
}

void unlock(handle file) {
    OVERLAPPED from_start{};
    ::UnlockFileEx(handle_of(file), 0, lock_length_low, lock_length_high, &from_start);
}

void close(handle file) {
    ::CloseHandle(handle_of(file));
}

std::int64_t read(handle file, void* into, std::size_t count) {
    DWORD got = 0;
    const auto ask = static_cast<DWORD>(std::min(count, largest_transfer));
    if (::ReadFile(handle_of(file), into, ask, &got, nullptr))
        return got;
    win32::keep_errno();
    return -1;
}

std::int64_t write(handle file, const void* bytes, std::size_t count) {
    DWORD written = 0;
    const auto offer = static_cast<DWORD>(std::min(count, largest_transfer));
    if (::WriteFile(handle_of(file), bytes, offer, &written, nullptr))
        return written;
    win32::keep_errno();
    return -1;
}

std::int64_t seek(handle file, std::int64_t offset, int origin) {
    // Indexed by OSFile::Origin.
    constexpr DWORD method[] = {FILE_BEGIN, FILE_END, FILE_CURRENT};
    LARGE_INTEGER distance{}, position{};
    distance.QuadPart = offset;
    return ::SetFilePointerEx(handle_of(file), distance, &position, method[origin])
               ? position.QuadPart
               : -1;
}

std::int64_t size(handle file) {
    LARGE_INTEGER bytes{};
    return ::GetFileSizeEx(handle_of(file), &bytes) ? bytes.QuadPart : -1;
}

bool truncate(handle file) {
    return seek(file, 0, 0) == 0 && ::SetEndOfFile(handle_of(file));
}

bool sync(handle file) {
    if (::FlushFileBuffers(handle_of(file)))
        return true;
    win32::keep_errno();
    return false;
}

const void* map(handle file, std::size_t size) {
    HANDLE mapping = ::CreateFileMappingW(handle_of(file), nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping)
        return nullptr;
    const void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, size);
    // The view keeps the mapping alive.
    ::CloseHandle(mapping);
    return view;
}

void unmap(const void* view, std::size_t) {
    ::UnmapViewOfFile(view);
}

void release(const void* view, std::size_t size) {
    // Unlocking pages that are not locked takes them out of the working set.
    if (size > 0)
        ::VirtualUnlock(const_cast<void*>(view), size);
}

move rename_over(const std::string& from, const std::string& to) {
    if (::MoveFileExW(win32::wide(from).c_str(), win32::wide(to).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return move::done;
    win32::keep_errno();
    const DWORD error = ::GetLastError();
    // A target that someone has open (a reader, a virus scanner) cannot be replaced until
    // they let it go.
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                   error == ERROR_LOCK_VIOLATION
               ? move::busy
               : move::failed;
}

void sync_folder(const std::string&) {
    // MOVEFILE_WRITE_THROUGH returns only once the rename is on the disk.
}

bool remove(const std::string& path) {
    return ::DeleteFileW(win32::wide(path).c_str()) || nothing_there(::GetLastError());
}

bool exists(const std::string& path) {
    return ::GetFileAttributesW(win32::wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool write_protected(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(win32::wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string resolve_links(const std::string& path) {
    HANDLE file = create_file(path, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::wstring name(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(file, name.data(), static_cast<DWORD>(name.size()),
                                               FILE_NAME_NORMALIZED);
    if (length >= name.size()) {
        name.resize(length);
        length = ::GetFinalPathNameByHandleW(file, name.data(), static_cast<DWORD>(name.size()),
                                             FILE_NAME_NORMALIZED);
    }
    ::CloseHandle(file);
    if (length == 0 || length >= name.size())
        return {};
    name.resize(length);
    // The name comes as \\?\C:\... or \\?\UNC\server\...; the plain forms open the same file.
    if (name.starts_with(L"\\\\?\\UNC\\"))
        name.erase(2, 6);
    else if (name.starts_with(L"\\\\?\\"))
        name.erase(0, 4);
    return win32::utf8(name);
}

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry{};
    HANDLE listing = ::FindFirstFileExW(win32::wide(folder + "*").c_str(), FindExInfoBasic, &entry,
                                        FindExSearchNameMatch, nullptr, 0);
    if (listing == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(win32::utf8(entry.cFileName));
    while (::FindNextFileW(listing, &entry));
    ::FindClose(listing);
    return names;
}

void remove_if_unheld(const std::string& path) {
    // Deleting through the locked handle removes the file that was locked, not one made since.
    HANDLE file = create_file(path, GENERIC_READ | GENERIC_WRITE | DELETE, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT);
    if (file == INVALID_HANDLE_VALUE)
        return;
    if (is_regular(file) && lock(from(file))) {
        FILE_DISPOSITION_INFO dispose{};
        dispose.DeleteFile = TRUE;
        ::SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
        unlock(from(file));
    }
    ::CloseHandle(file);
}

std::size_t name_limit(const std::string&) {
    // A UTF-8 byte count is never below the UTF-16 one.
    return longest_name;
}

std::uint64_t process_id() {
    return ::GetCurrentProcessId();
}

} // namespace lib::io::os
