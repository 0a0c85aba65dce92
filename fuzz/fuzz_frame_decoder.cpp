// Measurement dump bytes as the logger line delivers them: frames, records, garbage.
#include <cstddef>
#include <cstdint>

#include "device/Dumps.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    device::FrameDecoder decoder;
    for (std::size_t i = 0; i < size; ++i) {
        if (decoder.feed(data[i]) != device::FrameDecoder::Step::complete)
            continue;
        if (decoder.payload().size() > device::MAX_MESSAGE_BYTES)
            __builtin_trap();
        if (const auto r = device::decode_record(decoder.payload()))
            (void)device::record_time(r->time);
    }
    return 0;
}
