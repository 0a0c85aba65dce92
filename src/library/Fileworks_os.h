#pragma once
// The system calls under Fileworks and Mappedfile, one implementation per system
// (Fileworks_posix.cpp, Fileworks_win32.cpp; the build picks one). The retries, the messages
// and the order of a replace stay in Fileworks.cpp. Names are UTF-8 here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lib::io::os {

// A descriptor or a HANDLE; -1 is no file on both (INVALID_HANDLE_VALUE is -1).
using handle = std::intptr_t;
constexpr handle no_handle = -1;

// append: every write goes to the end, whoever else writes the file.
enum class access { read, write, read_write, append };
enum class outcome {
    opened,
    missing,     // nothing at the path (a missing file or folder)
    exists,      // create_new: the name is taken
    not_regular, // a folder, a pipe, a device: refused at once
    busy,        // another program's open keeps ours out (Windows sharing): waited for as a lock
    failed,      // anything else; may pass on a retry
};
struct opened_file {
    handle file = no_handle;
    outcome status = outcome::failed;
};

// Opens the regular file at path, sharing it with every other open as POSIX does (locks, not
// the open, keep writers apart); create makes a missing file. read_write falls back to read
// where writing is refused.
opened_file open_regular(const std::string& path, access how, bool create);
// Creates path, which must not exist yet, for reading and writing.
opened_file create_new(const std::string& path);
// Locks a file create_new made and gives it the permissions of `replaced` where it exists;
// false when another save's cleanup took the new file for a stale one first.
bool claim_created(handle file, const std::string& replaced);
// The whole-file lock, taken at once or not at all; it excludes every other locked open.
bool lock(handle file);
void unlock(handle file);
void close(handle file);

// -1 on failure; read returns 0 at the end.
std::int64_t read(handle file, void* into, std::size_t count);
std::int64_t write(handle file, const void* bytes, std::size_t count);
// Origins as OSFile::Origin.
std::int64_t seek(handle file, std::int64_t offset, int origin);
std::int64_t size(handle file);
bool truncate(handle file);
bool sync(handle file);

// A read-only view of the first `size` bytes; nullptr when the file cannot be mapped.
const void* map(handle file, std::size_t size);
void unmap(const void* view, std::size_t size);
// Gives back the memory of the view's first `size` bytes (whole pages only); they stay readable.
void release(const void* view, std::size_t size);

enum class move { done, busy, failed }; // busy: another program has the target open
move rename_over(const std::string& from, const std::string& to);
// Whether a target still held open stops its own replacement (Windows replaces no open file).
extern const bool held_target_blocks_rename;
// Makes the renames in folder survive a power cut where the system needs a call for it.
void sync_folder(const std::string& folder);

bool remove(const std::string& path); // a missing file counts as removed
bool exists(const std::string& path);
// A regular file (through links) whose write permission bits are all cleared; the read-only
// attribute on Windows.
bool write_protected(const std::string& path);
std::string resolve_links(const std::string& path); // "" when it cannot be resolved
// The names in folder ("" is the current one); empty when it cannot be listed.
std::vector<std::string> names_in(const std::string& folder);
// Removes the regular file at path unless some process holds it locked.
void remove_if_unheld(const std::string& path);

// The longest file name the folder takes, in bytes of UTF-8 at most.
std::size_t name_limit(const std::string& folder);
std::uint64_t process_id();
// The characters after which a file name starts.
extern const char folder_separators[];

} // namespace lib::io::os
