#pragma once
// The process-wide system object: it owns the one logger link and keeps its port name in the
// settings file.
#include <memory>
#include <string>

#include "device/Hardware.h"
#include "library/Inioptions.h"

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
    static RegSystem& instance();
    RegSystem(const RegSystem&) = delete;
    RegSystem& operator=(const RegSystem&) = delete;

    device::HardWare& hardware() { return *hardware_; }
    // A missing file or key keeps the current port name.
    void load_settings(const std::string& path);
    // A file that cannot be written loses the setting silently.
    void save_settings(const std::string& path);

private:
    RegSystem();
    ~RegSystem();

    std::unique_ptr<device::HardWare> hardware_;
};

} // namespace detailed
