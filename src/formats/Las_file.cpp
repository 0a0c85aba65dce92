#include "formats/Las_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>
#include <type_traits>
#include <variant>

#include "datafile/Assembling.h"
#include "datafile/Journal.h"
#include "formats/Formats.h"
#include "formats/Records_csv.h"
#include "library/Binary_io.h"
#include "library/Codepage.h"
#include "library/Mytime.h"

namespace {

constexpr const char* null_text = "-999.25";
constexpr std::size_t longest_mnemonic = 16;

// Mnemonics of the catalogue's parameters: the industry's where there is one.
constexpr std::pair<const char*, const char*> catalogue_mnemonics[] = {
    {"вес_на_крюке", "HKLD"},
    {"давление_на_входе", "SPPA"},
    {"ходы_насоса", "SPMT"},
    {"ходы_насоса1", "SPM1"},
    {"ходы_насоса2", "SPM2"},
    {"ходы_насоса3", "SPM3"},
    {"момент_ротора", "TORQ"},
    {"обороты_ротора", "RPM"},
    {"тальблок", "BPOS"},
    {"нагрузка", "WOB"},
    {"глубина_над_забоем", "HOB"},
    {"давление_в_затрубъе", "ANNP"},
    {"момент_на_ключе", "TONG"},
    {"уровень_в_емкости", "TLV1"},
    {"уровень_в_емкости2", "TLV2"},
    {"уровень_в_емкости3", "TLV3"},
    {"уровень_в_емкости4", "TLV4"},
    {"уровень_в_емкости5", "TLV5"},
    {"уровень_в_емкости6", "TLV6"},
    {"уровень_в_долив_емкости", "TTLV"},
    {"объем_в_емкости1", "TVOL1"},
    {"объем_в_емкости2", "TVOL2"},
    {"объем_в_емкости3", "TVOL3"},
    {"объем_в_емкости4", "TVOL4"},
    {"объем_в_емкости5", "TVOL5"},
    {"объем_в_емкости6", "TVOL6"},
    {"объем_в_долив_емкости", "TTVOL"},
    {"объем_емкости", "PVT"},
    {"объем_актив_емкости", "ACTV"},
    {"плотность_на_входе", "MDI"},
    {"плотность_на_выходе", "MDO"},
    {"температура_на_входе", "MTI"},
    {"температура_на_выходе", "MTO"},
    {"электропроводность_на_входе", "MCI"},
    {"электропроводность_на_выходе", "MCO"},
    {"расход_на_входе", "MFI"},
    {"расход_на_выходе", "MFO"},
    {"объем_раствора", "MVOL"},
    {"скорость_спо", "TRPS"},
    {"скорость_механическая", "ROP"},
    {"дмк", "DMK"},
    {"скорость_бурения", "ROPD"},
    {"метан_абс", "C1"},
    {"этан_абс", "C2"},
    {"пропан_абс", "C3"},
    {"бутан_абс", "C4"},
    {"пентан_абс", "C5"},
    {"гексан_абс", "C6"},
    {"метан_отн", "C1R"},
    {"этан_отн", "C2R"},
    {"пропан_отн", "C3R"},
    {"бутан_отн", "C4R"},
    {"пентан_отн", "C5R"},
    {"гексан_отн", "C6R"},
    {"сумм_газ2", "TGI"},
    {"сумм_газ3", "TGE"},
    {"сумм_газ", "TGC"},
    {"максимальный_газ", "GMAX"},
    {"дифф_плотность", "MDD"},
    {"дифф_расход", "MFD"},
    {"дифф_темпер", "MTD"},
    {"дифф_электропроводность", "MCD"},
    {"параметр1", "PAR1"},
    {"параметр2", "PAR2"},
    {"параметр3", "PAR3"},
    {"параметр4", "PAR4"},
    {"параметр5", "PAR5"},
    {"параметр6", "PAR6"},
    {"параметр7", "PAR7"},
    {"параметр8", "PAR8"},
    {"параметр9", "PAR9"},
    {"параметр10", "PAR10"},
    {"общий_вес", "STRW"},
    {"сероводород", "H2S"},
    {"водород", "H2"},
    {"обороты_турбины", "TRPM"},
    {"закачанный_раствор", "PMPV"},
    {"число_свечей", "STND"},
    {"положение_клиньев", "SLIP"},
    {"плотн_пж_вх_радиоакт", "MDIR"},
    {"плотн_пж_вых_радиоакт", "MDOR"},
    {"уд_сопротивл_вх", "MRI"},
    {"уд_сопротивл_вых", "MRO"},
};

// The run information in "~PARAMETER INFORMATION", each field only when it is set.
struct RunParameter {
    const char* mnemonic;
    RaceField::Member member;
    const char* unit;
    const char* description;
};

#define MEMBER(name) &RaceInfo::name
const RunParameter run_parameters[] = {
    {"RUN", MEMBER(run_number), "", "Номер рейса"},
    {"DMTH", MEMBER(drill_type), "", "Способ бурения"},
    {"OPER", MEMBER(operator_name), "", "Операторы"},
    {"MAST", MEMBER(master), "", "Мастер"},
    {"WCAT", MEMBER(well_category), "", "Категория скважины"},
    {"RSTM", MEMBER(start_time), "", "Начало рейса"},
    {"RETM", MEMBER(end_time), "", "Окончание рейса"},
    {"SDEP", MEMBER(start_depth), "м", "Глубина в начале рейса"},
    {"EDEP", MEMBER(end_depth), "м", "Глубина в конце рейса"},
    {"FOOT", MEMBER(footage), "м", "Проходка"},
    {"TSTP", MEMBER(time_step), "", "Шаг записи по времени"},
    {"DSTP", MEMBER(depth_step), "м", "Шаг записи по глубине"},
    {"BS", MEMBER(bit_diameter), "мм", "Диаметр долота"},
    {"HD", MEMBER(well_diameter), "", "Диаметр скважины"},
    {"BTYP", MEMBER(bit_type), "", "Типоразмер долота"},
    {"BNUM", MEMBER(bit_number), "", "Заводской номер долота"},
    {"BWI", MEMBER(initial_bit_wear), "", "Начальный износ долота"},
    {"BWR", MEMBER(bit_wear), "", "Код износа долота"},
    {"MOTR", MEMBER(motor_type), "", "Типоразмер ЗД"},
    {"BHA", MEMBER(assembly), "", "Компоновка"},
    {"PUMP", MEMBER(pump), "", "Насос"},
    {"TDRL", MEMBER(drilling_time), "", "Время бурения"},
    {"TCIR", MEMBER(circulation_time), "", "Время циркуляции"},
    {"TTRP", MEMBER(trip_time), "", "Время СПО"},
    {"TFLS", MEMBER(flushing_time), "", "Время промывки"},
    {"TREA", MEMBER(reaming_time), "", "Время проработки"},
    {"WOBA", MEMBER(avg_load), "т", "Средняя нагрузка"},
    {"SPPM", MEMBER(avg_pressure), "атм", "Среднее давление ПЖ"},
    {"FLWA", MEMBER(avg_flow), "л/с", "Средний расход ПЖ"},
    {"ROPR", MEMBER(run_speed), "м/ч", "Рейсовая скорость"},
    {"DFT", MEMBER(mud_type), "", "Тип раствора"},
    {"DFD", MEMBER(avg_density), "г/см3", "Средняя плотность ПЖ"},
    {"DFV", MEMBER(viscosity), "", "Вязкость"},
    {"DFL", MEMBER(filtration), "", "Фильтрация"},
    {"DFPH", MEMBER(ph), "", "pH"},
    {"RM", MEMBER(resistivity), "ом/м", "Удельное сопротивление"},
    {"CHL", MEMBER(chl), "", "CHl"},
    {"CAKE", MEMBER(cake_thickness), "мм", "Толщина корки"},
    {"SAND", MEMBER(sand_percent), "%", "Процент песка"},
    {"STAB", MEMBER(stability), "", "Стабильность"},
    {"STCK", MEMBER(stickiness), "", "Липкость"},
};
#undef MEMBER

// Latin letters for Cyrillic А..Я, in code page order.
constexpr const char* latin_of[32] = {
    "A", "B", "V", "G", "D", "E",  "ZH", "Z",  "I",  "Y",    "K", "L", "M", "N", "O",  "P",
    "R", "S", "T", "U", "F", "KH", "TS", "CH", "SH", "SHCH", "",  "Y", "",  "E", "YU", "YA"};

std::string value_text(float value) {
    return std::isfinite(value) ? shortest_float(value) : null_text;
}

// A text that is set: not empty and not the archive texts' default.
std::string set_text(const std::string& text) {
    return text == race_not_set ? std::string() : text;
}

// The run field's text, empty when it is not set.
std::string field_text(const RaceInfo& race, const RaceField::Member& member) {
    return std::visit(
        [&](auto field) -> std::string {
            const auto& value = race.*field;
            using V = std::remove_cvref_t<decltype(value)>;
            if constexpr (std::is_same_v<V, RaceInfo::DrillType>) {
                // Native files bring the method back as its number, older run files as its
                // name; a run without either has none.
                const std::string& text = race.drill_method_text;
                std::int32_t number = 0;
                const auto [end, error] =
                    std::from_chars(text.data(), text.data() + text.size(), number);
                return !text.empty() && error == std::errc() && end == text.data() + text.size()
                           ? RaceInfo::drill_type_name(number)
                           : text;
            } else if constexpr (std::is_same_v<V, std::string>) {
                return set_text(value);
            } else if constexpr (std::is_same_v<V, std::uint32_t>) { // a time value
                return value == 0 || value == lib::no_time
                           ? std::string()
                           : lib::iso_date_time(lib::time_to_parts(value), 'T');
            } else if constexpr (std::is_same_v<V, double>) {
                return value == 0 || !std::isfinite(value) ? std::string() : shortest_double(value);
            } else {
                return value == 0 ? std::string() : std::to_string(std::int64_t{value});
            }
        },
        member);
}

// The mnemonic made from a name: transliterated, upper case, runs of other characters as '_'.
std::string mnemonic_of_name(std::string_view utf8) {
    std::string out;
    for (const char c : lib::to_cp1251(utf8)) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z'))
            out += c;
        else if (b >= 'a' && b <= 'z')
            out += static_cast<char>(b - 'a' + 'A');
        else if (b >= 0xC0)
            out += latin_of[(b - 0xC0) % 32];
        else if (b == 0xA8 || b == 0xB8) // Ё, ё
            out += 'E';
        else if (!out.empty() && out.back() != '_')
            out += '_';
    }
    while (!out.empty() && out.back() == '_')
        out.pop_back();
    return out.substr(0, longest_mnemonic);
}

