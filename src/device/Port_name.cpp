#include "device/Port_name.h"

#include <algorithm>
#include <filesystem>

#include "library/Strworks.h"

namespace device {

namespace {

constexpr int com_names = 256;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_host_char(char c) {
    return is_digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' || c == '-';
}

// A decimal number of 1 to `digits` digits without a leading zero; -1 for anything else.
long plain_number(std::string_view text, std::size_t digits) {
    if (text.empty() || text.size() > digits || text[0] == '0' ||
        !std::all_of(text.begin(), text.end(), is_digit))
        return -1;
    long n = 0;
    for (char c : text)
        n = n * 10 + (c - '0');
    return n;
}

} // namespace

bool is_tcp_name(std::string_view name) {
    return name.find(':') != std::string_view::npos;
}

PortNameFault parse_tcp_name(std::string_view name, TcpPeer* peer) {
    const auto colon = name.find(':');
    if (colon == std::string_view::npos)
        return PortNameFault::tcp_address;
    const std::string_view host = name.substr(0, colon);
    if (host.empty() || !std::all_of(host.begin(), host.end(), is_host_char))
        return PortNameFault::tcp_address;
    const long port = plain_number(name.substr(colon + 1), 5);
    if (port < 1 || port > 65535)
        return PortNameFault::tcp_port;
    if (peer)
        *peer = {std::string(host), static_cast<std::uint16_t>(port)};
    return PortNameFault::none;
}

std::string device_path(const std::string& name) {
    if (name.size() > 3 && name.size() <= 6 &&
        (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "com") == 0) &&
        std::all_of(name.begin() + 3, name.end(), is_digit)) {
        const int n = std::stoi(name.substr(3));
        if (n >= 1)
            return "/dev/ttyS" + std::to_string(n - 1);
    }
    return name;
}

PortNameCheck check_port_name(const std::string& text) {
    const std::string name = lib::trim(text);
    if (name.empty())
        return {PortNameFault::empty, name};
    // Spaces are no part of a host or a port: the name is taken as written.
    if (is_tcp_name(text))
        return {parse_tcp_name(text), text};
    if (name.front() == '/') {
        std::error_code ec;
        if (!std::filesystem::exists(name, ec) || std::filesystem::is_directory(name, ec))
            return {PortNameFault::no_device, name};
        return {PortNameFault::none, name};
    }
    std::string head = name.substr(0, 3);
    std::transform(head.begin(), head.end(), head.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    if (name.size() > 3 && head == "COM" && std::all_of(name.begin() + 3, name.end(), is_digit)) {
        const std::string digits = name.substr(3);
        const auto first = digits.find_first_not_of('0');
        const std::string number = first == std::string::npos ? "0" : digits.substr(first);
        if (number.size() > 3 || std::stoi(number) >= com_names)
            return {PortNameFault::com_number, name};
        return {PortNameFault::none, "COM" + number};
    }
    return {PortNameFault::unknown, name};
}

PortNameFault stored_port_name_fault(const std::string& name) {
    if (lib::trim(name).empty())
        return PortNameFault::empty;
    return is_tcp_name(name) ? parse_tcp_name(name) : PortNameFault::none;
}

std::string port_name_fault_text(PortNameFault fault, const std::string& name) {
    std::string problem;
    switch (fault) {
    case PortNameFault::none:
        return {};
    case PortNameFault::empty:
        problem = "Имя порта не введено.";
        break;
    case PortNameFault::com_number:
        problem = "Порта «" + name + "» нет: номера COM-портов от 0 до " +
                  std::to_string(com_names - 1) + ".";
        break;
    case PortNameFault::no_device:
        problem = "Устройство «" + name + "» не найдено.";
        break;
    case PortNameFault::tcp_address:
        problem = "Неправильный адрес в «" + name +
                  "»: нужно имя или адрес из букв, цифр, точек и дефисов перед двоеточием.";
        break;
    case PortNameFault::tcp_port:
        problem = "Неправильный номер порта в «" + name +
                  "»: нужен номер от 1 до 65535 без знака, пробелов и нулей впереди.";
        break;
    case PortNameFault::unknown:
        problem = "Неизвестное имя порта «" + name + "».";
        break;
    }
    return problem + "\n\nИмя порта: COM-порт (COM1), путь к устройству (/dev/ttyUSB0) или "
                     "адрес:порт (192.168.1.20:22002).";
}

} // namespace device
