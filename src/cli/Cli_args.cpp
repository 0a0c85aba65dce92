// Splitting a command's arguments into positional ones and options.
#include <algorithm>

#include "cli/Commands.h"

ParsedArgs parse_args(const std::vector<std::string>& args,
                      std::initializer_list<std::string_view> with_value,
                      std::initializer_list<std::string_view> flags) {
    const auto listed = [](std::initializer_list<std::string_view> names, const std::string& a) {
        return std::find(names.begin(), names.end(), a) != names.end();
    };
    ParsedArgs parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (listed(with_value, a)) {
            if (i + 1 >= args.size())
                throw UsageError(a + " needs a value");
            parsed.options[a] = args[++i];
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
