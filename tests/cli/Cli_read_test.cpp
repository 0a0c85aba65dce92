#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "Cli_run.h"
#include "Cli_simulator.h"

namespace {

long lines_of(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

} // namespace

TEST(CliRead, AShortByteTimeoutReadsAHealthyLoggerAndTheProgressStaysShort) {
    Simulator sim("--alarms 4");
    ASSERT_FALSE(sim.address().empty());
    ScratchDir dir;
    const std::string out = dir.file("read.realtim");
    const auto started = std::chrono::steady_clock::now();
    const CliRun r = run_cli(dir, read_arguments(sim, out, 300));
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started)
            .count();
    ASSERT_EQ(r.code, 0) << r.err;
    // Not a line per record: one every 2 s at most, then the count.
    EXPECT_LE(lines_of(r.err), seconds / 2 + 2) << r.err;
    EXPECT_NE(r.err.rfind("Считано записей: 21600   Прошло: "), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("read.dat")));
    EXPECT_NE(slurp(out + ".log").find("<- ~DUMP ALARMS\n"), std::string::npos);

    const CliRun info = run_cli(dir, "info '" + out + "'");
    ASSERT_EQ(info.code, 0) << info.err;
    const auto j = nlohmann::json::parse(info.out);
    EXPECT_EQ(j["item_count"], 21600);
    EXPECT_EQ(j["journal_count"], 4);

    const CliRun quiet = run_cli(dir, read_arguments(sim, out, 300) + " --quiet");
    EXPECT_EQ(quiet.code, 0);
    EXPECT_EQ(quiet.err, "");
}

TEST(CliRead, OnATerminalTheProgressIsOneLineUpdatedInPlace) {
    Simulator sim("--records 3000");
    ScratchDir dir;
    // script(1) gives the program a terminal and copies what it shows; the program's own pauses
    // make the read last long enough for a few updates.
    const std::string command = "script -qec \"'" VORNELL_CLI "' " +
                                read_arguments(sim, dir.file("read.realtim"), 2000) +
                                " >/dev/null\" /dev/null >'" + dir.file("shown") + "' </dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string shown = slurp(dir.file("shown"));
    // The terminal adds a CR before each LF: the one line break is the final one.
    EXPECT_EQ(lines_of(shown), 1) << shown;
    EXPECT_TRUE(shown.ends_with("\r\n")) << shown;
    EXPECT_GE(std::count(shown.begin(), shown.end(), '\r'), 4) << shown;
    EXPECT_NE(shown.find("Считано записей: 3000"), std::string::npos) << shown;
}

TEST(CliRead, FailuresPrintTheDialogTextAndSaveNothing) {
    ScratchDir dir;
    const std::string out = dir.file("never.realtim");
    const std::string log = " --quiet --log '" + dir.file("comm.log") + "'";
    CliRun r = run_cli(dir, "read /nonexistent/tty '" + out + "'" + log);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Произошла ошибка:\nНевозможно открыть COM-порт\n");
    EXPECT_FALSE(std::filesystem::exists(out));

    // --byte-timeout shortens the 25 s a silent serial logger would otherwise get per byte.
    Simulator silent("--silent-after 0", true);
    const auto started = std::chrono::steady_clock::now();
    r = run_cli(dir, "read " + silent.address() + " '" + out + "' --byte-timeout 300" + log);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Произошла ошибка:\nДатчик не ответил по истечению отведённого времени\n");
    EXPECT_FALSE(std::filesystem::exists(out));

    // A cable pulled after 4985 records: nothing is saved, and stderr says how many were lost.
    Simulator dropping("--drop-after 50000");
    r = run_cli(dir, "read " + dropping.address() + " '" + out + "' --byte-timeout 1000" + log);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("\nСвязь прервана после 4985 записей\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("до ошибки: 4985;"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));

    EXPECT_EQ(run_cli(dir, "read only-port").code, 2);
    EXPECT_EQ(run_cli(dir, "read a b --byte-timeout soon").code, 2);
}

TEST(CliRead, FailedJournalStillSavesTheRecords) {
    Simulator sim("--records 3 --alarm-err");
    ScratchDir dir;
    const std::string out = dir.file("read.realtim");
    const CliRun r = run_cli(dir, "read " + sim.address() + " '" + out + "' --log '" +
                                      dir.file("comm.log") + "'");
    EXPECT_EQ(r.code, 1);
    const std::string tail = "Произошла ошибка:\nОтвет датчика : ERR\n"
                             "Журнал датчика не считан полностью; записи сохранены в " +
                             out + "\n";
    ASSERT_GE(r.err.size(), tail.size());
    EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail);
    const CliRun info = run_cli(dir, "info '" + out + "'");
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_EQ(nlohmann::json::parse(info.out)["item_count"], 3);
}

