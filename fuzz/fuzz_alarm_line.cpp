// One alarm journal line as received: any bytes, any field count, any date text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "device/Dumps.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    device::AlarmLine alarm;
    (void)device::decode_alarm_line(line, alarm); // every outcome is defined; nothing may escape
    return 0;
}