std::string parameter_mnemonic(const FileStorageParam& p, int index) {
    for (const auto& [ident, mnemonic] : catalogue_mnemonics)
        if (lib::equal_ident(p.ident, ident))
            return mnemonic;
    for (const std::string* name : {&p.short_name, &p.name})
        if (std::string made = mnemonic_of_name(*name); !made.empty())
            return made;
    return "PAR" + std::to_string(index + 1);
}

// The mnemonic, or one with a number after it when the section has it already.
std::string unique(const std::string& wanted, std::set<std::string>& used) {
    std::string mnemonic = wanted;
    for (int n = 2; used.count(mnemonic); ++n) {
        const std::string suffix = "_" + std::to_string(n);
        mnemonic = wanted.substr(0, longest_mnemonic - suffix.size()) + suffix;
    }
    used.insert(mnemonic);
    return mnemonic;
}

std::size_t characters(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void pad_to(std::string& out, std::size_t line_start, std::size_t column) {
    const std::size_t used = characters(std::string_view(out).substr(line_start));
    out.append(used < column ? column - used : 1, ' ');
}

// Line breaks end a line and tabs are taken for separators: both become blanks, and in the
// unit every blank becomes '_', since the unit ends at the first blank.
std::string cleaned(std::string_view text, char blank) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n' || c == '\t' || (blank != ' ' && c == ' '))
            c = blank;
    return out;
}

