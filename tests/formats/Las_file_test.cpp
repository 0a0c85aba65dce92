#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <sstream>

#include "datafile/Assembling.h"
#include "datafile/Journal.h"
#include "formats/Formats.h"
#include "formats/Las_file.h"
#include "library/Binary_io.h"
#include "library/Codepage.h"

namespace {

// A small LAS 2.0 reader as other programs read these files: sections by their first letter,
// header lines split at the first dot, the first blank after it and the last colon.
struct LasLine {
    std::string mnemonic, unit, data, description;
};
struct LasRead {
    std::string sections; // first letters, in file order
    std::map<char, std::vector<LasLine>> lines;
    std::vector<std::string> other;
    std::vector<std::vector<std::string>> rows;
    bool crlf = true; // every line ended by CR LF, and nothing after the last

    const LasLine* find(char section, const std::string& mnemonic) const {
        for (const LasLine& l : lines.at(section))
            if (l.mnemonic == mnemonic)
                return &l;
        return nullptr;
    }
    std::string data(char section, const std::string& mnemonic) const {
        const LasLine* l = find(section, mnemonic);
        return l ? l->data : "<missing>";
    }
};

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(s.substr(first, s.find_last_not_of(' ') - first + 1));
}

LasRead read_las(const std::string& bytes, LasEncoding encoding) {
    LasRead las;
    std::size_t at = 0;
    char section = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) {
            las.crlf = false;
            break;
        }
        std::string line = bytes.substr(at, end - at);
        at = end + 2;
        if (line.find_first_of("\r\n") != std::string::npos)
            las.crlf = false;
        if (encoding == LasEncoding::cp1251)
            line = lib::from_cp1251(line);
        if (line.starts_with('~')) {
            section = line[1];
            las.sections += section;
            las.lines[section];
        } else if (section == 'A') {
            std::istringstream tokens(line);
            las.rows.emplace_back();
            for (std::string token; tokens >> token;)
                las.rows.back().push_back(token);
        } else if (section == 'O') {
            las.other.push_back(line);
        } else if (!line.starts_with('#')) {
            const std::size_t dot = line.find('.');
            const std::size_t blank = line.find(' ', dot);
            const std::size_t colon = line.rfind(':');
            EXPECT_TRUE(dot < blank && blank <= colon && colon != std::string::npos) << line;
            if (dot < blank && blank <= colon && colon != std::string::npos)
                las.lines[section].push_back(
                    {trimmed(line.substr(0, dot)), line.substr(dot + 1, blank - dot - 1),
                     trimmed(line.substr(blank, colon - blank)), trimmed(line.substr(colon + 1))});
        }
    }
    return las;
}

std::string las_bytes(const FileStorage& model, const LogStorage& journal, LasEncoding encoding) {
    lib::io::BinaryMemoryOutputStream out;
    las_file::write(model, journal, {.las_encoding = encoding}, out);
    return {reinterpret_cast<const char*>(out.data()), out.size()};
}

FileStorageParam param(const char* ident, const char* name, const char* short_name,
                       const char* unit) {
    return {name, short_name, unit, ident, 0.0f, 100.0f};
}

FileStorageItem record(std::uint32_t time, std::vector<float> values, float depth = 0.0f) {
    FileStorageItem item;
    item.time = time;
    item.depth1 = depth;
    item.depth2 = depth * 2;
    item.depth3 = depth * 3;
    for (float v : values)
        item.values.push_back(v);
    return item;
}

// 2026-03-02 06:00:00 on the recording's clock.
constexpr std::uint32_t t0 = 1772431200u + 86400u;

float read_float(const std::string& text) {
    float v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    EXPECT_TRUE(r.ec == std::errc() && r.ptr == text.data() + text.size()) << text;
    return v;
}

bool same_float(float written, float read) {
    return std::isfinite(written) ? std::memcmp(&written, &read, sizeof read) == 0
                                  : read == -999.25f;
}

