#pragma once
// The last opened data files, newest first, kept in the settings file (section "RecentFiles",
// keys file1..file8).
#include <string>
#include <vector>

#include "library/Inioptions.h"

class RecentFiles : public lib::ini_options {
public:
    static constexpr int capacity = 8;

    // Puts path first, made absolute so that it opens from any folder; an earlier entry of the
    // same path goes, the oldest beyond 8 drops off.
    void add(const std::string& path);
    void remove(const std::string& path);
    const std::vector<std::string>& files() const { return files_; }
    // Before a save, with the list the file holds now (another window may have closed since
    // this one read it): this window's own opens first, newest first, then that list, then the
    // rest of this one; the files this window dropped stay out; up to 8.
    void merge(const std::vector<std::string>& in_file_now);

    void describe_ini(lib::ini_options_elements& elements) override;
    // The section is written only when there is something to keep or to take away, so a first
    // start leaves no empty list in the file.
    bool worth_saving() const { return !files_.empty() || in_file_; }

protected:
    void before_load(lib::ini_file& file) override;
    void after_load(lib::ini_file& file) override;
    void before_save(lib::ini_file& file) override;

private:
    std::vector<std::string> files_;
    std::vector<std::string> added_, removed_; // by this window, since it read the file
    std::string slots_[capacity];
    bool in_file_ = false;
};
