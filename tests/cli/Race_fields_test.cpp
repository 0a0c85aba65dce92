// Every row of the run information table against the four places a field lives in: the binary
// record, the run file, the data file's text lines and the JSON of "info".
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Cli_run.h"
#include "datafile/Assembling.h"
#include "formats/Formats.h"
#include "library/Binary_io.h"

namespace {

// A value of its own for every field; seeds give different values.
RaceInfo filled(int seed) {
    RaceInfo r;
    int i = seed * 100;
    for (const RaceField& f : race_fields())
        f.visit(r, [&](auto& value) {
            using V = std::remove_cvref_t<decltype(value)>;
            if constexpr (std::is_same_v<V, std::string>)
                value = "текст " + std::to_string(++i);
            else if constexpr (std::is_same_v<V, RaceInfo::DrillType>)
                value = static_cast<RaceInfo::DrillType>(seed % 6);
            else if constexpr (std::is_same_v<V, std::uint32_t>)
                value = 4'000'000'000u + ++i; // beyond the signed range
            else if constexpr (std::is_same_v<V, std::int32_t>)
                value = -++i;
            else
                value = ++i + 0.25;
        });
    return r;
}

nlohmann::json json_of(const RaceField& f, const RaceInfo& r) {
    nlohmann::json j;
    f.visit(r, [&](const auto& value) { j = value; });
    return j;
}

} // namespace

TEST(RaceFieldTable, EveryOrderListsItsFieldsOnce) {
    using Place = int (*)(const RaceField&);
    const std::pair<RaceOrder, Place> orders[] = {
        {RaceOrder::binary, [](const RaceField& f) { return f.binary; }},
        {RaceOrder::run_file, [](const RaceField& f) { return f.run_file.place; }},
        {RaceOrder::text_lines, [](const RaceField& f) { return f.line.place; }},
        {RaceOrder::options, [](const RaceField& f) { return f.option.place; }}};
    for (const auto& [order, place] : orders) {
        const auto& fields = race_fields(order);
        EXPECT_EQ(fields.size(), std::count_if(race_fields().begin(), race_fields().end(),
                                               [&](const RaceField& f) { return place(f) > 0; }));
        for (std::size_t i = 0; i < fields.size(); ++i)
            EXPECT_TRUE(fields[i] && place(*fields[i]) == static_cast<int>(i) + 1) << i;
    }
}

TEST(RaceFieldTable, EveryFieldSurvivesEachRepresentation) {
    ScratchDir dir;
    const RaceInfo written = filled(1), other = filled(2);

    lib::io::BinaryMemoryOutputStream bytes;
    written.serialize(bytes);
    RaceInfo binary;
    lib::io::InputMemoryView in(bytes.data(), bytes.size());
    binary.serialize(in);
    EXPECT_TRUE(in.at_end());

    RaceInfo writer = written, run_file = other;
    ASSERT_TRUE(writer.save_to_file(dir.file("run.rac")));
    ASSERT_TRUE(run_file.load_from_file(dir.file("run.rac")));

    FileStorage model;
    static_cast<RaceInfo&>(model.text_values()) = written;
    save_data_file(model, dir.file("run.realtim"), false);
    FileStorage lines;
    load_data_file(lines, dir.file("run.realtim"), false);
    const RaceInfo& read = lines.text_values();

    const CliRun info = run_cli(dir, "info " + dir.file("run.realtim"));
    ASSERT_EQ(info.code, 0) << info.err;
    const auto json = nlohmann::json::parse(info.out)["race"];
    EXPECT_EQ(json.size(), race_fields().size());

    const RaceInfo fresh;
    for (const RaceField& f : race_fields()) {
        const std::string_view name = f.name;
        const nlohmann::json value = json_of(f, written);
        EXPECT_EQ(json_of(f, binary), value) << name;
        const bool method_text = name == "drill_method_text";
        // Every run-file pass first makes the method text the method's name.
        nlohmann::json expected = f.run_file.place ? value : json_of(f, other);
        if (method_text)
            expected = RaceInfo::drill_type_name(written.drill_type);
        EXPECT_EQ(json_of(f, run_file), expected) << name;
        // The method's number is not read back; it returns as the text that reads its key.
        expected = f.line.place && name != "drill_type" ? value : json_of(f, fresh);
        if (method_text)
            expected = std::to_string(written.drill_type);
        EXPECT_EQ(json_of(f, read), expected) << name;
        EXPECT_EQ(json[f.name], json_of(f, read)) << name;
        if (f.line.alias) {
            FileStorage alias;
            const std::string second = "по второму ключу";
            alias.text_values().lines.assign({std::string(f.line.alias) + "=" + second});
            alias.text_values().lines_to_race();
            EXPECT_EQ(json_of(f, alias.text_values()), second) << name;
        }
    }
}
