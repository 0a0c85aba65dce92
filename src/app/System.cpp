#include "app/System.h"

namespace detailed {

void HardWareIni::describe_ini(lib::ini_options_elements& e) {
    e.add_string(hardware_.name, "HardWare", "name");
}

RegSystem::RegSystem() : hardware_(std::make_unique<device::HardWare>()) {}

RegSystem::~RegSystem() = default;

RegSystem& RegSystem::instance() {
    static RegSystem system;
    return system;
}

void RegSystem::load_settings(const std::string& path) {
    HardWareIni(*hardware_).load_from_file(path);
}

void RegSystem::save_settings(const std::string& path) {
    HardWareIni(*hardware_).save_to_file(path);
}

} // namespace detailed
