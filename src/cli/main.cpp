// vornell-cli: the headless companion tool. All output is UTF-8.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "library/Locale.h"

namespace {

struct Command {
    const char* name;
    const char* arguments;
    const char* summary;
    int (*run)(const std::vector<std::string>&);
};

// One line per command.
const Command commands[] = {
    {"info", "FILE", "load a data file and print its description as one JSON object", cmd_info},
    {"records", "FILE", "load a data file and print its records as CSV", cmd_records},
    {"journal", "FILE", "print the journal kept beside a data file as CSV", cmd_journal},
    {"convert", "IN OUT", "open a document and save it as another file", cmd_convert},
    {"read", "PORT OUT [--log PATH] [--byte-timeout MS]", "read a logger and save the document",
     cmd_read},
    {"report", "FILE OUT.html [--rows FIRST:LAST]",
     "write the journal report of a document (events FIRST to LAST, from 0)", cmd_report},
    {"render",
     "FILE OUT.png [--scale I] [--curve K] [--range L:R] [--color RRGGBB] [--top PX] "
     "[--size WxH] [--dpi D]",
     "draw the graph tab's chart of a document into a PNG; print its layout and marks as JSON",
     cmd_render},
    {"print",
     "FILE OUT.pdf [--day YYYY-MM-DD] [--scale I] [--curve K] [--range L:R] [--color RRGGBB] "
     "[--paper A4|A3|Letter] [--landscape] [--dpi D] [--max-pages N]",
     "print the graph into a PDF at the physical scale of the screen", cmd_print},
};

void print_usage(std::ostream& out) {
    out << "Usage: vornell-cli COMMAND [ARGUMENTS]\n\nCommands:\n";
    for (const auto& c : commands) {
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
    lib::Locale::set(lib::Locale::from_process_locale());
    if (argc < 2) {
        print_usage(std::cerr);
        return 2;
    }
    const std::string name = argv[1];
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
        try {
            return c.run(std::vector<std::string>(argv + 2, argv + argc));
        } catch (const UsageError& e) {
            std::cerr << "vornell-cli " << c.name << ": " << e.what() << "\n\n";
            print_usage(std::cerr);
            return 2;
        } catch (const std::exception& e) {
            std::cerr << e.what() << "\n";
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
