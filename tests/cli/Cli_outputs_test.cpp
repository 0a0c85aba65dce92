// What render, print and report write, and what they never write over.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Cli_run.h"
#include "Pdf_probe.h"
#include "datafile/Assembling.h"
#include "library/Mytime.h"

namespace fs = std::filesystem;

namespace {

class CliOutputs : public ::testing::Test {
protected:
    // A recording of `seconds` seconds, one record a second, with a journal beside it.
    void record(const std::string& path, std::uint32_t seconds) {
        FileStorage model;
        model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0.0f, 250.0f});
        FileStorageItem item;
        item.values = {0};
        for (std::uint32_t t = 0; t < seconds; ++t) {
            item.time = start + t;
            item.values[0] = static_cast<float>(t % 200);
            model.add_item(item);
        }
        model.save(path, false);
        std::ofstream(path.substr(0, path.rfind('.')) + ".dat", std::ios::binary)
            << "0 39146.5000000000 0.0000000000 12.500\r\n";
    }
    CliRun run(const std::string& args) { return run_cli(dir, args); }

    ScratchDir dir;
    const std::string data = dir.file("run.realtim");
    const std::uint32_t start = lib::parts_to_time(2007, 3, 5, 8, 0, 0);
};

} // namespace

TEST_F(CliOutputs, EveryOutputCommandRefusesTheFilesOfItsInputAndOtherKinds) {
    record(data, 600);
    record(dir.file("old.tim"), 600); // with old.rac and inpgti.nbl
    const std::vector<std::string> files = {"run.realtim", "run.dat",    "old.tim",
                                            "old.rac",     "inpgti.nbl", "old.dat"};
    std::map<std::string, std::string> before;
    for (const std::string& f : files)
        before[f] = slurp(dir.file(f));

    const struct {
        const char *command, *extension, *fresh_name;
    } outputs[] = {
        {"render", "png", "new.PNG"}, {"print", "pdf", "new.Pdf"}, {"report", "html", "new.HTM"}};
    for (const auto& o : outputs) {
        const std::string ext = o.extension;
        // Links of the command's own kind to the input's files.
        for (const std::string& f : files)
            fs::create_symlink(dir.file(f), dir.file(f + "-link." + ext));
        const struct {
            std::string input, out;
        } refused[] = {{"run.realtim", "run.realtim"},
                       {"run.realtim", "run.dat"},
                       {"run.realtim", "run.realtim-link." + ext},
                       {"run.realtim", "./run.dat-link." + ext},
                       {"old.tim", "old.tim-link." + ext},
                       {"old.tim", "old.rac-link." + ext},
                       {"old.tim", "inpgti.nbl-link." + ext},
                       {"old.tim", "old.dat-link." + ext},
                       {"run.realtim", "out.txt"},
                       {"run.realtim", "out"},
                       {"run.realtim", std::string("out.") + (ext == "png" ? "pdf" : "png")}};
        for (const auto& r : refused) {
            const CliRun result = run(std::string(o.command) + " '" + dir.file(r.input) + "' '" +
                                      dir.file(r.out) + "'");
            EXPECT_EQ(result.code, 2) << o.command << " " << r.input << " " << r.out;
        }
        for (const std::string& f : files)
            EXPECT_EQ(slurp(dir.file(f)), before[f]) << o.command << " wrote over " << f;
        EXPECT_FALSE(fs::exists(dir.file("out.txt")) || fs::exists(dir.file("out")));

        // The own kind in any case under a name not there yet is written.
        const std::string fresh = dir.file(o.fresh_name);
        EXPECT_EQ(run(std::string(o.command) + " '" + data + "' '" + fresh + "'").code, 0);
        EXPECT_TRUE(fs::exists(fresh)) << o.command;
    }
    // convert writes any data file, but not over the input's own files through a link.
    for (const std::string& f : std::vector<std::string>{"run.realtim", "run.dat"}) {
        fs::create_symlink(dir.file(f), dir.file(f + "-link.dep"));
        EXPECT_EQ(run("convert '" + data + "' '" + dir.file(f + "-link.dep") + "'").code, 2) << f;
        EXPECT_EQ(slurp(dir.file(f)), before[f]) << "convert wrote over " << f;
    }
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
    for (const auto& [options, code] : {std::pair(accepted, 0), std::pair(refused, 2)}) {
        for (const std::string& option : options) {
            const std::string in = "'" + data + "' '" + dir.file("out") + ".";
            EXPECT_EQ(run("render " + in + "png' " + option).code, code) << option;
            EXPECT_EQ(run("print " + in + "pdf' --max-pages 1000 " + option).code, code) << option;
        }
    }
}

