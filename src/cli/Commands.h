#pragma once
// The commands of vornell-cli (cmd_info .. cmd_print, in the Cli_*.cpp files) and what they
// share: parse_args, stderr_reporter, model_info_json.
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

class FileStorage;
class Reporter;

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options; // a flag's value is empty
};
// Options in with_value take the next argument; flags take none; any other "--" argument is a
// UsageError. The last of a repeated option wins.
ParsedArgs parse_args(const std::vector<std::string>& args,
                      std::initializer_list<std::string_view> with_value,
                      std::initializer_list<std::string_view> flags = {});

// Each command takes the arguments after its name and returns the exit code: 0 done, 1 a
// reported failure (its message already on stderr). Wrong arguments raise UsageError, which main
// turns into the usage text and exit code 2.
int cmd_info(const std::vector<std::string>& args);
int cmd_records(const std::vector<std::string>& args);
int cmd_journal(const std::vector<std::string>& args);
int cmd_convert(const std::vector<std::string>& args);
int cmd_read(const std::vector<std::string>& args);
int cmd_report(const std::vector<std::string>& args);
int cmd_render(const std::vector<std::string>& args);
int cmd_print(const std::vector<std::string>& args);

// Prints the text that the window would show in its message box on stderr.
Reporter& stderr_reporter();

// The object that "info" prints for a loaded model; callers may add keys of their own.
nlohmann::ordered_json model_info_json(const std::string& file, const FileStorage& model);
