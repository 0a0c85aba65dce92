// vornell-cli info and records: a data file's description and its records.
#include <charconv>
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "datafile/Assembling.h"
#include "document/Storage.h"
#include "formats/Records_csv.h"

namespace {

std::string single_file(const std::vector<std::string>& args) {
    if (args.size() != 1)
        throw UsageError("expected exactly one FILE argument");
    return args[0];
}

// JSON keeps the float's shortest text: 0.1f prints as 0.1, not as its double expansion.
nlohmann::ordered_json float_json(float value) {
    const std::string text = shortest_float(value);
    double widened = 0;
    std::from_chars(text.data(), text.data() + text.size(), widened);
    return widened;
}

nlohmann::ordered_json race_json(const RaceInfo& r) {
    nlohmann::ordered_json j;
    for (const RaceField& f : race_fields())
        f.visit(r, [&](const auto& value) { j[f.name] = value; });
    return j;
}

} // namespace

nlohmann::ordered_json model_info_json(const std::string& file, const FileStorage& model) {
    nlohmann::ordered_json j;
    j["file"] = file;
    j["native_format"] = model.native_format();
    j["params"] = nlohmann::ordered_json::array();
    for (int i = 0; i < model.param_count(); ++i) {
        const FileStorageParam& p = *model.param(i);
        j["params"].push_back({{"name", p.name},
                               {"short_name", p.short_name},
                               {"unit", p.unit},
                               {"ident", p.ident},
                               {"low", float_json(p.low)},
                               {"high", float_json(p.high)}});
    }
    const int count = model.item_count();
    j["item_count"] = count;
    j["first_time"] = count ? nlohmann::ordered_json(model.time(0)) : nullptr;
    j["last_time"] = count ? nlohmann::ordered_json(model.time(count - 1)) : nullptr;
    j["messages"] = model.messages();
    j["text_lines"] = model.text_values().lines.lines();
    j["remarks"] = nlohmann::ordered_json::array();
    for (const auto& r : model.remarks())
        j["remarks"].push_back({{"number1", r.number1}, {"number2", r.number2}, {"text", r.text}});
    j["race"] = race_json(model.text_values());
    return j;
}

int cmd_info(const std::vector<std::string>& args) {
    const std::string path = single_file(args);
    // Opened as the window opens it, journal companion included.
    Storage doc(stderr_reporter());
    if (!open_document(doc, path))
        return 1;
    nlohmann::ordered_json j = model_info_json(path, doc.Data());
    j["journal_count"] = doc.JournalCount();
    j["sensor_type"] = doc.SensorType();
    j["unit"] = doc.Unit();
    // Texts from files are valid UTF-8 after decoding; replace anything else rather than fail.
    std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return std::cout.flush() ? 0 : 1;
}

int cmd_records(const std::vector<std::string>& args) {
    const std::string path = single_file(args);
    FileStorage model;
    load_model(model, path, true);

    records_csv(model,
                [](std::string_view piece) { std::fwrite(piece.data(), 1, piece.size(), stdout); });
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
