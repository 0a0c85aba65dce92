#pragma once
// The one reading of a port name, for the port dialog, the read and vornell-cli: "COMn", a
// device path, or "host:port" for a logger behind TCP. No toolkit, so it can be fuzzed.
#include <cstdint>
#include <string>
#include <string_view>

namespace device {

// What keeps a port name from being used.
enum class PortNameFault { none, empty, com_number, no_device, tcp_address, tcp_port, unknown };

struct TcpPeer {
    std::string host; // letters, digits, dots and hyphens: an IPv4 address or a host name
    std::uint16_t port = 0;
};

// A name with a colon is a TCP peer, whether it is well formed or not.
bool is_tcp_name(std::string_view name);
// "host:port" exactly as written: a host of letters, digits, dots and hyphens, one colon and a
// port from 1 to 65535 in plain decimal (no sign, no leading zero, no space). `peer` is filled
// when the name is good.
PortNameFault parse_tcp_name(std::string_view name, TcpPeer* peer = nullptr);
// The device a serial name opens: "COM3" -> "/dev/ttyS2"; other names are their own.
std::string device_path(const std::string& name);

struct PortNameCheck {
    PortNameFault fault = PortNameFault::none;
    std::string name; // what to store: trimmed, "COMn" in capitals, a TCP name as written
};
// The port dialog's check of a typed name: a known COMn (0 to 255, any case, spaces around it
// ignored), a device path that exists, or a TCP name as parse_tcp_name takes it.
PortNameCheck check_port_name(const std::string& text);
// The faults a stored name (settings, command line) cannot be read with at all: an empty name
// and a TCP name that is no host:port. Whether a device exists is for the open to say.
PortNameFault stored_port_name_fault(const std::string& name);
// Why the name cannot be used, with the forms a port name takes.
std::string port_name_fault_text(PortNameFault fault, const std::string& name);

} // namespace device