TEST(LasFile, WhatIsWrittenReadsBack) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        std::vector<FileStorageParam> params;
        std::vector<FileStorageItem> records;
        std::vector<std::string> curves; // after TIME
        std::string units;               // of the curves after TIME, '|' between
        const char* step;
        const char* stop;
        const char* tref;
    };
    const FileStorageParam hook = param("вес_на_крюке", "Вес на крюке", "W кр.", "т");
    const Case cases[] = {
        {"regular steps",
         {hook},
         {record(t0, {0.1f}), record(t0 + 1, {1e-7f}), record(t0 + 2, {123456.79f})},
         {"HKLD"},
         "т",
         "1",
         "2",
         "2026-03-02T06:00:00"},
        {"pauses",
         {hook},
         {record(t0, {1}), record(t0 + 1, {2}), record(t0 + 601, {3}), record(t0 + 602, {4})},
         {"HKLD"},
         "т",
         "0",
         "602",
         "2026-03-02T06:00:00"},
        {"Cyrillic units, made and repeated mnemonics",
         {hook, param("плотность_на_входе", "Плотность на входе", "Пл.вх.", "г/см3"),
          param("x", "Давление: вход", "P вх.", "кгс/см2 изб"),
          param("y", "Другое давление", "P вх.", "°С"), param("z", "Ёмкость", "", "м3")},
         {record(t0, {1.5f, 1.18f, -3.25f, 7, 8}), record(t0 + 5, {2, 1.2f, 3e38f, -0.0f, 9})},
         {"HKLD", "MDI", "P_VKH", "P_VKH_2", "EMKOST"},
         "т|г/см3|кгс/см2_изб|°С|м3",
         "5",
         "5",
         "2026-03-02T06:00:00"},
        {"depths",
         {hook},
         {record(t0, {1}, 0), record(t0 + 2, {2}, 1520.5f)},
         {"HKLD", "DEPT1", "DEPT2", "DEPT3"},
         "т|M|M|M",
         "2",
         "2",
         "2026-03-02T06:00:00"},
        {"empty document", {hook}, {}, {"HKLD"}, "т", "0", "0", ""},
        {"one moment twice",
         {hook},
         {record(t0, {1}), record(t0, {2})},
         {"HKLD"},
         "т",
         "0",
         "0",
         "2026-03-02T06:00:00"},
        {"out of order",
         {hook},
         {record(t0 + 3605, {1}), record(t0, {2}), record(t0 + 7200, {3})},
         {"HKLD"},
         "т",
         "0",
         "3595",
         "2026-03-02T07:00:05"},
        {"backwards evenly",
         {hook},
         {record(t0 + 2, {1}), record(t0 + 1, {2}), record(t0, {3})},
         {"HKLD"},
         "т",
         "0",
         "-2",
         "2026-03-02T06:00:02"},
        {"not finite values",
         {hook},
         {record(t0, {nan}), record(t0 + 1, {inf}), record(t0 + 2, {-inf}), record(t0 + 3, {})},
         {"HKLD"},
         "т",
         "1",
         "3",
         "2026-03-02T06:00:00"},
    };
    for (const Case& c : cases)
        for (const LasEncoding encoding : {LasEncoding::cp1251, LasEncoding::utf8}) {
            SCOPED_TRACE(std::string(c.name) +
                         (encoding == LasEncoding::utf8 ? " (UTF-8)" : " (1251)"));
            FileStorage model;
            for (const FileStorageParam& p : c.params)
                model.add_param(p);
            for (const FileStorageItem& r : c.records)
                model.add_item(r);
            model.text_values().well = "Скв: 12/3 \"бис\"";
            model.text_values().bit_diameter = 215.9;
            model.text_values().drill_method_text = "1"; // as native files bring it back
            // The journal's events under "~OTHER", which is there only when there are some.
            const bool empty = c.records.empty();
            LogStorage journal;
            if (!empty)
                journal.Add(46083.25, 46083.5, 1, 0); // 2026-03-02 06:00 to 12:00
            const std::string bytes = las_bytes(model, journal, encoding);

            // Header texts in the chosen encoding: the hook load's unit "т" is one byte in
            // Windows-1251, two in UTF-8, and no byte order mark comes first.
            EXPECT_NE(bytes.find(encoding == LasEncoding::utf8 ? "HKLD.\xD1\x82" : "HKLD.\xF2 "),
                      std::string::npos);
            EXPECT_FALSE(bytes.starts_with("\xEF\xBB\xBF"));
            const LasRead las = read_las(bytes, encoding);
            EXPECT_TRUE(las.crlf);
            EXPECT_EQ(las.sections, empty ? "VWCPA" : "VWCPOA");
            EXPECT_EQ(las.data('V', "VERS"), "2.0");
            EXPECT_EQ(las.data('V', "WRAP"), "NO");
            EXPECT_EQ(las.data('W', "STRT"), "0");
            EXPECT_EQ(las.data('W', "STOP"), c.stop);
            EXPECT_EQ(las.data('W', "STEP"), c.step);
            EXPECT_EQ(las.data('W', "NULL"), "-999.25");
            for (const char* m : {"COMP", "FLD", "LOC", "SRVC", "UWI"})
                EXPECT_EQ(las.data('W', m), "") << m;
            EXPECT_EQ(las.data('W', "WELL"), "Скв: 12/3 \"бис\"");
            EXPECT_EQ(las.data('W', "DATE"), empty ? "" : "2026-03-02");
            EXPECT_EQ(las.data('P', "TREF"), c.tref);
            EXPECT_EQ(las.data('P', "BS"), "215.9");
            EXPECT_EQ(las.find('P', "BS")->unit, "мм");
            EXPECT_EQ(las.data('P', "RUN"), "1");
            EXPECT_EQ(las.data('P', "DMTH"), "Турбинное");
            EXPECT_EQ(las.find('P', "SAND"), nullptr); // not set, not written
            EXPECT_EQ(las.other,
                      empty ? std::vector<std::string>{}
                            : std::vector<std::string>{" 1  2026-03-02 06:00:00 - 2026-03-02 "
                                                       "12:00:00  Включение регистратора"});

            std::vector<std::string> curves{"TIME"}, units{"S"};
            for (const LasLine& l : las.lines.at('C')) {
                if (l.mnemonic == "TIME")
                    continue;
                curves.push_back(l.mnemonic);
                units.push_back(l.unit);
            }
            std::vector<std::string> expected{"TIME"};
            expected.insert(expected.end(), c.curves.begin(), c.curves.end());
            EXPECT_EQ(curves, expected);
            std::string unit_list;
            for (std::size_t i = 1; i < units.size(); ++i)
                unit_list += (i > 1 ? "|" : "") + units[i];
            EXPECT_EQ(unit_list, c.units);
            for (const LasLine& l : las.lines.at('C')) {
                EXPECT_LE(l.mnemonic.size(), 16u);
                EXPECT_EQ(l.mnemonic.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_"),
                          std::string::npos);
            }

            ASSERT_EQ(las.rows.size(), c.records.size());
            const bool depths = c.curves.size() > c.params.size();
            for (std::size_t i = 0; i < c.records.size(); ++i) {
                const FileStorageItem& r = c.records[i];
                const std::vector<std::string>& row = las.rows[i];
                ASSERT_EQ(row.size(), curves.size());
                EXPECT_EQ(row[0], std::to_string(std::int64_t{r.time} - c.records[0].time));
                for (std::size_t k = 0; k < c.params.size(); ++k) {
                    // A record without the value holds 0.0 there, as the model widens it.
                    const float v = k < r.values.size() ? r.values[k] : 0.0f;
                    EXPECT_TRUE(same_float(v, read_float(row[1 + k]))) << i << ' ' << row[1 + k];
                }
                if (depths) {
                    const float written[] = {r.depth1, r.depth2, r.depth3};
                    for (std::size_t d = 0; d < 3; ++d)
                        EXPECT_TRUE(
                            same_float(written[d], read_float(row[1 + c.params.size() + d])));
                }
            }
        }
}

TEST(LasFile, EveryCatalogueParameterHasAMnemonicOfItsOwn) {
    // Made mnemonics and repeats carry a '_'; the catalogue's own have none.
    FileStorage model;
    const AllParams& catalogue = AllParams::instance();
    for (int i = 0; i < catalogue.size(); ++i) {
        const DefaultParam& d = catalogue.at(i);
        model.add_param({d.name, d.short_name, d.unit, lib::lower_ident(d.ident), d.low, d.high});
    }
    const std::string bytes = las_bytes(model, LogStorage(), LasEncoding::utf8);
    const LasRead las = read_las(bytes, LasEncoding::utf8);
    ASSERT_EQ(las.lines.at('C').size(), static_cast<std::size_t>(catalogue.size()) + 1);
    for (const LasLine& l : las.lines.at('C'))
        EXPECT_EQ(l.mnemonic.find('_'), std::string::npos) << l.mnemonic << " " << l.description;
}

} // namespace
