#include "params/Grformoptions.h"

void GrFormOptions::describe_ini(lib::ini_options_elements& e) {
    const std::string section = "GrFormOptions";
    e.add_double(left, section, "left");
    e.add_double(right, section, "right");
    e.add_color(color, section, "color");
    e.add_int(scale, section, "scale");
    e.add_int(events, section, "events");
}

void GrFormOptions::after_load(lib::ini_file&) {
    if (!IsValidRange(left, right)) {
        const GrFormOptions defaults;
        left = defaults.left;
        right = defaults.right;
    }
}
