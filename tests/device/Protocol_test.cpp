#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QTcpServer>

#include "Logger_sim_process.h"
#include "Scripted_link.h"
#include "device/Com_port.h"
#include "device/Hardware.h"

namespace {

// "\n\n##---(48)---##\nНачало сеанса\n" with the Russian words in Windows-1251.
const std::string banner = "\n\n##------------------------------------------------##\n"
                           "\xCD\xE0\xF7\xE0\xEB\xEE \xF1\xE5\xE0\xED\xF1\xE0\n";

using Kind = device::ReadErrorKind;

std::optional<Kind> error_kind(const std::function<void()>& f) {
    try {
        f();
    } catch (const device::ReadError& e) {
        return e.failure().kind;
    }
    return std::nullopt;
}

struct Link {
    ScratchDir dir;
    device::HardWare hw{dir.file("comm.log")};
    explicit Link(const std::string& port_name, device::HardwareTimings t = fast_timings()) {
        hw.SetPortName(port_name);
        hw.SetTimings(t);
    }
    std::string log() const { return read_text(dir.file("comm.log")); }
};

// HardWare opened on a scripted logger.
struct Scripted : Link {
    std::shared_ptr<Script> script = script_logger(hw);
    Scripted() : Link("scripted") {}
    void open() { hw.Open(); }
};

std::size_t count_of(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

long long ms_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 t0)
        .count();
}

} // namespace

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
    port.SetTimings(t);
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

TEST(Protocol, UnopenablePortFailsWithoutLogLine) {
    Link link("/nonexistent/tty");
    EXPECT_EQ(error_kind([&] { link.hw.Open(); }), Kind::port);
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
    EXPECT_EQ(error_kind([&] { link.hw.ReadReply(); }), Kind::timeout);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
    const std::string log = link.log();
    const std::string tail = "## communication error ## \xC4\xE0\xF2\xF7\xE8\xEA \xED\xE5 "
                             "\xEE\xF2\xE2\xE5\xF2\xE8\xEB \xEF\xEE \xE8\xF1\xF2\xE5\xF7\xE5"
                             "\xED\xE8\xFE \xEE\xF2\xE2\xE5\xE4\xB8\xED\xED\xEE\xE3\xEE "
                             "\xE2\xF0\xE5\xEC\xE5\xED\xE8\n";
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
}

TEST(Protocol, RepliesEndExactlyAtPromptWhateverTheArrival) {
    for (bool trickle : {false, true}) {
        Scripted link;
        link.script->trickle = trickle;
        link.script->replies["~BLA BLA BLA"] = "VER 2 => OK\r\n=\r\n=>";
        // CP866 capitals, untouched by the protocol.
        link.script->replies["~GET TYPE"] = "\x82\x85\x91_\x8D\x80_\x8A\x90\x9E\x8A\x85\r\n=>";
        link.open();
        link.hw.SendCommand("~BLA BLA BLA");
        link.hw.SendCommand("~GET TYPE"); // its reply queues behind the first one
        EXPECT_EQ(link.hw.ReadReply(), "VER 2 => OK\r\n=");
        EXPECT_EQ(link.hw.ReadReply(), "\x82\x85\x91_\x8D\x80_\x8A\x90\x9E\x8A\x85");
        link.hw.Close();
        EXPECT_EQ(link.log(), banner + "<- ~BLA BLA BLA\n<- ~GET TYPE\n-> VER 2 => OK\r\n=\n-> "
                                       "\x82\x85\x91_\x8D\x80_\x8A\x90\x9E\x8A\x85\n");
    }
}

