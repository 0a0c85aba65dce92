#pragma once
// LinkSettings: the logger link's section of the settings file, section "HardWare", key "name".
#include <string>

#include "library/Inioptions.h"

class LinkSettings : public lib::ini_options {
public:
    void describe_ini(lib::ini_options_elements& elements) override;

    // The port a read opens: COMn, a device path or address:port.
    std::string name = "COM1";
};
