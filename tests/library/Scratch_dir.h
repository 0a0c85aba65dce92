#pragma once
// A private temporary directory for one test, removed with everything in it.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

// Names in the program are UTF-8 on every system; std::filesystem's narrow strings are not.
inline std::filesystem::path u8_path(const std::string& name) {
    return std::u8string(name.begin(), name.end());
}
inline std::string utf8_of(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return {name.begin(), name.end()};
}

class ScratchDir {
public:
    ScratchDir() {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::random_device random;
        // create_directory makes only a new folder: one that exists gives false.
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate = base / ("vornell-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate))
                path_ = candidate;
        }
        if (path_.empty())
            throw std::runtime_error("no scratch folder");
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string file(const std::string& name) const { return utf8_of(path_ / u8_path(name)); }
    const std::filesystem::path& path() const { return path_; }
    // The names in the directory, sorted: a save leaves no temporary file behind.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            out.push_back(utf8_of(entry.path().filename()));
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    std::filesystem::path path_;
};

inline void put_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(u8_path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> get_bytes(const std::string& path) {
    std::ifstream in(u8_path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string file_text(const std::string& path) {
    std::ifstream in(u8_path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs `action` and returns the message of the error of that kind it raises ("" when none).
template <class Error = std::runtime_error, class Action> std::string error_of(Action action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}
