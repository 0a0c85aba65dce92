// The parameter description file of the older data files over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "formats/Legacy_file.h"
#include "library/Binary_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FileStorage model; // one model: its named lock is made once
    model.clear();
    lib::io::InputMemoryView source(data, size);
    try {
        legacy::read_description(source, model);
    } catch (const std::exception&) {
        // damage is reported as a load message; the entries read so far stay
    }
    return 0;
}
