#include <gtest/gtest.h>

#include <fstream>

#include "Cli_run.h"
#include "datafile/Assembling.h"
#include "formats/Formats.h"
#include "library/Codepage.h"

namespace {

class CliReport : public ::testing::Test {
protected:
    void SetUp() override {
        FileStorage model;
        model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0.0f, 250.0f});
        for (std::uint32_t i = 0; i < 2; ++i) {
            FileStorageItem item;
            item.time = 1'200'000'000u + 10 * i;
            item.values.push_back(5.0f);
            model.add_item(item);
        }
        save_data_file(model, data, false);
        std::ofstream(dir.file("run.dat"), std::ios::binary)
            << "0 39146.5000000000 0.0000000000 12.500\r\n"
               "13 39147.2500000000 39147.5000000000 0.000\r\n"
               "1 39148.0000000000 0.0000000000 0.000\r\n";
    }
    CliRun run(const std::string& args) { return run_cli(dir, args); }

    ScratchDir dir;
    const std::string data = dir.file("run.realtim");
    const std::string out = dir.file("out.html");
};

} // namespace

TEST_F(CliReport, WritesTheChosenEventsAsTheReportPage) {
    const CliRun r = run("report '" + data + "' '" + out + "' --rows 1:1");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string expected = lib::to_cp1251(
        "<html>\r\n<head>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\r\n"
        "</head>\r\n<body style = \"font-family: Arial; font-size: 7pt\">\r\n"
        "  <table border=\"0\" width=\"100%\" bgcolor=\"#FFFFFF\">\r\n"
        "    <tr>\r\n"
        "      <td bgcolor=\"#F0F0F0\"><p align=\"center\">№</p></td>\r\n"
        "      <td bgcolor=\"#F0F0F0\"><p align=\"center\">Дата/Время</p></td>\r\n"
        "      <td bgcolor=\"#F0F0F0\"><p align=\"center\">Ситуация</p></td>\r\n"
        "      <td bgcolor=\"#F0F0F0\"><p align=\"center\"></p></td>\r\n"
        "    </tr>\r\n"
        "    <tr>\r\n"
        "      <td>2</td>\r\n"
        "      <td>06.03.2007&nbsp;6:00:00&nbsp;-&nbsp;06.03.2007&nbsp;12:00:00</td>\r\n"
        "      <td>Пропало&nbsp;сетевое&nbsp;питание</td>\r\n"
        "      <td></td>\r\n"
        "    </tr>\r\n"
        "  </table>\r\n</body>\r\n</html>\r\n");
    // The tool runs in the machine's locale; only the texts that do not depend on it are pinned.
    std::string bytes = slurp(out);
    const std::size_t date = bytes.find("<td>06");
    ASSERT_NE(date, std::string::npos);
    EXPECT_EQ(bytes.substr(0, date), expected.substr(0, date));
    EXPECT_EQ(bytes.substr(bytes.find("</td>", date)),
              expected.substr(expected.find("</td>", date)));

    ASSERT_EQ(run("report '" + data + "' '" + out + "'").code, 0);
    bytes = slurp(out);
    std::size_t rows = 0;
    for (std::size_t at = bytes.find("<tr>"); at != std::string::npos;
         at = bytes.find("<tr>", at + 1))
        ++rows;
    EXPECT_EQ(rows, 4u);
    EXPECT_NE(bytes.find("<td>3</td>"), std::string::npos);
}

TEST_F(CliReport, RowsOutsideTheJournalWriteNothing) {
    CliRun r = run("report '" + data + "' '" + out + "' --rows 2:3");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Строки 2:3 вне журнала: в нём позиции от 0 до 2\n");
    r = run("report '" + data + "' '" + out + "' --rows 3:1");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--rows needs FIRST:LAST"), std::string::npos);
    EXPECT_EQ(run("report '" + data + "' '" + out + "' --rows 1").code, 2);
    EXPECT_EQ(run("report '" + dir.file("none.realtim") + "' '" + out + "'").code, 1);
    EXPECT_EQ(dir.names(),
              (std::vector<std::string>{"run.dat", "run.realtim", "stderr", "stdout"}));
}
