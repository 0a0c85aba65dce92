// Arbitrary bytes as an INI file: parse, look keys up, rewrite some, serialize and parse again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "library/Inifile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    lib::ini_file ini;
    ini.parse(bytes);

    for (const std::string& section : ini.sections())
        for (const std::string& key : ini.keys(section))
            (void)ini.read(section, key);
    (void)ini.read("HardWare", "name");
    (void)ini.read("", "");

    ini.write(bytes.substr(0, 8), bytes.substr(size / 2), bytes.substr(size / 3));
    ini.write("GrFormOptions", "left", "0");
    const auto left = ini.read("GrFormOptions", "left");
    if (!left || *left != "0")
        std::abort();

    // Every line goes out as it stands, so a second round gives the same bytes.
    const std::string first = ini.serialize();
    lib::ini_file again;
    again.parse(first);
    if (again.serialize() != first)
        std::abort();
    return 0;
}
