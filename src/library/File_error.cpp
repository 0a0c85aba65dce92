#include "library/File_error.h"

#include <system_error>

namespace lib::io {

std::string file_error_text(FileErrorKind kind) {
    switch (kind) {
    case FileErrorKind::not_found:
        return "Файл не найден";
    case FileErrorKind::no_folder:
        return "Нет папки, в которой должен быть файл";
    case FileErrorKind::not_regular:
        return "Это не файл, а папка или устройство";
    case FileErrorKind::empty:
        return "Файл пуст";
    case FileErrorKind::busy:
        return "Файл занят другой программой";
    case FileErrorKind::no_read_permission:
        return "Нет прав на чтение файла";
    case FileErrorKind::no_write_permission:
        return "Нет прав на запись файла или его папки";
    case FileErrorKind::read_only:
        return "Диск или папка только для чтения";
    case FileErrorKind::write_protected:
        return "Файл только для чтения";
    case FileErrorKind::no_space:
        return "На диске нет места";
    case FileErrorKind::truncated:
        return "Файл обрывается посреди записи";
    case FileErrorKind::not_data:
        return "Это не файл данных";
    case FileErrorKind::read_failed:
        return "Файл не читается";
    case FileErrorKind::write_failed:
        return "Файл не записывается";
    }
    return "Файл не читается";
}

std::string file_error_message(const file_error& error) {
    std::string text = file_error_text(error.kind());
    // A protected file is named: the user protected it by its name.
    if (error.kind() == FileErrorKind::write_protected)
        text += ": " + error.detail();
    else if (!error.detail().empty())
        text += " (" + error.detail() + ")";
    return text;
}

std::string error_message(const std::exception& error) {
    const auto* file = dynamic_cast<const file_error*>(&error);
    return file ? file_error_message(*file) : error.what();
}

FileErrorKind kind_of_system_error(int error, bool writing) {
    // Compared as portable conditions: the Win32 calls leave the POSIX kind in errno.
    const std::error_condition e(error, std::generic_category());
    if (e == std::errc::permission_denied || e == std::errc::operation_not_permitted)
        return writing ? FileErrorKind::no_write_permission : FileErrorKind::no_read_permission;
    if (e == std::errc::read_only_file_system)
        return FileErrorKind::read_only;
    if (e == std::errc::no_space_on_device || e == std::errc::file_too_large)
        return FileErrorKind::no_space;
    if (e == std::errc::no_such_file_or_directory || e == std::errc::not_a_directory)
        return writing ? FileErrorKind::no_folder : FileErrorKind::not_found;
    if (e == std::errc::is_a_directory)
        return FileErrorKind::not_regular;
    if (e == std::errc::device_or_resource_busy || e == std::errc::text_file_busy)
        return FileErrorKind::busy;
    return writing ? FileErrorKind::write_failed : FileErrorKind::read_failed;
}

std::string system_error_text(int error) {
    return error ? std::generic_category().message(error) : std::string();
}

} // namespace lib::io