// " MNEM.UNIT      DATA : DESCRIPTION", the data set against the colon as the standard's
// examples have it (readers that take the data for the field between runs of blanks find it
// there too). Readers split at the first dot, the first blank after it and the last colon, so
// the description must hold none.
void append_line(std::string& out, std::string_view mnemonic, std::string_view unit,
                 std::string_view data, std::string_view description) {
    const std::size_t start = out.size();
    out += ' ';
    out += mnemonic;
    out += '.';
    out += cleaned(unit, '_');
    const std::string text = cleaned(data, ' ');
    pad_to(out, start, 41 - std::min<std::size_t>(characters(text), 22));
    out += text;
    out += " : ";
    std::string words = cleaned(description, ' ');
    std::replace(words.begin(), words.end(), ':', ';');
    out += words;
    out += "\r\n";
}

void append_field(std::string& out, std::string_view text, std::size_t width) {
    if (text.size() < width)
        out.append(width - text.size(), ' ');
    out += text;
}

} // namespace

void LasSummary::add(const FileStorageItem& item) {
    if (count_ == 0) {
        first_time_ = item.time;
    } else {
        const std::int64_t step = std::int64_t{item.time} - last_time_;
        if (count_ == 1)
            step_ = step;
        else if (step != step_)
            regular_ = false;
    }
    last_time_ = item.time;
    ++count_;
    for (const float depth : {item.depth1, item.depth2, item.depth3})
        has_depth_ = has_depth_ || depth != 0.0f;
}

LasSummary las_summary(const FileStorage& model) {
    LasSummary summary;
    model.for_each_record([&](const FileStorageItem& item) { summary.add(item); });
    return summary;
}

LasWriter::LasWriter(const FileStorage& model, const LasSummary& summary, LasEncoding encoding)
    : model_(model), summary_(summary), encoding_(encoding) {
    std::set<std::string> used;
    mnemonics_.push_back(unique("TIME", used));
    for (int k = 0; k < model.param_count(); ++k)
        mnemonics_.push_back(unique(parameter_mnemonic(*model.param(k), k), used));
    if (summary.has_depth())
        for (const char* depth : {"DEPT1", "DEPT2", "DEPT3"})
            mnemonics_.push_back(unique(depth, used));
}

