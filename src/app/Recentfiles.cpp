#include "app/Recentfiles.h"

#include <algorithm>
#include <filesystem>

namespace {

std::string absolute_path(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

} // namespace

void RecentFiles::add(const std::string& path) {
    const std::string kept = absolute_path(path);
    remove(kept);
    files_.insert(files_.begin(), kept);
    if (files_.size() > static_cast<std::size_t>(capacity))
        files_.resize(capacity);
}

void RecentFiles::remove(const std::string& path) {
    files_.erase(std::remove(files_.begin(), files_.end(), absolute_path(path)), files_.end());
}

void RecentFiles::describe_ini(lib::ini_options_elements& e) {
    for (int i = 0; i < capacity; ++i)
        e.add_string(slots_[i], "RecentFiles", "file" + std::to_string(i + 1));
}

void RecentFiles::before_load(lib::ini_file&) {
    std::fill(std::begin(slots_), std::end(slots_), std::string());
}

void RecentFiles::after_load(lib::ini_file&) {
    files_.clear();
    for (const std::string& slot : slots_)
        if (!slot.empty() && std::find(files_.begin(), files_.end(), slot) == files_.end())
            files_.push_back(slot);
    in_file_ = !files_.empty();
}

void RecentFiles::before_save(lib::ini_file&) {
    for (int i = 0; i < capacity; ++i)
        slots_[i] = static_cast<std::size_t>(i) < files_.size() ? files_[i] : std::string();
}
