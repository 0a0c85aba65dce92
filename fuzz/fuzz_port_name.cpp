// Port names as the settings file and the command line give them: whatever parses names a host
// of its own characters and a port in range, and reads back as itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "device/Port_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    device::TcpPeer peer;
    if (device::parse_tcp_name(name, &peer) == device::PortNameFault::none &&
        (peer.port == 0 || name != peer.host + ":" + std::to_string(peer.port)))
        std::abort();
    const device::PortNameCheck check = device::check_port_name(name);
    (void)device::port_name_fault_text(check.fault, check.name);
    (void)device::stored_port_name_fault(name);
    (void)device::device_path(name);
    return 0;
}