void LasWriter::write_header(const LogStorage& journal, lib::io::BinaryOutputStream& sink) const {
    const RaceInfo& race = model_.text_values();
    const bool records = !summary_.empty();
    const lib::time_parts first = lib::time_to_parts(summary_.first_time());
    const std::int64_t stop = std::int64_t{summary_.last_time()} - summary_.first_time();

    std::string out = "~VERSION INFORMATION\r\n";
    append_line(out, "VERS", "", "2.0", "CWLS LOG ASCII STANDARD - VERSION 2.0");
    append_line(out, "WRAP", "", "NO", "ONE LINE PER TIME STEP");

    out += "~WELL INFORMATION\r\n";
    append_line(out, "STRT", "S", "0", "Начало записи");
    append_line(out, "STOP", "S", std::to_string(records ? stop : 0), "Конец записи");
    append_line(out, "STEP", "S", std::to_string(summary_.step()), "Шаг (0 - неравномерный)");
    append_line(out, "NULL", "", null_text, "Нет значения");
    append_line(out, "COMP", "", set_text(race.customer), "Заказчик");
    append_line(out, "WELL", "", set_text(race.well), "Скважина");
    append_line(out, "FLD", "", set_text(race.area), "Площадь");
    append_line(out, "LOC", "", set_text(race.oil_field), "Месторождение");
    append_line(out, "SRVC", "", "", "Сервисная компания");
    append_line(out, "DATE", "", records ? lib::iso_date(first) : "", "Дата первой записи");
    append_line(out, "UWI", "", "", "Уникальный номер скважины");

    out += "~CURVE INFORMATION\r\n";
    std::size_t column = 0;
    append_line(out, mnemonics_[column++], "S", "", "Время от начала записи");
    for (int k = 0; k < model_.param_count(); ++k) {
        const FileStorageParam& p = *model_.param(k);
        append_line(out, mnemonics_[column++], p.unit, "", p.name);
    }
    if (summary_.has_depth())
        for (const char* depth : {"Глубина 1", "Глубина 2", "Глубина 3"})
            append_line(out, mnemonics_[column++], "M", "", depth);

    out += "~PARAMETER INFORMATION\r\n";
    append_line(out, "TREF", "", records ? lib::iso_date_time(first, 'T') : "",
                "Начало отсчёта времени (часы регистратора)");
    for (const RunParameter& p : run_parameters)
        if (const std::string text = field_text(race, p.member); !text.empty())
            append_line(out, p.mnemonic, p.unit, text, p.description);

    // Whole lines at a time, so each piece converts on its own.
    const auto flush = [&] {
        const std::string bytes = encoding_ == LasEncoding::cp1251 ? lib::to_cp1251(out) : out;
        sink.write(bytes.data(), bytes.size());
        out.clear();
    };
    if (journal.Count() > 0)
        out += "~OTHER\r\n";
    for (int row = 0; row < journal.Count(); ++row) {
        // Indented, so no line can begin a section.
        out += ' ';
        out += cleaned(journal.CellText(0, row, true) + "  " + journal.CellText(1, row, true) +
                           "  " + journal.CellText(2, row, true),
                       ' ');
        out += "\r\n";
        if (out.size() > (1u << 16))
            flush();
    }
    out += "~ASCII\r\n";
    flush();
}

void LasWriter::append_record(std::string& out, const FileStorageItem& item) const {
    append_field(out, std::to_string(std::int64_t{item.time} - summary_.first_time()), 10);
    for (int k = 0; k < model_.param_count(); ++k) {
        const auto v = static_cast<std::size_t>(k);
        out += ' ';
        append_field(out, v < item.values.size() ? value_text(item.values[v]) : null_text, 12);
    }
    if (summary_.has_depth())
        for (const float depth : {item.depth1, item.depth2, item.depth3}) {
            out += ' ';
            append_field(out, value_text(depth), 12);
        }
    out += "\r\n";
}

namespace las_file {

void write(const FileStorage& data, const LogStorage& journal, const ExportOptions& options,
           lib::io::BinaryOutputStream& out) {
    const LasWriter writer(data, las_summary(data), options.las_encoding);
    writer.write_header(journal, out);
    std::string text;
    data.for_each_record([&](const FileStorageItem& item) {
        writer.append_record(text, item);
        if (text.size() > (1u << 16)) {
            out.write(text.data(), text.size());
            text.clear();
        }
    });
    out.write(text.data(), text.size());
}

} // namespace las_file
