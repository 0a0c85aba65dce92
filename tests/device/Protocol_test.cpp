#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Logger_sim_process.h"
#include "device/Com_port.h"
#include "device/Hardware.h"

namespace {

// "\n\n##---(48)---##\nНачало сеанса\n" with the Russian words in Windows-1251.
const std::string banner = "\n\n##------------------------------------------------##\n"
                           "\xCD\xE0\xF7\xE0\xEB\xEE \xF1\xE5\xE0\xED\xF1\xE0\n";

std::string error_text(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(no error)";
}

struct Link {
    ScratchDir dir;
    HardWare hw{dir.file("comm.log")};
    explicit Link(const std::string& port_name, device::HardwareTimings t = fast_timings()) {
        hw.name = port_name;
        hw.set_timings(t);
    }
    std::string log() const { return read_text(dir.file("comm.log")); }
};

} // namespace

TEST(CommPort, PortNamesMapToDevicePathsAndTcpPeers) {
    EXPECT_EQ(device::CommPort::device_path("COM1"), "/dev/ttyS0");
    EXPECT_EQ(device::CommPort::device_path("COM10"), "/dev/ttyS9");
    EXPECT_EQ(device::CommPort::device_path("/dev/pts/7"), "/dev/pts/7");
    EXPECT_EQ(device::CommPort::device_path("COM0"), "COM0");
    EXPECT_EQ(device::CommPort::device_path("COMX"), "COMX");

    using device::CommPort;
    EXPECT_EQ(CommPort::tcp_peer("10.0.0.7:4001").address, "10.0.0.7");
    EXPECT_EQ(CommPort::tcp_peer("10.0.0.7:4001").port, 4001);
    for (const char* name : {"10.0.0.7:", "10.0.0.7:abc", "10.0.0.7:40x1", "10.0.0.7:65536",
                             "10.0.0.7:123456", "10.0.0.7:-1", "10.0.0.7:1:2"}) {
        EXPECT_EQ(CommPort::tcp_peer(name).address, "10.0.0.7") << name;
        EXPECT_EQ(CommPort::tcp_peer(name).port, 22002) << name;
    }
}

TEST(CommPort, ClosedPortRefusesAndConfigureIsNoOp) {
    device::CommPort port;
    char c;
    std::size_t got = 7;
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.Read(&c, 1, got));
    EXPECT_FALSE(port.Write("x", 1));
    EXPECT_FALSE(port.Close());
    EXPECT_TRUE(port.Configure(9600, 1, 10, -1));
    EXPECT_FALSE(port.Open("/nonexistent/tty"));
    EXPECT_FALSE(port.IsOpen());
}

TEST(CommPort, PseudoTerminalReadStopsAtTimeoutWithWhatCame) {
    LoggerSimProcess sim({"--hello", "ABCDE", "--silent-after", "3"}, true);
    ASSERT_FALSE(sim.port_name().empty());
    device::CommPort port;
    ASSERT_TRUE(port.Open(sim.port_name()));
    EXPECT_FALSE(port.Open(sim.port_name())); // already open, stays open
    EXPECT_TRUE(port.IsOpen());
    device::CommPort other;
    EXPECT_FALSE(other.Open(sim.port_name())); // the line is ours alone
    ASSERT_TRUE(port.Configure(57600, 0, 300, -1));
    ASSERT_TRUE(port.Write("~BLA BLA BLA\r", 13));
    char buf[5] = {};
    std::size_t got = 0;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(port.Read(buf, 5, got));
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
            .count();
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(std::string(buf, got), "ABC");
    EXPECT_GE(ms, 250);
    EXPECT_LT(ms, 2000);
    EXPECT_TRUE(port.Close());
}

