#include <gtest/gtest.h>

#include <limits>

#include "datafile/Assembling.h"
#include "datafile/Journal.h"
#include "formats/Spreadsheet_csv.h"

namespace {

TEST(SpreadsheetCsv, SeparatorsFollowTheLocaleAndTextsAreQuoted) {
    FileStorage model;
    model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
    model.add_param({"Имя \"x\"; y", "", "", "x", 0, 1});
    FileStorageItem item;
    item.time = 1772431200u + 86400u; // 2026-03-02 06:00:00
    item.values = {1.5f, 1.5e-7f};
    model.add_item(item);
    item.time += 61;
    // No second value: the model holds 0.0 there, as for any record it widens.
    item.values = {std::numeric_limits<float>::quiet_NaN()};
    model.add_item(item);

    struct Case {
        const char* decimal;
        std::string expected;
    };
    const Case cases[] = {
        {",", "\xEF\xBB\xBF"
              "Дата/Время;Вес на крюке, т;\"Имя \"\"x\"\"; y\"\r\n"
              "2026-03-02 06:00:00;1,5;1,5e-07\r\n"
              "2026-03-02 06:01:01;;0\r\n"},
        {".", "\xEF\xBB\xBF"
              "Дата/Время,\"Вес на крюке, т\",\"Имя \"\"x\"\"; y\"\r\n"
              "2026-03-02 06:00:00,1.5,1.5e-07\r\n"
              "2026-03-02 06:01:01,,0\r\n"},
    };
    const lib::Locale kept = lib::Locale::current();
    for (const Case& c : cases) {
        lib::Locale::set({c.decimal, "dd/MM/yy", "h:mm"}); // the dates keep their own form
        std::string bytes;
        spreadsheet_csv(model, [&](std::string_view piece) { bytes += piece; });
        EXPECT_EQ(bytes, c.expected) << c.decimal;
    }
    lib::Locale::set(kept);
}

TEST(SpreadsheetCsv, TheJournalAsTheGridShowsItWithFixedDates) {
    constexpr double march5 = 39146.0; // 5 March 2007
    LogStorage journal;
    journal.Add(march5 + (9 * 3600 + 5 * 60) / 86400.0, 0.0, 0, 12.5f);
    journal.Add(march5 + 0.5, march5 + 1.25, 13, 0.0f);

    std::string bytes;
    journal_csv(journal, [&](std::string_view piece) { bytes += piece; });
    EXPECT_EQ(bytes, "\xEF\xBB\xBF"
                     "№;Дата/Время;Ситуация\r\n"
                     "1;2007-03-05 09:05:00;Превышение установок (12,5)\r\n"
                     "2;2007-03-05 12:00:00 - 2007-03-06 06:00:00;Пропало сетевое питание\r\n");
}

} // namespace