TEST(CliRead, BadTargetLogOrPortIsRefusedBeforeTheLoggerHearsAByte) {
    Simulator sim("--records 3");
    ScratchDir dir;
    const std::string log = dir.file("comm.log");
    for (const std::string& args :
         {"'" + dir.file("read.txt") + "' --log '" + log + "'",
          "'" + dir.file("missing/read.realtim") + "' --log '" + log + "'",
          "'" + dir.file("read.realtim") + "' --log '" + dir.file("missing/comm.log") + "'"}) {
        const CliRun r = run_cli(dir, "read " + sim.address() + " " + args);
        EXPECT_EQ(r.code, 1) << args;
        EXPECT_EQ(r.err.find("Считано"), std::string::npos) << r.err;
        EXPECT_EQ(slurp(log), "") << args; // no session was opened
    }
    // A port name that is no host:port is never read with another port in its place.
    const std::string host = sim.address().substr(0, sim.address().find(':'));
    for (const std::string port :
         {":65536", ":88838", ":023111", ": 23111", ":23111 ", ":23111:5", ":+23111", ":"}) {
        const CliRun r = run_cli(dir, "read '" + host + port + "' '" + dir.file("read.realtim") +
                                          "' --log '" + log + "'");
        EXPECT_EQ(r.code, 2) << port;
        EXPECT_EQ(slurp(log), "") << port;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("read.realtim")));
    // The simulator still serves its first client: nobody has talked to it.
    const CliRun ok = run_cli(dir, "read " + sim.address() + " '" + dir.file("read.realtim") +
                                       "' --log '" + log + "'");
    EXPECT_EQ(ok.code, 0) << ok.err;
}

TEST(CliRead, ACommunicationLogThatIsNoRegularFileIsToldOnceAndTheReadGoesOn) {
    Simulator sim("--records 30");
    ScratchDir dir;
    const std::string given = dir.file("given.fifo");
    const std::string home_log = dir.file("home/.local/share/Vornell/vornell_comm.log");
    std::filesystem::create_directories(dir.file("home/.local/share/Vornell"));
    ASSERT_EQ(::mkfifo(given.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(home_log.c_str(), 0600), 0);
    const std::string out = dir.file("read.realtim");
    // Named by --log, at the default place, a folder; `timeout` ends a read that the log holds.
    for (const std::string& log :
         {"--log '" + given + "'", std::string(), "--log '" + dir.path().string() + "'"}) {
        const std::string command = "HOME='" + dir.file("home") + "' timeout -s KILL 20 '" +
                                    VORNELL_CLI "' read " + sim.address() + " '" + out + "' " +
                                    log + " --quiet 2>'" + dir.file("err") + "' </dev/null";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << log;
        const std::string err = slurp(dir.file("err"));
        EXPECT_EQ(lines_of(err), 1) << err;
        EXPECT_NE(err.find("не обычный файл"), std::string::npos) << err;
        EXPECT_TRUE(std::filesystem::exists(out));
        // The next read's files are its own, not another file's.
        for (const char* name : {"read.realtim", "read.dat"})
            std::filesystem::remove(dir.file(name));
    }
}

TEST(CliRead, NobodyListeningEndsWithinTheByteTimeoutAndSaysSo) {
    ScratchDir dir;
    const auto started = std::chrono::steady_clock::now();
    // Port 9 (discard) has no listener on a test machine.
    const CliRun r =
        run_cli(dir, "read 127.0.0.1:9 '" + dir.file("read.realtim") +
                         "' --byte-timeout 300 --quiet --log '" + dir.file("comm.log") + "'");
    // About 1.3 s of pauses; a loaded machine may add some, a wait for the whole default byte
    // time-out (25 s) is the fault.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Произошла ошибка:\nАппаратная ошибка при чтении данных\n"
                     "Соединение отклонено: 127.0.0.1:9\n");
}
