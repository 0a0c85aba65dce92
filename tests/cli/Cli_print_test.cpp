#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "Cli_run.h"
#include "Pdf_probe.h"
#include "datafile/Assembling.h"
#include "formats/Formats.h"
#include "library/Mytime.h"

namespace {

class CliPrint : public ::testing::Test {
protected:
    // Records `step` seconds apart from `start` for `seconds`, both ends included.
    void record(std::uint32_t start, std::uint32_t seconds, std::uint32_t step) {
        FileStorage model;
        model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0.0f, 250.0f});
        for (std::uint32_t t = 0; t <= seconds; t += step) {
            FileStorageItem item;
            item.time = start + t;
            item.values.push_back(static_cast<float>(t % 200));
            model.add_item(item);
        }
        save_data_file(model, data, false);
    }
    CliRun print(const std::string& options) {
        return run_cli(dir, "print '" + data + "' '" + out + "' " + options);
    }
    int pdf_pages() { return pdf_probe::pages(out); }

    ScratchDir dir;
    const std::string data = dir.file("run.realtim");
    const std::string out = dir.file("graph.pdf");
    const std::uint32_t evening = lib::parts_to_time(2007, 3, 5, 22, 0, 0);
};

} // namespace

TEST_F(CliPrint, PagesHoldThePictureAtTheScreensScale) {
    record(evening, 10 * 3600, 10); // 60 cm at 10 minutes per centimetre
    const CliRun r = print("");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["total_height"], 2268); // 36000 s x 37.795 px / 600 s
    EXPECT_GT(json["picture_height"].get<int>(), 2268);
    EXPECT_NEAR(json["page_width_cm"].get<double>(), 19.0, 0.05); // A4 less 10 mm margins
    // The graph's share of 27.7 cm: every page has its header line and value scale.
    const double page_cm = json["page_height_cm"].get<double>();
    EXPECT_GT(page_cm, 25.7);
    EXPECT_LT(page_cm, 27.7);
    const double graph_cm = 2268 / (96 / 2.54);
    const int pages = json["pages"];
    EXPECT_GE(pages * page_cm, graph_cm);
    EXPECT_LT((pages - 1) * page_cm, graph_cm + 1); // the last page's bottom scale
    EXPECT_EQ(pdf_pages(), pages);

    const auto landscape = nlohmann::json::parse(print("--landscape --paper A3 --scale 9").out);
    EXPECT_NEAR(landscape["page_width_cm"].get<double>(), 40.0, 0.05);
    EXPECT_EQ(landscape["pages"], 1);
    EXPECT_EQ(pdf_pages(), 1);
}

TEST_F(CliPrint, ADayEndsWithTheNextMidnightIncluded) {
    record(evening, 3 * 3600, 10); // 22:00 on 5 March to 01:00 on 6 March
    const CliRun r = print("--day 2007-03-05");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["total_height"], 454); // 7200 s, not 7190 s

    std::filesystem::remove(out);
    const CliRun none = print("--day 2007-03-07");
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("Нет записей для печати за этот день\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(CliPrint, LongJobsAndBadOptionsWriteNothing) {
    record(evening, 50 * 3600, 10);
    CliRun r = print("--scale 0"); // 3000 cm at 1 minute per centimetre
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Распечатка займёт 114 страниц, больше --max-pages 100"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
    r = print("--scale 1 --max-pages 38"); // 1000 cm
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["pages"], 38);
    EXPECT_EQ(pdf_pages(), 38);
    EXPECT_EQ(print("--scale 1 --max-pages 37").code, 1);

    std::filesystem::remove(out);
    for (const char* bad :
         {"--scale 10", "--day 2007-02-30", "--color 12345", "--range 5", "--paper B5", "--dpi x"})
        EXPECT_EQ(print(bad).code, 2) << bad;
    EXPECT_FALSE(std::filesystem::exists(out));
}
