// Splitting a command's arguments into positional ones and options, whole-number options and
// moments, and the check of an output.
#include <algorithm>
#include <climits>

#include "cli/Commands.h"
#include "document/Storage.h"
#include "library/Codepage.h"
#include "library/Fileworks.h"
#include "library/Mytime.h"

ParsedArgs parse_args(const std::vector<std::string>& args,
                      const std::vector<std::string_view>& with_value,
                      const std::vector<std::string_view>& flags) {
    const auto listed = [](const std::vector<std::string_view>& names, const std::string& a) {
        return std::find(names.begin(), names.end(), a) != names.end();
    };
    ParsedArgs parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (listed(with_value, a)) {
            if (i + 1 >= args.size())
                throw UsageError(a + " needs a value");
            parsed.options[a] = args[++i];
            parsed.given.emplace_back(a, args[i]);
        } else if (listed(flags, a)) {
            parsed.options[a] = "";
        } else if (a.rfind("--", 0) == 0) {
            throw UsageError("unknown option " + a);
        } else {
            parsed.positional.push_back(a);
        }
    }
    return parsed;
}

int whole_option(const ParsedArgs& parsed, const char* name, int fallback, int low, int high) {
    const auto it = parsed.options.find(name);
    if (it == parsed.options.end())
        return fallback;
    int value = 0;
    if (!parse_number(it->second, value) || value < low || value > high)
        throw UsageError(std::string(name) + " needs a whole number from " + std::to_string(low) +
                         (high == INT_MAX ? "" : " to " + std::to_string(high)));
    return value;
}

std::uint32_t parse_when(std::string_view text, const char* name) {
    std::uint32_t t = 0;
    if (parse_number(text, t))
        return t;
    lib::time_parts p;
    const auto field = [&](std::size_t at, std::size_t size, int& value) {
        return parse_number(text.substr(at, size), value);
    };
    // A date the calendar has not, or one before 1970 or past 2106, does not come back from
    // the time value as it went in.
    if (text.size() == 19 && text[4] == '-' && text[7] == '-' &&
        (text[10] == 'T' || text[10] == ' ') && text[13] == ':' && text[16] == ':' &&
        field(0, 4, p.year) && field(5, 2, p.month) && field(8, 2, p.day) && field(11, 2, p.hour) &&
        field(14, 2, p.minute) && field(17, 2, p.second) && p.month >= 1 && p.month <= 12 &&
        p.day >= 1 && p.hour < 24 && p.minute < 60 && p.second < 60) {
        t = lib::parts_to_time(p.year, p.month, p.day, p.hour, p.minute, p.second);
        if (lib::time_to_parts(t) == p)
            return t;
    }
    throw UsageError(std::string(name) +
                     " needs YYYY-MM-DDTHH:MM:SS, YYYY-MM-DD HH:MM:SS or a time value, not '" +
                     std::string(text) + "'");
}

void check_output(const std::string& input, const std::string& output,
                  std::initializer_list<std::string_view> extensions) {
    // Without the dot, in lower case; empty without an extension.
    const std::size_t dot = std::min(lib::io::extension_start(output) + 1, output.size());
    if (std::find(extensions.begin(), extensions.end(), lib::lower_ident(output.substr(dot))) ==
        extensions.end()) {
        std::string kinds;
        for (const std::string_view extension : extensions)
            kinds += (kinds.empty() ? "." : " or .") + std::string(extension);
        throw UsageError("OUT must be a " + kinds + " file, not '" + output + "'");
    }
    check_not_input(input, output);
}

void check_not_input(const std::string& input, const std::string& output) {
    if (const std::string file = Storage::OwnFile(input, output); !file.empty())
        throw UsageError("OUT '" + output + "' is the file '" + file +
                         "' of the input document; it is not written over");
}
