// Files recorded once from the logger simulator and written once in the older family: what the
// loaders read from them is held against a summary checked in beside them, so a change of a
// loader shows even where the writer's own round trip would hide it.
#include <gtest/gtest.h>

#include <charconv>
#include <string>

#include "Recorder.h"
#include "document/Storage.h"
#include "library/Scratch_dir.h"

namespace {

std::string number(float v) {
    char buf[64];
    return {buf, std::to_chars(buf, buf + sizeof buf, v).ptr};
}

// Everything a document holds, one fact a line; values are written exactly.
std::string summary(const Storage& document) {
    const FileStorage& data = document.Data();
    std::string out = "sensor type: " + document.SensorType() + " [" + document.Unit() + "]\n";
    for (int i = 0; i < data.param_count(); ++i) {
        const FileStorageParam& p = *data.param(i);
        if (p.ident.empty() && p.name.empty())
            continue; // the older family's unnamed columns
        out += "param " + std::to_string(i) + ": " + p.name + " | " + p.short_name + " | " +
               p.unit + " | " + p.ident + " | " + number(p.low) + " | " + number(p.high) + "\n";
    }
    out += "records: " + std::to_string(data.item_count()) + "\n";
    for (int i = 0; i < data.item_count(); ++i) {
        const FileStorageItem& item = *data.item(i);
        out += std::to_string(item.time) + " " + number(item.depth1) + " " + number(item.depth2) +
               " " + number(item.depth3) + " " + std::to_string(item.kind) +
               (item.full ? " full" : " part");
        for (std::size_t k = 0; k < item.values.size(); ++k)
            if (item.values[k] != 0.0f)
                out += " v" + std::to_string(k) + "=" + number(item.values[k]);
        out += "\n";
    }
    for (const std::string& line : data.text_values().lines.lines())
        out += "text: " + line + "\n";
    for (const std::string& message : data.messages())
        out += "message: " + message + "\n";
    out += "journal: " + std::to_string(document.JournalCount()) + "\n";
    for (int row = 0; row < document.JournalCount(); ++row)
        out += document.JournalCellText(1, row) + " | " + document.JournalCellText(2, row) + "\n";
    return out;
}

} // namespace

TEST(GoldenFiles, LoadersReadWhatWasRecorded) {
    for (const char* name : {"recorded.realtim", "older/recorded.dep"}) {
        const std::string path = std::string(VORNELL_TEST_DATA_DIR "/") + name;
        Recorder reporter;
        Storage document(reporter);
        ASSERT_TRUE(document.Open(path)) << name;
        EXPECT_TRUE(reporter.reports.empty()) << name;
        EXPECT_EQ(summary(document), file_text(path + ".summary.txt")) << name;
    }
}
