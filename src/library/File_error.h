#pragma once
// file_error: a failure of a file with its kind, and the one place that words every kind for the
// user (file_error_text). The stream layer raises it; its what() stays the stream's own text.
#include <stdexcept>
#include <string>

namespace lib::io {

enum class FileErrorKind {
    not_found,           // nothing at the path
    no_folder,           // the folder a new file was to go to does not exist
    not_regular,         // a folder, a pipe or a device where a file should be
    empty,               // a file with nothing in it
    busy,                // another program (or another open) holds the file
    no_read_permission,  // the system refuses to let us read it
    no_write_permission, // the system refuses to let us write it or its folder
    read_only,           // a disk or folder that takes no writing
    write_protected,     // a file whose write permission the user took away (the detail: its name)
    no_space,            // the disk is full
    truncated,           // the file ends inside a record
    not_data,            // the file holds nothing of the data file it is named as
    read_failed,         // the system could not read it (the detail says why)
    write_failed,        // the system could not write it (the detail says why)
};

class file_error : public std::runtime_error {
public:
    // message: the stream layer's text; detail: what support needs beyond the kind (a technical
    // text, the system's reason), empty when the kind says it all.
    file_error(FileErrorKind kind, const std::string& message, std::string detail = {})
        : std::runtime_error(message), kind_(kind), detail_(std::move(detail)) {}
    FileErrorKind kind() const { return kind_; }
    const std::string& detail() const { return detail_; }

private:
    FileErrorKind kind_;
    std::string detail_;
};

// The kind as one Russian sentence: "Файл пуст".
std::string file_error_text(FileErrorKind kind);
// What the user is shown: the kind's sentence and the detail in parentheses, when there is one.
std::string file_error_message(const file_error& error);
// What the user is shown of any error: a file error's message, another error's own text.
std::string error_message(const std::exception& error);
// The kind of a failed system call from its errno; writing tells the two permission kinds and
// the two failures apart. The system's own words for it, for the detail.
FileErrorKind kind_of_system_error(int error, bool writing);
std::string system_error_text(int error);

} // namespace lib::io
