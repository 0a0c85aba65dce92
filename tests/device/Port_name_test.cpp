#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "device/Port_name.h"
#include "library/Scratch_dir.h"

using device::PortNameFault;

TEST(PortName, TcpNamesAreHostAndPlainPortOrNothing) {
    device::TcpPeer peer;
    EXPECT_EQ(device::parse_tcp_name("10.0.0.7:4001", &peer), PortNameFault::none);
    EXPECT_EQ(peer.host, "10.0.0.7");
    EXPECT_EQ(peer.port, 4001);
    EXPECT_EQ(device::parse_tcp_name("logger.rig-7:65535", &peer), PortNameFault::none);
    EXPECT_EQ(peer.host, "logger.rig-7");
    EXPECT_EQ(device::parse_tcp_name("localhost:1"), PortNameFault::none);
    // Never read with another port in place of the one written.
    const std::pair<const char*, PortNameFault> refused[] = {
        {"127.0.0.2:65536", PortNameFault::tcp_port},
        {"127.0.0.2:88838", PortNameFault::tcp_port},
        {"127.0.0.2:023111", PortNameFault::tcp_port},
        {"127.0.0.2: 23111", PortNameFault::tcp_port},
        {"127.0.0.2:23111 ", PortNameFault::tcp_port},
        {"127.0.0.2:23111:5", PortNameFault::tcp_port},
        {"127.0.0.2:+23111", PortNameFault::tcp_port},
        {"127.0.0.2:", PortNameFault::tcp_port},
        {"127.0.0.2:0", PortNameFault::tcp_port},
        {"127.0.0.2:22x", PortNameFault::tcp_port},
        {"127.0.0.2:-1", PortNameFault::tcp_port},
        {":23111", PortNameFault::tcp_address},
        {" 127.0.0.2:23111", PortNameFault::tcp_address},
        {"my host:1", PortNameFault::tcp_address},
        {"::1:22002", PortNameFault::tcp_address},
        {"хост:22002", PortNameFault::tcp_address},
    };
    for (const auto& [name, fault] : refused)
        EXPECT_EQ(device::stored_port_name_fault(name), fault) << name;
    EXPECT_EQ(device::stored_port_name_fault("COM1"), PortNameFault::none);
    EXPECT_EQ(device::stored_port_name_fault("/dev/missing"), PortNameFault::none);
    EXPECT_EQ(device::stored_port_name_fault(" "), PortNameFault::empty);
}

TEST(PortName, TheDialogsCheckOfTypedNames) {
    ScratchDir dir;
    EXPECT_EQ(device::device_path("COM1"), "/dev/ttyS0");
    EXPECT_EQ(device::device_path("COM10"), "/dev/ttyS9");
    EXPECT_EQ(device::device_path("COM0"), "COM0");
    EXPECT_EQ(device::device_path("/dev/pts/7"), "/dev/pts/7");
    const std::pair<const char*, const char*> accepted[] = {{"logger.rig-7:1", "logger.rig-7:1"},
                                                            {"Com255", "COM255"},
                                                            {" com3 ", "COM3"},
                                                            {"COM007", "COM7"},
                                                            {"/dev/null", "/dev/null"}};
    for (const auto& [text, stored] : accepted) {
        EXPECT_EQ(device::check_port_name(text).fault, PortNameFault::none) << text;
        EXPECT_EQ(device::check_port_name(text).name, stored);
    }
    const std::pair<std::string, PortNameFault> refused[] = {
        {" \t ", PortNameFault::empty},
        {"COM256", PortNameFault::com_number},
        {"COM99999999999", PortNameFault::com_number},
        {dir.file("ttyUSB9"), PortNameFault::no_device},
        {dir.path().string(), PortNameFault::no_device},
        {" logger:1 ", PortNameFault::tcp_address},
        {"ttyUSB0", PortNameFault::unknown},
    };
    for (const auto& [text, fault] : refused) {
        EXPECT_EQ(device::check_port_name(text).fault, fault) << text;
        EXPECT_FALSE(device::port_name_fault_text(fault, text).empty());
    }
}
