#pragma once
// InputMappedFile: a file mapped read-only into memory and read as an InputMemoryView.
#include <string>

#include "library/Binary_io.h"

namespace lib::io {

class InputMappedFile : public InputMemoryView {
public:
    InputMappedFile() = default;
    ~InputMappedFile() override;
    InputMappedFile(const InputMappedFile&) = delete;
    InputMappedFile& operator=(const InputMappedFile&) = delete;

    // "InputMappedFile::open: (h_file_mapping == NULL)" for an empty or unmappable file.
    void open(const std::string& path, bool lock);
    void close();
    OSFile& file() { return file_; }
    void release_before(std::size_t offset) override;

private:
    OSFile file_;
    const void* mapping_ = nullptr;
    std::size_t mapped_size_ = 0;
};

} // namespace lib::io
