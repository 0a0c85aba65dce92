#include <gtest/gtest.h>

#include <QTcpServer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "Logger_sim_process.h"
#include "Scripted_link.h"
#include "device/Dumps.h"
#include "device/Hardware.h"
#include "device/Read_session.h"
#include "document/Storage.h"
#include "library/Codepage.h"

namespace {

class Recorder : public Reporter {
public:
    void error(const std::string& caption, const std::string& text) override {
        errors.push_back(caption + ": " + text);
    }
    std::vector<std::string> errors;
};

struct Reading {
    ScratchDir dir;
    Recorder reporter;
    Storage document{reporter};
    device::HardWare hw{dir.file("comm.log")};
    std::vector<std::string> progress;
    int reconnections = 0; // reports that the link is being brought back
    std::string error;     // what the user is shown; empty after a complete read
    device::ReadOutcome outcome;

    explicit Reading(const std::string& port_name, device::HardwareTimings t = fast_timings()) {
        hw.SetPortName(port_name);
        hw.SetTimings(t);
    }
    // A read into a recording of its own, which then takes the document's place as the window
    // has it do.
    Reading& run(const std::atomic<bool>* stop = nullptr) {
        Recording recording;
        device::SinkInto sink(recording);
        outcome = device::run_read_session(
            hw, sink,
            [this](const device::ReadProgress& p) {
                EXPECT_EQ(p.fraction, 0.0);
                if (p.reconnecting_until)
                    ++reconnections;
                else
                    progress.push_back(p.text);
            },
            stop);
        // What a failed read got is unsaved read data as much as a whole read is.
        if (outcome.replaces_document())
            document.Adopt(recording, {}, true);
        error = outcome.text;
        return *this;
    }
    // The kind of the failure; nothing after a complete read.
    std::optional<device::ReadErrorKind> failed() const {
        if (!outcome.failure)
            return std::nullopt;
        EXPECT_EQ(outcome.text, device::read_error_text(*outcome.failure));
        return outcome.failure->kind;
    }
    std::string log() const { return read_text(dir.file("comm.log")); }
    const FileStorage& data() const { return document.Data(); }
    const std::vector<LogRecord>& journal() const { return document.Journal().Records(); }
};

QStringList with_files(const ScratchDir& dir, const std::string& dump, const std::string& alarms,
                       QStringList more = {}) {
    more << "--records-file" << QString::fromStdString(write_text(dir, "dump.txt", dump))
         << "--alarms-file" << QString::fromStdString(write_text(dir, "alarms.txt", alarms));
    return more;
}

using Kind = device::ReadErrorKind;

// 5 March 2007 is day 39146 after 30 December 1899.
constexpr double march_5_2007 = 39146.0;

} // namespace

TEST(ReadSession, FullReadOverTcpAndPseudoTerminalIsSavedAndReopened) {
    for (bool pty : {false, true}) {
        LoggerSimProcess sim({"--records", "300", "--alarms", "6"}, pty);
        Reading r(sim.port_name());
        ASSERT_EQ(r.run().error, "") << (pty ? "pty" : "tcp");
        EXPECT_FALSE(r.hw.Port().IsOpen());
        EXPECT_FALSE(r.hw.HasProgressCallback());
        EXPECT_TRUE(r.document.IsModified());
        ASSERT_EQ(r.data().param_count(), 1);
        EXPECT_EQ(r.data().param(0)->name, "Вес на крюке");
        ASSERT_EQ(r.data().item_count(), 300);
        EXPECT_EQ(r.data().item(1)->time - r.data().item(0)->time, 4u);
        EXPECT_EQ(r.journal().size(), 6u);
        ASSERT_EQ(r.progress.size(), 302u);
        EXPECT_EQ(r.progress.front(), "Запрос записей...");
        EXPECT_EQ(r.progress.back(), "Запрос журнала...");
        EXPECT_EQ(r.progress[1].rfind("2 марта 2026г. 6:00, знач. = ", 0), 0u) << r.progress[1];

        const std::string path = r.dir.file("read.realtim");
        ASSERT_TRUE(r.document.Save(path));
        Recorder reporter;
        Storage reopened(reporter);
        ASSERT_TRUE(reopened.Open(path));
        EXPECT_EQ(reopened.Data().item_count(), 300);
        EXPECT_EQ(reopened.Data().item(299)->time, r.data().item(299)->time);
        EXPECT_EQ(reopened.Data().item(299)->values[0], r.data().item(299)->values[0]);
        EXPECT_EQ(reopened.JournalCount(), 6);
        EXPECT_TRUE(r.reporter.errors.empty());
    }
}

