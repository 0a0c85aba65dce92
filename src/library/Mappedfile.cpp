#include "library/Mappedfile.h"

#include <stdexcept>

#include <sys/mman.h>

namespace lib::io {

InputMappedFile::~InputMappedFile() {
    close();
}

void InputMappedFile::open(const std::string& path, bool lock) {
    close();
    file_.open(path, OSFile::read_existing, lock);
    const std::int64_t size = file_.size();
    // A zero-length file has nothing to map; mmap would refuse it anyway.
    void* pointer = MAP_FAILED;
    if (size > 0 && static_cast<std::uint64_t>(size) <= SIZE_MAX) {
        pointer = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED,
                         file_.handle(), 0);
    }
    if (pointer == MAP_FAILED) {
        file_.close();
        throw std::runtime_error("InputMappedFile::open: (h_file_mapping == NULL)");
    }
    ::madvise(pointer, static_cast<std::size_t>(size), MADV_SEQUENTIAL);
    mapping_ = pointer;
    mapped_size_ = static_cast<std::size_t>(size);
    attach(mapping_, mapped_size_);
}

void InputMappedFile::close() {
    if (mapping_)
        ::munmap(mapping_, mapped_size_);
    mapping_ = nullptr;
    mapped_size_ = 0;
    attach(nullptr, 0);
    file_.close();
}

} // namespace lib::io
