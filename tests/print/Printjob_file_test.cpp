#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "Pdf_probe.h"
#include "document/Storage.h"
#include "library/Mytime.h"
#include "library/Scratch_dir.h"

namespace {

// A day of minute records: at a minute per centimetre about fifty pages.
std::string saved_day(ScratchDir& dir) {
    struct : Reporter {
        void error(const std::string&, const std::string& text) override { ADD_FAILURE() << text; }
    } reporter;
    Storage doc(reporter);
    doc.Data().add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0.0f, 250.0f});
    const std::uint32_t start = lib::parts_to_time(2007, 5, 3, 0, 0, 0);
    for (std::uint32_t t = start; t < start + 86400; t += 60) {
        FileStorageItem item;
        item.time = t;
        item.values.push_back(static_cast<float>(t % 170));
        doc.Data().add_item(item);
    }
    const std::string path = dir.file("day.realtim");
    EXPECT_TRUE(doc.Save(path));
    return path;
}

// Runs the window's print of data into pdf in a child, killed after `delay` seconds unless that
// is negative; true when the child ended its job.
bool print_in_child(const std::string& data, const std::string& pdf, double delay) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl(VORNELL_PRINT_CHILD, VORNELL_PRINT_CHILD, "-platform", "offscreen", data.c_str(),
                pdf.c_str(), nullptr);
        ::_exit(127);
    }
    if (delay >= 0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(delay));
        ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(PrintIntoFile, AKilledPrintLeavesTheOldPdfOrTheWholeNewOne) {
    ScratchDir dir;
    const std::string data = saved_day(dir);
    const std::string pdf = dir.file("day.pdf");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(print_in_child(data, pdf, -1));
    const double whole =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int pages = pdf_probe::pages(pdf);
    ASSERT_GT(pages, 10);

    const std::string old = "%PDF-1.4 the old print\n";
    std::mt19937 random(7);
    std::uniform_real_distribution<double> within(0.02, whole);
    int kept = 0;
    for (int i = 0; i < 8; ++i) {
        std::ofstream(pdf, std::ios::binary | std::ios::trunc) << old;
        if (print_in_child(data, pdf, within(random)))
            EXPECT_EQ(pdf_probe::pages(pdf), pages) << "kill " << i;
        else
            kept += file_text(pdf) == old;
        const std::string now = file_text(pdf);
        EXPECT_TRUE(now == old || pdf_probe::pages(pdf) == pages) << "a cut PDF after kill " << i;
    }
    EXPECT_GT(kept, 0) << "no kill landed inside a print of " << whole << " s";
    // The temporary files of the killed prints go with the next one.
    ASSERT_TRUE(print_in_child(data, pdf, -1));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3)
        << "the data file, its journal and the PDF";
}

} // namespace
