// What render, print and report write, and what they never write over.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Cli_run.h"
#include "formats/Formats.h"
#include "graph/Graph_records.h"
#include "library/Mytime.h"

namespace fs = std::filesystem;

namespace {

class CliOutputs : public ::testing::Test {
protected:
    // A recording of `seconds` seconds, one record a second, with a journal beside it.
    void record(const std::string& path, int seconds) {
        FileStorage model;
        fill_records(model, lib::parts_to_time(2007, 3, 5, 8, 0, 0), seconds, 1);
        save_data_file(model, path, false);
        std::ofstream(path.substr(0, path.rfind('.')) + ".dat", std::ios::binary)
            << "0 39146.5000000000 0.0000000000 12.500\r\n";
    }
    CliRun run(const std::string& command, const std::string& in, const std::string& out,
               const std::string& options = "") {
        return run_cli(dir, command + " '" + in + "' " + (out.empty() ? "" : "'" + out + "' ") +
                                options);
    }

    ScratchDir dir;
    const std::string data = dir.file("run.realtim");
};

} // namespace

TEST_F(CliOutputs, EveryOutputCommandRefusesTheFilesOfItsInputAndOtherKinds) {
    record(data, 600);
    record(dir.file("old.tim"), 600); // with old.rac and inpgti.nbl
    const std::vector<std::string> files = {"run.realtim", "run.dat", "old.rac", "inpgti.nbl"};
    std::map<std::string, std::string> before;
    for (const std::string& f : files)
        before[f] = slurp(dir.file(f));

    for (const auto& [command, kind, fresh] :
         {std::tuple("render", std::string(".png"), "new.PNG"),
          std::tuple("print", std::string(".pdf"), "new.Pdf"),
          std::tuple("report", std::string(".html"), "new.HTM")}) {
        for (const std::string& f : files)
            fs::create_symlink(dir.file(f), dir.file(f + "-link" + kind));
        const std::string other = kind == ".png" ? "out.pdf" : "out.png";
        for (const std::string& out :
             std::vector<std::string>{"run.realtim", "run.dat", "run.realtim-link" + kind,
                                      "./run.dat-link" + kind, "out", other})
            EXPECT_EQ(run(command, data, dir.file(out)).code, 2) << command << " " << out;
        for (const std::string& out : {"old.rac-link" + kind, "inpgti.nbl-link" + kind})
            EXPECT_EQ(run(command, dir.file("old.tim"), dir.file(out)).code, 2)
                << command << " " << out;
        for (const std::string& f : files)
            EXPECT_EQ(slurp(dir.file(f)), before[f]) << command << " wrote over " << f;
        EXPECT_EQ(run(command, data, dir.file(fresh)).code, 0) << command;
        EXPECT_TRUE(fs::exists(dir.file(fresh))) << command;
    }
    // convert writes any data file, but not over the input through a link.
    fs::create_symlink(data, dir.file("run-link.dep"));
    EXPECT_EQ(run("convert", data, dir.file("run-link.dep")).code, 2);
    EXPECT_EQ(slurp(data), before["run.realtim"]);
}

TEST_F(CliOutputs, RenderAndPrintReadTheSharedOptionsAlike) {
    record(data, 3600);
    // "--curve 7": a curve the document lacks draws the empty chart.
    const std::vector<std::string> accepted = {"--scale 0 --range 0:50 --color 00FF80 --dpi 120",
                                               "--curve 7", "--dpi 24", "--dpi 1200",
                                               "--range -10.5:1e3"};
    const std::vector<std::string> refused = {
        "--range 5:5", "--range 200:0", "--range nan:5", "--range 0:inf", "--range 5",
        "--curve -1",  "--curve x",     "--scale 10",    "--scale -1",    "--dpi 23",
        "--dpi 1201",  "--dpi 96.5",    "--color 12345", "--color GGGGGG"};
    const std::string out = dir.file("out");
    for (const auto& [options, code] : {std::pair(accepted, 0), std::pair(refused, 2)}) {
        for (const std::string& option : options) {
            EXPECT_EQ(run("render", data, out + ".png", option).code, code) << option;
            EXPECT_EQ(run("print", data, out + ".pdf", "--max-pages 999 " + option).code, code)
                << option;
        }
    }
}

TEST_F(CliOutputs, LoadNotesOfADamagedFileGoToStderrAndTheCommandGoesOn) {
    const std::string damaged = dir.file("damaged.realtim");
    record(damaged, 3600);
    std::string bytes = slurp(damaged);
    bytes.insert(bytes.size() / 2, 1, '\xEE');
    std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes;
    for (const auto& [command, out] :
         {std::pair("info", ""), std::pair("records", ""), std::pair("report", "out.html"),
          std::pair("render", "out.png"), std::pair("print", "out.pdf"),
          std::pair("convert", "copy.realtim")}) {
        const CliRun r = run(command, damaged, *out ? dir.file(out) : "");
        EXPECT_EQ(r.code, 0) << command << "\n" << r.err;
        EXPECT_NE(r.err.find(damaged + ": Файл был повреждён"), std::string::npos) << command;
    }
}

TEST_F(CliOutputs, APrintKilledWhileItWritesLeavesTheOldPdf) {
    record(data, 200000); // some 120 pages
    const std::string pdf = dir.file("graph.pdf"), old = "%PDF-1.4 an older printout";
    std::ofstream(pdf) << old;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string line = "exec '" VORNELL_CLI "' print '" + data + "' '" + pdf +
                                 "' --scale 0 --max-pages 1000 >/dev/null 2>&1 </dev/null";
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Killed once its temporary file beside the PDF has begun to grow.
    const auto writing = [&] {
        for (const std::string& name : dir.names()) {
            std::error_code gone;
            if (name.starts_with("graph.pdf.") && fs::file_size(dir.file(name), gone) > 0 && !gone)
                return true;
        }
        return false;
    };
    int status = 0;
    for (int i = 0; i < 4000 && !writing() && waitpid(child, &status, WNOHANG) == 0; ++i)
        usleep(5000);
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the print ended before it was killed";
    ASSERT_TRUE(writing()) << "no temporary file beside the PDF";
    EXPECT_EQ(slurp(pdf), old);
}

TEST_F(CliOutputs, APrintOntoAFullDiskFailsAndLeavesTheOldPdf) {
    if (geteuid() != 0)
        GTEST_SKIP() << "a small file system needs root to mount";
    record(data, 200000);
    const std::string small = dir.file("small");
    fs::create_directory(small);
    ASSERT_EQ(mount("tmpfs", small.c_str(), "tmpfs", 0, "size=512k"), 0);
    const std::string pdf = small + "/graph.pdf", old = "%PDF-1.4 an older printout";
    std::ofstream(pdf) << old;
    const CliRun r = run("print", data, pdf, "--scale 0 --max-pages 1000");
    const std::string after = slurp(pdf);
    const auto left = std::distance(fs::directory_iterator(small), fs::directory_iterator());
    umount2(small.c_str(), MNT_DETACH);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Не удалось записать файл " + pdf), std::string::npos) << r.err;
    EXPECT_EQ(after, old);
    EXPECT_EQ(left, 1) << "the temporary file goes";
}
