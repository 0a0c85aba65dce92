#pragma once
// The commands of vornell-cli (cmd_info .. cmd_stats, in the Cli_*.cpp files) and what they
// share: parse_args, check_output, whole_option, parse_when, the drawing options,
// stderr_reporter, open_document, model_info_json.
#include <charconv>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis/Activity.h"

class FileStorage;
class QGuiApplication;
class Reporter;
class Storage;

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options; // a flag's value is empty
    // Every option with a value in the order given, for the options that may be repeated.
    std::vector<std::pair<std::string, std::string>> given;
};
// Options in with_value take the next argument; flags take none; any other "--" argument is a
// UsageError. The last of a repeated option wins in options.
ParsedArgs parse_args(const std::vector<std::string>& args,
                      const std::vector<std::string_view>& with_value,
                      const std::vector<std::string_view>& flags = {});

// Refuses with a UsageError, before anything is opened, an output of another kind than the
// command writes (extensions without the dot, any case) and an output that is one of the files
// the input's document consists of, however it is spelt: writing it would destroy what the
// command reads. An output that does not exist yet is fine.
void check_output(const std::string& input, const std::string& output,
                  std::initializer_list<std::string_view> extensions);
// The second half of check_output alone, for convert, whose outputs are data files of any kind.
void check_not_input(const std::string& input, const std::string& output);
// Refuses with a UsageError a save of doc to out that would replace a file of another one
// beside it (Storage::ForeignCompanions); --force lets it.
void check_no_foreign_companions(const Storage& doc, const std::string& out);

// The number that is the whole of text (whole numbers in base); false for anything else.
template <class Number> bool parse_number(std::string_view text, Number& value, int base = 10) {
    const char* const end = text.data() + text.size();
    std::from_chars_result result;
    if constexpr (std::is_floating_point_v<Number>)
        result = std::from_chars(text.data(), end, value);
    else
        result = std::from_chars(text.data(), end, value, base);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

// The whole number of option name from low to high; fallback when it is not given.
int whole_option(const ParsedArgs& parsed, const char* name, int fallback, int low, int high);
// A moment as the window shows it, YYYY-MM-DDTHH:MM:SS or YYYY-MM-DD HH:MM:SS on the
// recording's own clock, or a time value as a plain number; a UsageError naming the option name
// for anything else, a date the calendar has not included.
std::uint32_t parse_when(std::string_view text, const char* name);

// The options render and print share, with one meaning and one set of limits.
struct DrawingOptions {
    int scale = 3; // index into GraphPoints::scale_minutes: 10 minutes per centimetre
    int curve = 0; // a curve the document does not have draws the empty chart
    double left = 0, right = 200;
    std::uint32_t bgr = 0xFF0000; // blue-green-red; written RRGGBB, 0000FF
    int dpi = 96;                 // pixels per inch of the screen whose scale is drawn
    bool events = true;           // the journal's events over the chart
    bool slips = true;            // the in-slips periods and the block weight under the curve
    analysis::ActivitySettings activity;
};
// own followed by the names of the drawing options, for parse_args: those with a value, and
// the flags.
std::vector<std::string_view> with_drawing_options(std::initializer_list<std::string_view> own);
std::vector<std::string_view> with_drawing_flags(std::initializer_list<std::string_view> own);
DrawingOptions drawing_options(const ParsedArgs& parsed);
// The rig activity the drawing options ask for, of the hook-load curve; none with --no-slips.
std::shared_ptr<const analysis::Activity> drawn_activity(const DrawingOptions& o,
                                                         const FileStorage& data);
// --block-weight, --margin and --min-seconds: the activity command's options.
analysis::ActivitySettings activity_settings(const ParsedArgs& parsed);
// The application object that render and print draw under: offscreen unless QT_QPA_PLATFORM
// names another platform, so drawing needs no display and draws alike with one or without.
std::unique_ptr<QGuiApplication> drawing_application();

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
int cmd_activity(const std::vector<std::string>& args);
int cmd_stats(const std::vector<std::string>& args);

// Prints the text that the window would show in its message box on stderr.
Reporter& stderr_reporter();
// Opens path as the window does and prints its load notes (a salvaged file, gaps) on stderr, as
// the window shows them in a box; false after a failure, which has been reported. streamed: for
// a document that is only written out again (Storage::OpenStreamed).
bool open_document(Storage& doc, const std::string& path, bool streamed = false);
// Loads the data file alone and prints its load notes; a failure of the file itself is raised
// naming it. streamed: the records stay in the file and are read while they are written out, so
// memory stays flat whatever its size (stream_data_file).
void load_model(FileStorage& model, const std::string& path, bool streamed = false);
// Prints a document's load notes (and a read's notes) on stderr, each after path.
void print_load_notes(const std::string& path, const FileStorage& model);

// The object that "info" prints for a loaded model; callers may add keys of their own.
nlohmann::ordered_json model_info_json(const std::string& file, const FileStorage& model);
