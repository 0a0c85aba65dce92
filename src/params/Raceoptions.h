#pragma once
// RaceInfo: the description of one drilling run (where, bit and motor, when, averages, the mud),
// and race_fields, the one table of its fields that every representation of a run walks.
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "library/Inioptions.h"
#include "library/Optsbase.h"

namespace lib::io {
class BinaryOutputStream;
class BinaryInputStream;
} // namespace lib::io

// The archive texts' default: nothing was entered.
inline constexpr const char* race_not_set = "::НЕ ЗАДАНО::";

class RaceInfo : public lib::ini_options, public lib::options_base {
public:
    enum DrillType : std::int32_t {
        rotary = 0,
        turbine = 1,
        rotary_turbine = 2,
        electric = 3,
        emergency = 4,
        other = 5,
    };

    RaceInfo();

    void describe(lib::options_list& list) override;
    void describe_ini(lib::ini_options_elements& elements) override;
    // 168 bytes of numbers, then 23 texts, in the binary places of the field table.
    virtual void serialize(lib::io::BinaryOutputStream& stream) const;
    virtual void serialize(lib::io::BinaryInputStream& stream);
    virtual std::string type_name() const { return "RaceInfoNew"; }

    // The run file beside a data file: its name up to the first "." plus "rac"; empty when the
    // file name has no ".".
    static std::string run_file_path(const std::string& data_path);
    // "Роторное" .. "Другое"; "::ОШИБКА::" for any other value.
    static std::string drill_type_name(std::int32_t value);

    DrillType drill_type = rotary;
    std::int32_t run_number = 0;
    std::int32_t time_step = 0;
    std::int32_t drilling_time = 0;
    std::int32_t circulation_time = 0;
    std::int32_t trip_time = 0;
    std::int32_t flushing_time = 0;
    std::int32_t reaming_time = 0;
    std::uint32_t start_time = 4294967295u;
    std::uint32_t end_time = 4294967295u;
    double footage = 0;
    double well_diameter = 0;
    double bit_diameter = 0;
    double depth_step = 0;
    double start_depth = 0;
    double end_depth = 0;
    double avg_load = 0;
    double avg_density = 0;
    double avg_pressure = 0;
    double avg_flow = 0;
    double run_speed = 0;
    double cake_thickness = 0;
    double ph = 0;
    double resistivity = 0;
    double chl = 0;
    double sand_percent = 0;
    std::string stability;
    std::string mud_type;
    std::string viscosity;
    std::string filtration;
    std::string stickiness;
    std::string assembly;
    std::string bit_type;
    std::string customer;
    std::string oil_field;
    std::string master;
    std::string motor_type;
    std::string pump;
    std::string operator_name;
    std::string well;
    std::string bit_number;
    std::string initial_bit_wear;
    std::string area;
    std::string well_category;
    std::string time_file;
    std::string depth_file;
    std::string real_depth_file;
    std::string bit_wear;
    std::string drill_method_text;

protected:
    // The method text is a derived copy of drill_type, refreshed before every INI pass.
    void before_save(lib::ini_file& file) override;
    void before_load(lib::ini_file& file) override;
};

struct RaceSection {
    const char* key;
    const char* caption;
};

// One row of the field table, which the binary record, the run file (INI), the option
// description, the data file's text lines and the JSON of vornell-cli all walk. A place is the
// field's position in that representation's order, counted from 1; 0 means it is not there.
struct RaceField {
    struct RunFile {
        int place = 0;
        const char* section = nullptr;
        const char* key = nullptr;
    };
    struct Line {
        // Place 0 with a key: the key is only read into this field.
        int place = 0;
        const char* key = nullptr;
        const char* alias = nullptr; // also read, after the key, into the same field
    };
    struct Default {
        constexpr Default() = default;
        constexpr Default(int n) : number(n) {}
        constexpr Default(const char* t) : text(t) {}
        int number = 0;
        const char* text = "";
    };
    struct Option {
        int place = 0;
        const RaceSection* section = nullptr;
        const char* key = nullptr;
        Default value = {};
        const char* caption = "";
        const char* unit = ""; // the items text for the enumeration
        int decimals = 0;
    };
    using Member =
        std::variant<RaceInfo::DrillType RaceInfo::*, std::int32_t RaceInfo::*,
                     std::uint32_t RaceInfo::*, double RaceInfo::*, std::string RaceInfo::*>;

    const char* name; // the member's name, also its JSON key
    Member member;
    int binary;
    RunFile run_file = {};
    Line line = {};
    Option option = {};

    // Calls visit with the field of race (a RaceInfo or a class derived from it).
    template <class Race, class Visit> void visit(Race& race, Visit&& visit) const {
        std::visit([&](auto field) { visit(race.*field); }, member);
    }
};

// Every field once, in declared order.
std::span<const RaceField> race_fields();

enum class RaceOrder { binary, run_file, text_lines, options };
// The fields that a representation holds, in its order.
const std::vector<const RaceField*>& race_fields(RaceOrder order);
