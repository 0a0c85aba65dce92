#include "app/System.h"

namespace detailed {

RegSystem::RegSystem(std::string path) : path_(std::move(path)) {
    // What cannot be read keeps the defaults; the reason is told when the file is written.
    file_.load(path_);
    link_.load(file_);
    graph_.load(file_);
    recent_.load(file_);
    window_.load(file_);
    folder_.load(file_);
    activity_.load(file_);
}

std::string RegSystem::save_settings() {
    // Another window may have closed since this one read the file: its recent files stay.
    lib::ini_file now;
    if (now.load(path_)) {
        RecentFiles in_file;
        in_file.load(now);
        recent_.merge(in_file.files());
    }
    link_.save(file_);
    graph_.save(file_);
    if (recent_.worth_saving())
        recent_.save(file_);
    window_.save(file_);
    if (folder_.worth_saving())
        folder_.save(file_);
    activity_.save(file_);
    return file_.save() ? std::string() : file_.problem_text();
}

} // namespace detailed
