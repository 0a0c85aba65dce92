#pragma once
// RegSystem: the program's one settings object, owned by the main window. It reads Vornell.ini
// once when it is made and writes it once at close; every part of the program gets its typed
// section of it and none opens the file. The logger link's section is the file's first.
#include <string>

#include "app/Activityoptions.h"
#include "app/Recentfiles.h"
#include "app/Windowstate.h"
#include "library/Inifile.h"
#include "params/Grformoptions.h"
#include "params/Linksettings.h"

namespace detailed {

class RegSystem {
public:
    // Reads the file at path; a missing file or key keeps the defaults.
    explicit RegSystem(std::string path);
    RegSystem(const RegSystem&) = delete;
    RegSystem& operator=(const RegSystem&) = delete;

    const std::string& path() const { return path_; }
    LinkSettings& link() { return link_; }
    GrFormOptions& graph_options() { return graph_; }
    RecentFiles& recent_files() { return recent_; }
    WindowState& window_state() { return window_; }
    LastFolder& last_folder() { return folder_; }
    ActivityOptions& activity() { return activity_; }

    // Writes every section into the file in one replace: "HardWare" and "GrFormOptions" first
    // on a new file, then the window's own; sections and lines of others stay as they were.
    // The recent files are merged with those the file holds by then (RecentFiles::merge); every
    // other section is this window's, whatever another window wrote since.
    // Empty on success, otherwise why the settings could not be written. A file that could not
    // be read whole is left alone.
    std::string save_settings();

private:
    std::string path_;
    lib::ini_file file_;
    LinkSettings link_;
    GrFormOptions graph_;
    RecentFiles recent_;
    WindowState window_;
    LastFolder folder_;
    ActivityOptions activity_;
};

} // namespace detailed
