#include "app/Recentfiles.h"

#include <algorithm>
#include <filesystem>

namespace {

std::string absolute_path(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

void erase(std::vector<std::string>& list, const std::string& path) {
    list.erase(std::remove(list.begin(), list.end(), path), list.end());
}

bool contains(const std::vector<std::string>& list, const std::string& path) {
    return std::find(list.begin(), list.end(), path) != list.end();
}

} // namespace

void RecentFiles::add(const std::string& path) {
    const std::string kept = absolute_path(path);
    erase(files_, kept);
    erase(removed_, kept);
    erase(added_, kept);
    files_.insert(files_.begin(), kept);
    added_.insert(added_.begin(), kept);
    for (auto* list : {&files_, &added_})
        if (list->size() > static_cast<std::size_t>(capacity))
            list->resize(capacity);
}

void RecentFiles::remove(const std::string& path) {
    const std::string gone = absolute_path(path);
    erase(files_, gone);
    erase(added_, gone);
    if (!contains(removed_, gone))
        removed_.push_back(gone);
}

void RecentFiles::merge(const std::vector<std::string>& in_file_now) {
    std::vector<std::string> merged;
    const std::vector<std::string>* const lists[] = {&added_, &in_file_now, &files_};
    for (const std::vector<std::string>* list : lists)
        for (const std::string& path : *list)
            if (merged.size() < static_cast<std::size_t>(capacity) && !contains(merged, path) &&
                !contains(removed_, path))
                merged.push_back(path);
    files_ = std::move(merged);
}

void RecentFiles::describe_ini(lib::ini_options_elements& e) {
    for (int i = 0; i < capacity; ++i)
        e.add_path(slots_[i], "RecentFiles", "file" + std::to_string(i + 1));
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
