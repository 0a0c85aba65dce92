// vornell-cli: the headless companion tool. All output is UTF-8.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "library/Console.h"
#include "library/File_error.h"
#include "library/Locale.h"

// The reading and drawing commands need Qt; a build of the core alone (the Windows one) has
// only the file commands and answers the others "not in this build".
#ifdef VORNELL_CLI_CORE_ONLY
#define QT_COMMAND(run) nullptr
#else
#define QT_COMMAND(run) run
#endif

namespace {

struct Command {
    const char* name;
    const char* arguments;
    const char* summary;
    int (*run)(const std::vector<std::string>&); // nullptr: not in this build
};

// One line per command.
const Command commands[] = {
    {"info", "FILE", "load a data file and print its description as one JSON object", cmd_info},
    {"records", "FILE", "load a data file and print its records as CSV", cmd_records},
    {"journal", "FILE", "print the journal kept beside a data file as CSV", cmd_journal},
    {"convert", "IN OUT [--las-encoding utf-8|cp1251] [--force]",
     "open a document and save it as another file, or export it (.las, .csv); --force replaces "
     "a journal or run file that belongs to another file",
     cmd_convert},
    {"activity", "FILE [--curve K] [--block-weight W] [--margin M] [--min-seconds S]",
     "find the block weight and the in-slips periods of the hook load; print them as JSON",
     cmd_activity},
    {"stats", "FILE [--curve K] [--from WHEN] [--to WHEN] [--above X]",
     "print the statistics of a parameter over a time interval as one JSON object; WHEN is "
     "YYYY-MM-DDTHH:MM:SS, YYYY-MM-DD HH:MM:SS or a time value",
     cmd_stats},
    {"read", "PORT OUT [--log PATH] [--byte-timeout MS] [--quiet] [--force]",
     "read a logger and save the document; the progress goes to stderr (--quiet: errors only); "
     "--force as for convert",
     QT_COMMAND(cmd_read)},
    {"report", "FILE OUT.html [--rows FIRST:LAST]",
     "write the journal report of a document (events FIRST to LAST, from 0)",
     QT_COMMAND(cmd_report)},
    {"render",
     "FILE OUT.png [--scale I] [--curve K] [--range L:R] [--color RRGGBB] [--top PX] "
     "[--size WxH] [--dpi D] [--no-events] [--marker WHEN]... [--select FROM:TO] [--no-slips] "
     "[--block-weight W] [--margin M] [--min-seconds S]",
     "draw the graph tab's chart of a document into a PNG, with up to two markers and a selected "
     "interval; print its layout, marks, events, in-slips periods and measuring marks as JSON",
     QT_COMMAND(cmd_render)},
    {"print",
     "FILE OUT.pdf [--day YYYY-MM-DD] [--scale I] [--curve K] [--range L:R] [--color RRGGBB] "
     "[--paper A4|A3|Letter] [--landscape] [--dpi D] [--max-pages N] [--no-events] [--no-slips] "
     "[--block-weight W] [--margin M] [--min-seconds S]",
     "print the graph into a PDF at the physical scale of the screen", QT_COMMAND(cmd_print)},
};

void print_usage(std::ostream& out) {
    out << "Usage: vornell-cli COMMAND [ARGUMENTS]\n\nCommands:\n";
    for (const auto& c : commands) {
        if (!c.run)
            continue;
        std::string head = std::string(c.name) + " " + c.arguments;
        head.resize(std::max<std::size_t>(head.size() + 2, 24), ' ');
        out << "  " << head << c.summary << "\n";
    }
    out << "\nExit codes: 0 success, 1 failure (message on stderr), 2 bad usage.\n";
    out << "\nOptions:\n  --help     print this help and exit\n"
           "  --version  print the version and exit\n";
}

} // namespace

int main(int argc, char** argv) {
    lib::use_utf8_standard_streams();
    const std::vector<std::string> arguments = lib::utf8_arguments(argc, argv);
    lib::Locale::set(lib::Locale::from_process_locale());
    if (arguments.size() < 2) {
        print_usage(std::cerr);
        return 2;
    }
    const std::string& name = arguments[1];
    if (name == "-h" || name == "--help" || name == "help") {
        print_usage(std::cout);
        return 0;
    }
    if (name == "--version") {
        std::cout << "vornell-cli " VORNELL_VERSION "\n";
        return 0;
    }
    for (const auto& c : commands) {
        if (name != c.name)
            continue;
        if (!c.run) {
            std::cerr << "vornell-cli: " << name << " is not in this build\n";
            return 2;
        }
        try {
            return c.run(std::vector<std::string>(arguments.begin() + 2, arguments.end()));
        } catch (const UsageError& e) {
            std::cerr << "vornell-cli " << c.name << ": " << e.what() << "\n\n";
            print_usage(std::cerr);
            return 2;
        } catch (const std::exception& e) {
            std::cerr << lib::io::error_message(e) << "\n";
            return 1;
        } catch (...) {
            std::cerr << "Неизвестная ошибка!!!\n";
            return 1;
        }
    }
    std::cerr << "vornell-cli: unknown command '" << name << "'\n\n";
    print_usage(std::cerr);
    return 2;
}