TEST(CommPort, BytesLeftInTheReceiveBufferGoWithClose) {
    LoggerSimProcess sim({"--hello", "AB"});
    device::CommPort port;
    device::PortTimings t;
    t.tcp_wait_ms = 200;
    t.reconnect_pause_ms = 0;
    port.set_timings(t);
    ASSERT_TRUE(port.Open(sim.port_name()));
    ASSERT_TRUE(port.Write("~BLA BLA BLA\r", 13));
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the whole reply is here
    char c = 0;
    std::size_t got = 0;
    ASSERT_TRUE(port.Read(&c, 1, got));
    EXPECT_EQ(c, 'A');
    ASSERT_TRUE(port.Close());
    ASSERT_TRUE(port.Open(sim.port_name()));
    EXPECT_FALSE(port.Read(&c, 1, got)); // "B" and the prompt belonged to the old connection
}

TEST(Protocol, RepliesEndExactlyAtPromptWhateverTheArrival) {
    for (bool trickle : {false, true}) {
        QStringList args{"--hello", "VER 2 => OK\r\n=", "--type", "ВЕС_НА_КРЮКЕ"};
        if (trickle)
            args << "--trickle";
        LoggerSimProcess sim(args);
        Link link(sim.port_name());
        link.hw.Open();
        link.hw.SendCommand("~BLA BLA BLA");
        EXPECT_EQ(link.hw.ReadReply(), "VER 2 => OK\r\n=");
        link.hw.SendCommand("~GET TYPE");
        // CP866 capitals, untouched by the protocol.
        EXPECT_EQ(link.hw.ReadReply(), "\x82\x85\x91_\x8D\x80_\x8A\x90\x9E\x8A\x85");
        link.hw.Close();
        EXPECT_EQ(link.log(), banner + "<- ~BLA BLA BLA\n-> VER 2 => OK\r\n=\n<- ~GET TYPE\n-> "
                                       "\x82\x85\x91_\x8D\x80_\x8A\x90\x9E\x8A\x85\n");
    }
}

TEST(Protocol, FramesOfTheDump) {
    ScratchDir dir;
    const std::string script = write_text(dir, "dump.txt",
                                          "raw 01 FF FF 02 FF 00\n" // 1, 255, 2
                                          "raw 01 FF 07\n"          // framing error
                                          "raw FF FF FF 00\n"       // one 255
                                          "0 12.5\n");
    LoggerSimProcess sim({"--records-file", QString::fromStdString(script)});
    Link link(sim.port_name());
    link.hw.Open();
    link.hw.SendCommand("~BDUMP LOG");
    std::string frame;
    ASSERT_TRUE(link.hw.ReadFrame(frame));
    EXPECT_EQ(frame, std::string("\x01\xFF\x02", 3));
    EXPECT_FALSE(link.hw.ReadFrame(frame));
    EXPECT_TRUE(frame.empty());
    ASSERT_TRUE(link.hw.ReadFrame(frame));
    EXPECT_EQ(frame, std::string("\xFF", 1));
    ASSERT_TRUE(link.hw.ReadFrame(frame));
    EXPECT_EQ(frame, std::string("\0\0\0\0\0\0\x48\x41", 8));
    ASSERT_TRUE(link.hw.ReadFrame(frame));
    EXPECT_TRUE(frame.empty());
    EXPECT_EQ(link.hw.ReadReply(), "DUMP END");
}