TEST(ReadSession, RecordsEdgeCasesAndTheirLogLines) {
    ScratchDir dir;
    const std::string dump = "0 12.5\n"
                             "raw 01 02 03 04 05 06 07 FF 00\n"       // 7 bytes: not a record
                             "raw 01 02 03 04 05 06 07 08 09 FF 00\n" // 9 bytes
                             "raw 01 FF 07\n"                         // framing error
                             "32700 12.34\n"
                             // a clock whose time + 86400 passes 2^32: left out, not wrapped
                             "4294900000 7\n"
                             // time 0xFF0000FF, value 0x3FFFFFFF: both carry doubled 255s
                             "raw FF FF 00 00 FF FF FF FF FF FF FF FF 3F FF 00\n";
    LoggerSimProcess sim(with_files(dir, dump, "", {"--type", "ВЕС_НА_КРЮКЕ"}));
    Reading r(sim.port_name());
    ASSERT_EQ(r.run().error, "");
    const FileStorage& d = r.data();
    ASSERT_EQ(d.param_count(), 1);
    EXPECT_EQ(d.param(0)->name, "Вес на крюке");
    EXPECT_EQ(d.param(0)->short_name, "W кр.");
    EXPECT_EQ(d.param(0)->unit, "т");
    EXPECT_EQ(d.param(0)->ident, "ВЕС_НА_КРЮКЕ");
    EXPECT_EQ(d.param(0)->low, 0.0f);
    EXPECT_EQ(d.param(0)->high, 200.0f);
    ASSERT_EQ(d.item_count(), 3);
    ASSERT_EQ(d.messages().size(), 1u); // shown as a load's notes are
    EXPECT_NE(d.messages()[0].find(": 1"), std::string::npos) << d.messages()[0];
    EXPECT_EQ(d.item(0)->time, 86400u);
    EXPECT_EQ(d.item(0)->values[0], 12.5f);
    EXPECT_TRUE(d.item(0)->full);
    EXPECT_EQ(d.item(0)->kind, 0);
    EXPECT_EQ(d.item(0)->depth1, 0.0f);
    EXPECT_EQ(d.item(1)->time, 86400u + 32700u);
    EXPECT_EQ(d.item(2)->time, 0xFF0000FFu + 86400u);
    EXPECT_EQ(d.item(2)->values[0], 1.99999988079071044921875f);
    EXPECT_EQ(r.progress[2], "1 января 1970г. 9:05, знач. = 12,3");
    const std::string log = r.log();
    EXPECT_NE(log.find("<- ~BDUMP LOG\n## added bin 86400 12.5\n## added bin 119100 12.34\n"
                       "## added bin 4278276735 2\n-> DUMP END\n<- ~DUMP ALARMS\n-> =>\n"),
              std::string::npos)
        << log;
}

TEST(ReadSession, EmptyDumpAndUnknownType) {
    ScratchDir dir;
    LoggerSimProcess sim(with_files(dir, "", "", {"--type", "глубина?"}));
    Reading r(sim.port_name());
    ASSERT_EQ(r.run().error, "");
    ASSERT_EQ(r.data().param_count(), 1);
    EXPECT_EQ(r.data().item_count(), 0);
    EXPECT_EQ(r.data().param(0)->ident, "вес_на_крюке");
    EXPECT_EQ(r.data().param(0)->unit, "т");
    EXPECT_EQ(r.data().param(0)->high, 250.0f);
    EXPECT_EQ(r.progress, (std::vector<std::string>{"Запрос записей...", "Запрос журнала..."}));
}

