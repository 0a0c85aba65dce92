#include "library/Mappedfile.h"

#include <algorithm>
#include <cstdint>

#include "library/Fileworks_os.h"

namespace lib::io {

InputMappedFile::~InputMappedFile() {
    close();
}

void InputMappedFile::open(const std::string& path, bool lock) {
    close();
    file_.open(path, OSFile::read_existing, lock);
    const std::int64_t size = file_.size();
    // A zero-length file has nothing to map; the system would refuse it anyway.
    const void* view = nullptr;
    if (size > 0 && static_cast<std::uint64_t>(size) <= SIZE_MAX)
        view = os::map(file_.handle(), static_cast<std::size_t>(size));
    if (!view) {
        file_.close();
        const char* message = "InputMappedFile::open: (h_file_mapping == NULL)";
        throw file_error(size == 0 ? FileErrorKind::empty : FileErrorKind::read_failed, message,
                         message);
    }
    mapping_ = view;
    mapped_size_ = static_cast<std::size_t>(size);
    attach(mapping_, mapped_size_);
}

void InputMappedFile::release_before(std::size_t offset) {
    if (mapping_)
        os::release(mapping_, std::min(offset, mapped_size_));
}

void InputMappedFile::close() {
    if (mapping_)
        os::unmap(mapping_, mapped_size_);
    mapping_ = nullptr;
    mapped_size_ = 0;
    attach(nullptr, 0);
    file_.close();
}

} // namespace lib::io