TEST(Protocol, ListEndsAtEmptyLineOrPromptLineAndErrFails) {
    ScratchDir dir;
    const std::string alarms =
        write_text(dir, "alarms.txt", "first\tline\nsecond\n\nafter empty\n");
    {
        LoggerSimProcess sim({"--alarms-file", QString::fromStdString(alarms)});
        Link link(sim.port_name());
        link.hw.Open();
        std::vector<std::string> lines;
        link.hw.RunListCommand("~DUMP ALARMS", [&](const std::string& l) { lines.push_back(l); });
        EXPECT_EQ(lines, (std::vector<std::string>{"first\tline", "second"}));
    }
    for (int alarms : {0, 2}) {
        LoggerSimProcess sim({"--alarms", QString::number(alarms)});
        Link link(sim.port_name());
        link.hw.Open();
        int count = 0;
        link.hw.RunListCommand("~DUMP ALARMS", [&](const std::string&) { ++count; });
        EXPECT_EQ(count, alarms); // the simulator ends its list with a line "=>"
    }
    {
        LoggerSimProcess sim({"--alarm-err"});
        Link link(sim.port_name());
        link.hw.Open();
        EXPECT_EQ(error_text([&] { link.hw.RunListCommand("~DUMP ALARMS", {}); }),
                  "Ответ датчика : ERR");
        EXPECT_EQ(link.log(), banner + "<- ~DUMP ALARMS\n-> ERR\n"
                                       "## communication error ## \xCE\xF2\xE2\xE5\xF2 "
                                       "\xE4\xE0\xF2\xF7\xE8\xEA\xE0 : ERR\n");
    }
}

TEST(Protocol, UnopenablePortFailsWithoutLogLine) {
    Link link("/nonexistent/tty");
    EXPECT_EQ(error_text([&] { link.hw.Open(); }), "Невозможно открыть COM-порт");
    EXPECT_EQ(link.log(), "");
}

TEST(Protocol, SilentSerialLoggerTimesOut) {
    LoggerSimProcess sim({"--silent-after", "0"}, true);
    auto t = fast_timings();
    t.byte_timeout_ms = 300;
    Link link(sim.port_name(), t);
    link.hw.Open();
    link.hw.SendCommand("~BLA BLA BLA");
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(error_text([&] { link.hw.ReadReply(); }),
              "Датчик не ответил по истечению отведённого времени");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
    const std::string log = link.log();
    const std::string tail = "## communication error ## \xC4\xE0\xF2\xF7\xE8\xEA \xED\xE5 "
                             "\xEE\xF2\xE2\xE5\xF2\xE8\xEB \xEF\xEE \xE8\xF1\xF2\xE5\xF7\xE5"
                             "\xED\xE8\xFE \xEE\xF2\xE2\xE5\xE4\xB8\xED\xED\xEE\xE3\xEE "
                             "\xE2\xF0\xE5\xEC\xE5\xED\xE8\n";
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
}

TEST(Protocol, SilentTcpPeerUsesUpTheErrorBudget) {
    for (const char* fault : {"--silent-after", "--drop-after"}) {
        LoggerSimProcess sim({fault, "0"});
        auto t = fast_timings();
        t.port.tcp_wait_ms = 10;
        Link link(sim.port_name(), t);
        link.hw.Open();
        link.hw.SendCommand("~BLA BLA BLA");
        EXPECT_EQ(error_text([&] { link.hw.ReadReply(); }), "Аппаратная ошибка при чтении данных")
            << fault;
        EXPECT_EQ(link.hw.error_budget(), 0);
        // One banner for the first opening and one for each of the 100 reopenings.
        const std::string log = link.log();
        std::size_t banners = 0;
        for (auto at = log.find(banner); at != std::string::npos; at = log.find(banner, at + 1))
            ++banners;
        EXPECT_EQ(banners, 101u) << fault;
    }
}

TEST(Protocol, EndlessReplyAndLineAreBounded) {
    {
        LoggerSimProcess sim({"--endless-reply"});
        Link link(sim.port_name());
        link.hw.Open();
        link.hw.SendCommand("~GET TYPE");
        const std::string e = error_text([&] { link.hw.ReadReply(); });
        EXPECT_NE(e.find("слишком длинный"), std::string::npos) << e;
    }
    {
        ScratchDir dir;
        const std::string alarms = write_text(dir, "alarms.txt", std::string(70000, '7') + "\n");
        LoggerSimProcess sim({"--alarms-file", QString::fromStdString(alarms)});
        Link link(sim.port_name());
        link.hw.Open();
        const std::string e = error_text([&] { link.hw.RunListCommand("~DUMP ALARMS", {}); });
        EXPECT_NE(e.find("слишком длинная"), std::string::npos) << e;
    }
}