TEST_F(CliOutputs, LoadNotesOfADamagedFileGoToStderrAndTheCommandGoesOn) {
    const std::string damaged = dir.file("damaged.realtim");
    record(damaged, 3600);
    std::string bytes = slurp(damaged);
    bytes.insert(bytes.size() / 2, 1, '\xEE');
    std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes;
    const std::pair<std::string, std::string> commands[] = {
        {"info", ""},          {"records", ""},      {"report", "out.html"},
        {"render", "out.png"}, {"print", "out.pdf"}, {"convert", "copy.realtim"}};
    for (const auto& [command, out] : commands) {
        const CliRun r =
            run(command + " '" + damaged + "'" + (out.empty() ? "" : " '" + dir.file(out) + "'"));
        EXPECT_EQ(r.code, 0) << command << "\n" << r.err;
        EXPECT_NE(r.err.find(damaged + ": Файл был повреждён"), std::string::npos) << command;
    }
}

namespace {

class CliPrintReplace : public CliOutputs {
protected:
    void SetUp() override {
        record(data, 4 * 3600);
        ASSERT_EQ(run("print '" + data + "' '" + old_pdf + "'").code, 0);
        old_bytes = slurp(old_pdf);
        ASSERT_GT(pdf_probe::pages(old_pdf), 0);
        record(big, 200000); // about 120 pages at one minute per centimetre
    }
    std::string print_big(const std::string& out) const {
        return "print '" + big + "' '" + out + "' --scale 0 --max-pages 100000";
    }

    const std::string big = dir.file("big.realtim");
    const std::string old_pdf = dir.file("graph.pdf");
    std::string old_bytes;
};

} // namespace

TEST_F(CliPrintReplace, APrintKilledWhileItWritesLeavesTheOldPdf) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string line =
            "exec '" VORNELL_CLI "' " + print_big(old_pdf) + " >/dev/null 2>&1 </dev/null";
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Killed once its temporary file beside the PDF has begun to grow.
    bool writing = false;
    int status = 0;
    for (int i = 0; i < 4000 && !writing && waitpid(child, &status, WNOHANG) == 0; ++i) {
        for (const std::string& name : dir.names()) {
            std::error_code gone;
            writing |= name.rfind("graph.pdf.", 0) == 0 &&
                       fs::file_size(dir.file(name), gone) > 0 && !gone;
        }
        usleep(5000);
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    ASSERT_TRUE(writing) << "no temporary file beside the PDF";
    ASSERT_TRUE(WIFSIGNALED(status)) << "the print ended before it was killed";
    EXPECT_EQ(slurp(old_pdf), old_bytes);
}

TEST_F(CliPrintReplace, APrintOntoAFullDiskFailsAndLeavesTheOldPdf) {
    if (geteuid() != 0)
        GTEST_SKIP() << "a small file system needs root to mount";
    const std::string small = dir.file("small");
    fs::create_directory(small);
    ASSERT_EQ(mount("tmpfs", small.c_str(), "tmpfs", 0, "size=512k"), 0);
    const std::string pdf = small + "/graph.pdf";
    fs::copy_file(old_pdf, pdf);
    const CliRun r = run(print_big(pdf));
    const std::string after = slurp(pdf);
    const auto left = std::distance(fs::directory_iterator(small), fs::directory_iterator());
    umount2(small.c_str(), MNT_DETACH);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Не удалось записать файл " + pdf), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << "no page count for a file that is not there";
    EXPECT_EQ(after, old_bytes);
    EXPECT_EQ(left, 1) << "the temporary file goes";
}