TEST(ReadSession, AlarmLinesOfEveryShape) {
    ScratchDir dir;
    const std::string alarms = "0\t2007 MAR 05 09:05:30\t12.5\n"
                               "2\t2007 mar 05 09:05:30\t2007 MAR 05 12:00:00\t12,5\n"
                               "x\t2007 MAR 05 00:00:00\t1\n"
                               "5\t2007 MAR 05 00:00:00\n"
                               "5\t2007 MAR 05 00:00:00\t1\t2\t3\n"
                               "7\t2007 DEC 31 23:59:59\tno number\n"
                               "\n"
                               "8\t2007 MAR 05 00:00:00\t1\n";
    LoggerSimProcess sim(with_files(dir, "", alarms));
    Reading r(sim.port_name());
    ASSERT_EQ(r.run().error, "");
    const auto& j = r.journal();
    ASSERT_EQ(j.size(), 4u);
    EXPECT_EQ(j[0].code, 0);
    EXPECT_DOUBLE_EQ(j[0].start, march_5_2007 + (9 * 3600 + 5 * 60 + 30) / 86400.0);
    EXPECT_EQ(j[0].end, 0.0);
    EXPECT_EQ(j[0].value, 12.5f);
    EXPECT_EQ(j[1].code, 2);
    EXPECT_DOUBLE_EQ(j[1].end, march_5_2007 + 0.5);
    EXPECT_EQ(j[1].value, 12.5f);
    EXPECT_EQ(j[2].code, 255);
    EXPECT_EQ(j[3].value, 0.0f);
}

TEST(ReadSession, FailuresGiveTheDialogTextsAndKeepWhatWasRead) {
    ScratchDir dir;
    {
        LoggerSimProcess sim(with_files(dir, "1 1\n2 2\n",
                                        "0\t2007 MAR 05 09:05:30\t1\n"
                                        "0\t2007 ABC 05 09:05:30\t1\n"));
        Reading r(sim.port_name());
        EXPECT_EQ(r.run().failed(), Kind::bad_date);
        EXPECT_EQ(r.data().item_count(), 2);
        EXPECT_EQ(r.journal().size(), 1u);
        EXPECT_TRUE(r.document.IsModified()); // the records are complete, so they can be saved
        EXPECT_FALSE(r.hw.Port().IsOpen());
        EXPECT_FALSE(r.hw.HasProgressCallback());
    }
    {
        LoggerSimProcess sim({"--alarm-err", "--records", "5"});
        Reading r(sim.port_name());
        EXPECT_EQ(r.run().failed(), Kind::protocol);
        EXPECT_EQ(r.data().item_count(), 5);
        EXPECT_FALSE(r.hw.HasProgressCallback());
    }
    {
        // Noise without a single record ends the read instead of keeping it going for ever.
        std::string dump = "1 1\n";
        for (int i = 0; i < 1024; ++i)
            dump += i % 2 ? "raw FF 07\n" : "raw 01 02 03 FF 00\n";
        LoggerSimProcess ok(with_files(dir, dump + "2 2\n", ""));
        EXPECT_EQ(Reading(ok.port_name()).run().error, "");
        LoggerSimProcess noisy(with_files(dir, dump + "raw FF 07\n2 2\n", ""));
        Reading r(noisy.port_name());
        EXPECT_EQ(r.run().failed(), Kind::garbled);
        EXPECT_EQ(r.data().item_count(), 1);
    }
    {
        Reading r("/nonexistent/tty");
        EXPECT_EQ(r.run().failed(), Kind::port);
        EXPECT_EQ(r.outcome.failure->port, "/nonexistent/tty");
        EXPECT_EQ(r.outcome.failure->fault.reason, device::OpenFault::no_device);
        EXPECT_EQ(r.log(), "");
        EXPECT_FALSE(r.hw.HasProgressCallback());
    }
}