TEST(Protocol, FramesOfTheDump) {
    Scripted link;
    link.script->replies["~BDUMP LOG"] = std::string("\x01\xFF\xFF\x02\xFF\x00" // 1, 255, 2
                                                     "\x01\xFF\x07"             // framing error
                                                     "\xFF\xFF\xFF\x00"         // one 255
                                                     "\0\0\0\0\0\0\x48\x41\xFF\x00"
                                                     "\xFF\x00"
                                                     "DUMP END\r\n=>",
                                                     37);
    link.open();
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
    {
        Scripted link;
        link.script->replies["~DUMP ALARMS"] = "first\tline\r\nsecond\n\r\nafter empty\r\n";
        link.open();
        std::vector<std::string> lines;
        link.hw.RunListCommand("~DUMP ALARMS", [&](const std::string& l) { lines.push_back(l); });
        EXPECT_EQ(lines, (std::vector<std::string>{"first\tline", "second"}));
    }
    for (int alarms : {0, 2}) {
        Scripted link;
        std::string& reply = link.script->replies["~DUMP ALARMS"];
        for (int i = 0; i < alarms; ++i)
            reply += "line\r\n";
        reply += "=>\r\nnot read\r\n";
        link.open();
        int count = 0;
        link.hw.RunListCommand("~DUMP ALARMS", [&](const std::string&) { ++count; });
        EXPECT_EQ(count, alarms);
    }
    {
        Scripted link;
        link.script->replies["~DUMP ALARMS"] = "ERR\r\n";
        link.open();
        EXPECT_EQ(error_kind([&] { link.hw.RunListCommand("~DUMP ALARMS", {}); }), Kind::protocol);
        EXPECT_EQ(link.log(), banner + "<- ~DUMP ALARMS\n-> ERR\n"
                                       "## communication error ## \xCE\xF2\xE2\xE5\xF2 "
                                       "\xE4\xE0\xF2\xF7\xE8\xEA\xE0 : ERR\n");
    }
}

TEST(Protocol, FailingLinkUsesUpTheErrorBudget) {
    Scripted link;
    link.script->when_quiet = device::ByteLink::Got::failure;
    link.open();
    link.hw.SendCommand("~BLA BLA BLA");
    EXPECT_EQ(error_kind([&] { link.hw.ReadReply(); }), Kind::link);
    EXPECT_EQ(link.hw.ErrorBudget(), 0);
    // One banner for the first opening and one for each of the 100 reopenings.
    EXPECT_EQ(count_of(link.log(), banner), 101u);
    EXPECT_EQ(link.script->opens, 101);
}

TEST(Protocol, RefusedCommandFailsAtOnce) {
    Scripted link;
    link.script->refuse_send = true;
    link.open();
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(error_kind([&] { link.hw.SendCommand("~BLA BLA BLA"); }), Kind::link);
    EXPECT_LT(ms_since(t0), 1000);
}

TEST(Protocol, EndlessReplyAndLineAreBounded) {
    {
        Scripted link;
        link.script->more = [] { return std::string(4096, 'x'); };
        link.open();
        link.hw.SendCommand("~GET TYPE");
        EXPECT_EQ(error_kind([&] { link.hw.ReadReply(); }), Kind::long_reply);
    }
    {
        Scripted link;
        link.script->replies["~DUMP ALARMS"] = std::string(70000, '7') + "\n";
        link.open();
        EXPECT_EQ(error_kind([&] { link.hw.RunListCommand("~DUMP ALARMS", {}); }), Kind::long_line);
    }
}

TEST(Protocol, LogMovesToOneOlderFileWhenFull) {
    Scripted link;
    link.hw.SetCaps({.log_bytes = 1000});
    link.open();
    for (int i = 0; i < 100; ++i)
        link.hw.SendCommand("~COMMAND " + std::to_string(i));
    const std::string older = read_text(link.dir.file("comm.log.1"));
    EXPECT_GT(older.size(), 1000u);
    EXPECT_LT(older.size(), 1100u);
    EXPECT_LE(link.log().size(), 1100u);
    EXPECT_NE(link.log().find("<- ~COMMAND 99\n"), std::string::npos);
}

TEST(Protocol, DeadTcpPeerIsGivenUpWithinTheByteTimeout) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const std::string nobody = "127.0.0.1:" + std::to_string(closed.serverPort());
    closed.close();
    for (const char* fault : {"--silent-after", "--drop-after", "nothing listens"}) {
        std::unique_ptr<LoggerSimProcess> sim;
        if (fault[0] == '-')
            sim = std::make_unique<LoggerSimProcess>(QStringList{fault, "0"});
        // The program's waits, a short byte time-out.
        device::HardwareTimings t;
        t.byte_timeout_ms = 1000;
        t.dump_pause_ms = 0;
        Link link(sim ? sim->port_name() : nobody, t);
        const auto t0 = std::chrono::steady_clock::now();
        link.hw.Open();
        EXPECT_EQ(error_kind([&] {
                      link.hw.SendCommand("~BLA BLA BLA");
                      link.hw.ReadReply();
                  }),
                  Kind::link)
            << fault;
        // The byte time-out, the pause before connecting and a little slack.
        EXPECT_LT(ms_since(t0), 1000 + 1000 + 300) << fault;
    }
}
