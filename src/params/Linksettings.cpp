#include "params/Linksettings.h"

void LinkSettings::describe_ini(lib::ini_options_elements& e) {
    e.add_string(name, "HardWare", "name");
}
