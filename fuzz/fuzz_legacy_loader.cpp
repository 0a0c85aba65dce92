// The 145-byte records of the older data files over arbitrary bytes, written back afterwards.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "formats/Legacy_file.h"
#include "library/Binary_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FileStorage model; // one model: its named lock is made once
    model.clear();
    lib::io::InputMemoryView source(data, size);
    model.pad_params(legacy::used_columns(source)); // as the load does
    try {
        legacy::read_records(source, model);
    } catch (const std::exception&) {
        // a bad depth or a cut record ends the load; the records read so far stay
    }
    lib::io::BinaryMemoryOutputStream sink;
    legacy::write_records(model, sink);
    return 0;
}