TEST(ReadSession, LoggerFallingSilentMidDump) {
    // "LOGGER OK" and the type, each with its prompt; then 40 bytes: a few records of the dump.
    const int replies = 13 + 16;
    {
        LoggerSimProcess sim({"--records", "50", "--silent-after", QString::number(replies + 40)},
                             true);
        auto t = fast_timings();
        t.byte_timeout_ms = 300;
        Reading r(sim.port_name(), t);
        EXPECT_EQ(r.run().failed(), Kind::timeout);
        EXPECT_GT(r.data().item_count(), 0);
        EXPECT_LT(r.data().item_count(), 50);
        EXPECT_FALSE(r.hw.Port().IsOpen());
        // What came before the failure can be saved.
        EXPECT_TRUE(r.document.IsModified());
    }
    {
        // The device itself vanishes: reopening it fails.
        LoggerSimProcess sim({"--records", "50", "--drop-after", QString::number(replies + 40)},
                             true);
        Reading r(sim.port_name());
        EXPECT_EQ(r.run().failed(), Kind::port);
        EXPECT_GT(r.data().item_count(), 0);
        EXPECT_FALSE(r.hw.Port().IsOpen());
    }
}

TEST(ReadSession, EachConnectionFailureSaysWhyAndAHostNameIsLookedUp) {
    // "LOGGER OK" and the type, each with its prompt; then 40 bytes: a few records of the dump.
    const QString replies_and_records = QString::number(13 + 16 + 40);
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const std::string nobody = "127.0.0.1:" + std::to_string(closed.serverPort());
    closed.close();
    LoggerSimProcess silent({"--silent-after", "0"});
    LoggerSimProcess dropping({"--records", "50", "--drop-after", replies_and_records});
    LoggerSimProcess healthy({"--records", "30"});
    const std::string healthy_port = healthy.port_name().substr(healthy.port_name().find(':'));
    struct Case {
        std::string port;
        std::optional<device::LinkFault> cause; // nothing: the read succeeds
    };
    const Case cases[] = {
        {nobody, device::LinkFault::refused},
        {"no-such-logger.test:22002", device::LinkFault::host_not_found},
        {silent.port_name(), device::LinkFault::no_answer},
        {dropping.port_name(), device::LinkFault::dropped},
        {"localhost" + healthy_port, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        auto t = fast_timings();
        t.byte_timeout_ms = 300;
        t.port.tcp_wait_ms = 300;
        Reading r(c.port, t);
        // Names the test made up are never asked of the network.
        r.hw.SetNameLookup([](const std::string& host, const device::Until& until) {
            return host == "no-such-logger.test" ? device::HostAddresses{}
                                                 : device::system_name_lookup(host, until);
        });
        r.run();
        if (!c.cause) {
            EXPECT_EQ(r.failed(), std::nullopt) << r.error;
            EXPECT_EQ(r.data().item_count(), 30);
            continue;
        }
        ASSERT_EQ(r.failed(), Kind::link);
        EXPECT_EQ(r.outcome.failure->cause, *c.cause);
        EXPECT_EQ(r.outcome.failure->records, static_cast<std::size_t>(r.data().item_count()));
        EXPECT_EQ(r.outcome.failure->port, c.port);
        // The cause is the line after the hardware line, on screen and in the log.
        EXPECT_EQ(std::count(r.error.begin(), r.error.end(), '\n'), 2) << r.error;
        EXPECT_NE(r.log().find(lib::to_cp1251(
                      "## communication error ## Аппаратная ошибка при чтении данных. ")),
                  std::string::npos);
        EXPECT_FALSE(r.hw.Port().IsOpen());
        if (*c.cause == device::LinkFault::dropped) {
            EXPECT_GT(r.data().item_count(), 0);
            EXPECT_GT(r.reconnections, 0); // the dialog said that it reconnects
        }
    }
}

TEST(ReadSession, SimulatorFaultFlags) {
    {
        // 7- and 9-byte frames and a framing error before every 1000th record are skipped.
        LoggerSimProcess sim({"--records", "2500", "--odd-frames", "--trickle"});
        Reading r(sim.port_name());
        ASSERT_EQ(r.run().error, "");
        EXPECT_EQ(r.data().item_count(), 2500);
    }
    {
        LoggerSimProcess sim({"--records", "10", "--alarms", "3", "--bad-date"});
        Reading r(sim.port_name());
        EXPECT_EQ(r.run().failed(), Kind::bad_date);
        EXPECT_EQ(r.journal().size(), 3u);
        EXPECT_EQ(r.data().item_count(), 10);
    }
}

TEST(ReadSession, EndlessDumpsStopAtTheirCapsAndKeepWhatWasRead) {
    // A logger that answers every command and then streams one dump without end.
    auto endless = [](Reading& r, const std::string& command, const std::string& piece) {
        const auto script = script_logger(r.hw);
        script->replies = {{"~BLA BLA BLA", "OK\r\n=>"},
                           {"~GET TYPE", "\r\n=>"},
                           {"~BDUMP LOG", std::string("\xFF\0DUMP END\r\n=>", 14)},
                           {"~DUMP ALARMS", "\r\n"}};
        script->replies[command] = "";
        // The queue runs dry only after the endless command: every other reply is complete.
        script->more = [piece] { return piece; };
        r.hw.SetCaps({.records = 50, .alarm_lines = 20});
        return r.run().failed();
    };
    {
        Reading r("scripted");
        EXPECT_EQ(endless(r, "~BDUMP LOG", std::string("\x01\0\0\0\0\0\x48\x41\xFF\0", 10)),
                  Kind::records_cap);
        EXPECT_EQ(r.data().item_count(), 50);
        EXPECT_TRUE(r.document.IsModified()); // kept, to be saved or given up
    }
    {
        Reading r("scripted");
        EXPECT_EQ(endless(r, "~DUMP ALARMS", "0\t2007 MAR 05 09:05:30\t1\r\n"), Kind::alarms_cap);
        EXPECT_EQ(r.journal().size(), 20u);
        // The records are complete, so the document can be saved as after a whole read.
        ASSERT_TRUE(r.document.IsModified());
        const std::string path = r.dir.file("read.realtim");
        ASSERT_TRUE(r.document.Save(path));
        Recorder reporter;
        Storage reopened(reporter);
        ASSERT_TRUE(reopened.Open(path));
        EXPECT_EQ(reopened.JournalCount(), 20);
    }
}

TEST(ReadSession, CommunicationLogOfScriptedReadsIsAsRecorded) {
    Reading r("scripted");
    const std::string prompt = "\r\n=>";
    static const char dump[] = "\0\0\0\0\0\0\x48\x41\xFF\0"         // 0, 12.5
                               "\x01\x02\x03\x04\x05\x06\x07\xFF\0" // 7 bytes
                               "\x01\xFF\x07"                       // framing error
                               "\xFF\xFF\0\0\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x3F\xFF\0"
                               "\xBC\x7F\0\0\xA4\x70\x45\x41\xFF\0" // 32700, 12.34
                               "\xFF\0";
    const std::string frames = std::string(dump, sizeof dump - 1) + "DUMP END" + prompt;
    const std::string alarms = "0\t2007 MAR 05 09:05:30\t12.5\r\n"
                               "2\t2007 mar 05 09:05:30\t2007 MAR 05 12:00:00\t12,5\r\n"
                               "5\t2007 MAR 05 00:00:00\r\n";
    auto read = [&](const std::string& command = "", const std::string& reply = "",
                    device::ByteLink::Got when_quiet = device::ByteLink::Got::timeout) {
        const auto script = script_logger(r.hw);
        // "ВЕС_НА_КРЮКЕ" in CP866.
        script->replies = {{"~BLA BLA BLA", "LOGGER OK" + prompt},
                           {"~GET TYPE", "\x82\x85\x91_\x8D\x80_\x8A\x90\x9E\x8A\x85" + prompt},
                           {"~BDUMP LOG", frames},
                           {"~DUMP ALARMS", alarms + "=>\r\n"}};
        if (!command.empty())
            script->replies[command] = reply;
        script->when_quiet = when_quiet;
        return r.run().failed();
    };
    EXPECT_EQ(read(), std::nullopt);
    EXPECT_EQ(read("~DUMP ALARMS", alarms + "ERR\r\n"), Kind::protocol);
    EXPECT_EQ(read("~DUMP ALARMS", alarms + "1\t2007 ABC 05 00:00:00\t1\r\n"), Kind::bad_date);
    EXPECT_EQ(read("~BDUMP LOG", frames.substr(0, 20)), Kind::timeout);
    EXPECT_EQ(read("~GET TYPE", "VE", device::ByteLink::Got::failure), Kind::link);
    std::string garbage;
    for (int i = 0; i <= device::MAX_REJECTED_FRAMES; ++i)
        garbage += "\x01\xFF\x07";
    EXPECT_EQ(read("~BDUMP LOG", garbage), Kind::garbled);
    EXPECT_EQ(read("~GET TYPE", std::string(device::MAX_MESSAGE_BYTES + 8, 'x')), Kind::long_reply);
    EXPECT_EQ(read("~DUMP ALARMS", std::string(device::MAX_MESSAGE_BYTES + 1, '7')),
              Kind::long_line);
    r.hw.SetCaps({.records = 2});
    EXPECT_EQ(read(), Kind::records_cap);
    r.hw.SetLinkFactory(
        [](const std::string&, const device::PortTimings&, device::OpenFault&) { return nullptr; });
    EXPECT_EQ(r.run().failed(), Kind::port);
    // Recorded once: the log is what a maintainer reads after a failed read on a rig.
    EXPECT_EQ(r.log(), read_text(VORNELL_TEST_DATA_DIR "/scripted_reads.comm.log"));
}

TEST(ReadSession, StopEndsEveryKindOfWaitWithinASecondAndPutsTheDocumentBack) {
    const std::string cancelled =
        "## communication error ## " + lib::to_cp1251("чтение прервано пользователем") + "\n";
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const std::string nobody = "127.0.0.1:" + std::to_string(closed.serverPort());
    closed.close();
    const QStringList silent = {"--silent-after", "0"};
    LoggerSimProcess pty(silent, true), tcp(silent);
    const std::tuple<const char*, std::string, int> cases[] = {
        {"a byte wait", pty.port_name(), 0},
        {"TCP waits", tcp.port_name(), 0},
        {"reconnection pauses", nobody, 0},
        {"the pause before a dump", "scripted", 60000},
        {"a dump without end", "scripted", 0}};
    for (const auto& [what, port, dump_pause_ms] : cases) {
        SCOPED_TRACE(what);
        device::HardwareTimings t;
        t.dump_pause_ms = dump_pause_ms;
        Reading r(port, t);
        if (port == "scripted") {
            const auto script = script_logger(r.hw);
            script->replies = {{"~BLA BLA BLA", "OK\r\n=>"}, {"~GET TYPE", "\r\n=>"}};
            script->more = [] { return std::string("\x01\0\0\0\0\0\x48\x41\xFF\0", 10); };
        }
        // What an earlier, unsaved read left.
        r.document.Data().add_param({"Глубина", "H", "м", "глубина", 0.0f, 5000.0f});
        r.document.Journal().Add(39146.5, 0.0, 0, 1.0f);
        r.document.MarkRead();

        std::atomic<bool> stop{false};
        std::chrono::steady_clock::time_point stopped;
        std::thread user([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            stopped = std::chrono::steady_clock::now();
            stop = true;
        });
        r.run(&stop);
        const auto returned = std::chrono::steady_clock::now();
        user.join();
        EXPECT_EQ(r.failed(), Kind::cancelled);
        EXPECT_LT(returned - stopped, std::chrono::seconds(1));
        EXPECT_FALSE(r.hw.Port().IsOpen());
        EXPECT_TRUE(r.document.IsModified());
        ASSERT_EQ(r.data().param_count(), 1);
        EXPECT_EQ(r.data().param(0)->name, "Глубина");
        EXPECT_EQ(r.journal().size(), 1u);
        EXPECT_TRUE(r.log().ends_with(cancelled));
    }
}
