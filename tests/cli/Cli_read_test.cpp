#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "Cli_run.h"
#include "Cli_simulator.h"

TEST(CliRead, ReadsSavesAndReportsProgress) {
    Simulator sim("--records 120 --alarms 4");
    ASSERT_FALSE(sim.address().empty());
    ScratchDir dir;
    const std::string out = dir.file("read.realtim");
    const CliRun r = run_cli(dir, read_arguments(sim, out, 2000));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err.rfind("Запрос записей...\n", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("\n2 марта 2026г. 6:00, знач. = "), std::string::npos);
    const std::string last = "\nЗапрос журнала...\n";
    ASSERT_GE(r.err.size(), last.size());
    EXPECT_EQ(r.err.substr(r.err.size() - last.size()), last);
    EXPECT_TRUE(std::filesystem::exists(dir.file("read.dat")));
    EXPECT_NE(slurp(out + ".log").find("<- ~DUMP ALARMS\n"), std::string::npos);

    const CliRun info = run_cli(dir, "info '" + out + "'");
    ASSERT_EQ(info.code, 0) << info.err;
    const auto j = nlohmann::json::parse(info.out);
    EXPECT_EQ(j["item_count"], 120);
    EXPECT_EQ(j["journal_count"], 4);
}

TEST(CliRead, FailuresPrintTheDialogTextAndSaveNothing) {
    ScratchDir dir;
    const std::string out = dir.file("never.realtim");
    CliRun r =
        run_cli(dir, "read /nonexistent/tty '" + out + "' --log '" + dir.file("comm.log") + "'");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Произошла ошибка:\nНевозможно открыть COM-порт\n");
    EXPECT_FALSE(std::filesystem::exists(out));

    // --byte-timeout shortens the 25 s a silent serial logger would otherwise get per byte.
    Simulator silent("--silent-after 0", true);
    const auto started = std::chrono::steady_clock::now();
    r = run_cli(dir, "read " + silent.address() + " '" + out + "' --byte-timeout 300 --log '" +
                         dir.file("comm.log") + "'");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Запрос записей...\nПроизошла ошибка:\n"
                     "Датчик не ответил по истечению отведённого времени\n");
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
    const std::string tail = "Запрос журнала...\nПроизошла ошибка:\nОтвет датчика : ERR\n"
                             "Журнал датчика не считан полностью; записи сохранены в " +
                             out + "\n";
    ASSERT_GE(r.err.size(), tail.size());
    EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail);
    const CliRun info = run_cli(dir, "info '" + out + "'");
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_EQ(nlohmann::json::parse(info.out)["item_count"], 3);
}

TEST(CliRead, BadTargetOrLogIsRefusedBeforeTheLoggerHearsAByte) {
    Simulator sim("--records 3");
    ScratchDir dir;
    const std::string log = dir.file("comm.log");
    for (const std::string& args :
         {"'" + dir.file("read.txt") + "' --log '" + log + "'",
          "'" + dir.file("missing/read.realtim") + "' --log '" + log + "'",
          "'" + dir.file("read.realtim") + "' --log '" + dir.file("missing/comm.log") + "'"}) {
        const CliRun r = run_cli(dir, "read " + sim.address() + " " + args);
        EXPECT_EQ(r.code, 1) << args;
        EXPECT_EQ(r.err.find("Запрос"), std::string::npos) << r.err;
        EXPECT_EQ(slurp(log), "") << args; // no session was opened
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("read.realtim")));
    // The simulator still serves its first client: nobody has talked to it.
    const CliRun ok = run_cli(dir, "read " + sim.address() + " '" + dir.file("read.realtim") +
                                       "' --log '" + log + "'");
    EXPECT_EQ(ok.code, 0) << ok.err;
}

TEST(CliRead, NobodyListeningEndsWithinTheByteTimeout) {
    ScratchDir dir;
    const auto started = std::chrono::steady_clock::now();
    // Port 9 (discard) has no listener on a test machine.
    const CliRun r = run_cli(dir, "read 127.0.0.1:9 '" + dir.file("read.realtim") +
                                      "' --byte-timeout 300 --log '" + dir.file("comm.log") + "'");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1300 + 1000));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Запрос записей...\nПроизошла ошибка:\nАппаратная ошибка при чтении данных\n");
}
