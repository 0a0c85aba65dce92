#pragma once
// RegSystem: the program's one settings object, owned by the main window. It reads Vornell.ini
// once when it is made and writes it once at close; every part of the program gets its typed
// section of it and none opens the file. It also owns the one logger link, whose port name is
// the file's first section.
#include <memory>
#include <string>

#include "app/Recentfiles.h"
#include "app/Windowstate.h"
#include "device/Hardware.h"
#include "library/Inifile.h"
#include "library/Inioptions.h"
#include "params/Grformoptions.h"

namespace detailed {

// The link's entry of the settings file: section "HardWare", key "name".
class HardWareIni : public lib::ini_options {
public:
    explicit HardWareIni(device::HardWare& hardware) : hardware_(hardware) {}
    void describe_ini(lib::ini_options_elements& elements) override;

private:
    device::HardWare& hardware_;
};

class RegSystem {
public:
    // Reads the file at path; a missing file or key keeps the defaults.
    explicit RegSystem(std::string path);
    ~RegSystem();
    RegSystem(const RegSystem&) = delete;
    RegSystem& operator=(const RegSystem&) = delete;

    const std::string& path() const { return path_; }
    device::HardWare& hardware() { return *hardware_; }
    GrFormOptions& graph_options() { return graph_; }
    RecentFiles& recent_files() { return recent_; }
    WindowState& window_state() { return window_; }
    LastFolder& last_folder() { return folder_; }

    // Writes every section into the file in one replace: "HardWare" and "GrFormOptions" first
    // on a new file, then the window's own; sections and lines of others stay as they were.
    // Empty on success, otherwise why the settings could not be written. A file that could not
    // be read whole is left alone.
    std::string save_settings();

private:
    std::string path_;
    lib::ini_file file_;
    std::unique_ptr<device::HardWare> hardware_;
    GrFormOptions graph_;
    RecentFiles recent_;
    WindowState window_;
    LastFolder folder_;
};

} // namespace detailed
