// vornell-cli print: the graph on paper as the print dialog's "График" prints it, into a PDF
// that replaces OUT only once it is complete.
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>

#include "cli/Commands.h"
#include "document/Storage.h"
#include "graph/Graphpoints.h"
#include "library/Binary_io.h"
#include "library/File_error.h"
#include "library/Fileworks.h"
#include "library/Mytime.h"
#include "print/Printgrhelper.h"
#include "print/Replace_device.h"

namespace {

void parse_day(const std::string& text, GrPrintDataIn& in) {
    lib::time_parts day;
    const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-' &&
                        parse_number(std::string_view(text).substr(0, 4), day.year) &&
                        parse_number(std::string_view(text).substr(5, 2), day.month) &&
                        parse_number(std::string_view(text).substr(8, 2), day.day);
    if (!shaped || day.month < 1 || day.month > 12 || day.day < 1 ||
        lib::datetime_to_parts(lib::parts_to_datetime(day)).day != day.day)
        throw UsageError("--day needs a date YYYY-MM-DD");
    DayWindow(lib::parts_to_datetime(day), in.day_start, in.day_end);
    in.daily = true;
}

QPageSize paper_of(const ParsedArgs& parsed) {
    const auto it = parsed.options.find("--paper");
    const std::string name = it == parsed.options.end() ? "A4" : it->second;
    if (name == "A4")
        return QPageSize(QPageSize::A4);
    if (name == "A3")
        return QPageSize(QPageSize::A3);
    if (name == "Letter")
        return QPageSize(QPageSize::Letter);
    throw UsageError("--paper needs A4, A3 or Letter");
}

// Prints the prepared form's pages into a temporary file beside path that takes path's place
// only once it is complete; raises the reason otherwise, and path stays as it was.
void print_replacing(TPrintGrForm& form, QPdfWriter& writer, ReplaceDevice& device,
                     const std::string& path) {
    lib::io::replace_files({{path, [&](lib::io::BinaryOutputStream& out) {
                                 device.Attach(out);
                                 QPainter p;
                                 if (!p.begin(&writer))
                                     throw std::runtime_error("Невозможно начать печать в файл");
                                 const bool printed = form.PrintPages(p, writer);
                                 const bool ended = p.end();
                                 device.RaiseFailure();
                                 if (!printed || !ended)
                                     throw std::runtime_error("Невозможно напечатать все страницы");
                             }}});
}

} // namespace

int cmd_print(const std::vector<std::string>& args) {
    const ParsedArgs parsed =
        parse_args(args, with_drawing_options({"--day", "--paper", "--max-pages"}),
                   with_drawing_flags({"--landscape"}));
    if (parsed.positional.size() != 2)
        throw UsageError("expected FILE and OUT.pdf");
    const DrawingOptions o = drawing_options(parsed);
    GrPrintDataIn in;
    in.options.scale = o.scale;
    in.minutes_per_cm = GraphPoints::scale_minutes[o.scale];
    in.curve = o.curve;
    in.options.left = o.left;
    in.options.right = o.right;
    in.options.color = in.color = o.bgr;
    in.options.events = o.events ? 1 : 0;
    if (parsed.options.contains("--day"))
        parse_day(parsed.options.at("--day"), in);
    const int max_pages = whole_option(parsed, "--max-pages", 100, 1, 1 << 30);
    const QPageSize paper = paper_of(parsed);
    const std::string& out = parsed.positional[1];
    check_output(parsed.positional[0], out, {"pdf"});

    const auto app = drawing_application();

    Storage doc(stderr_reporter());
    if (!open_document(doc, parsed.positional[0]))
        return 1;
    ReplaceDevice device;
    QPdfWriter writer(&device); // 1200 dots per inch, as the program's printer prints a PDF
    UsePaper(writer, paper,
             parsed.options.contains("--landscape") ? QPageLayout::Landscape
                                                    : QPageLayout::Portrait);
    in.activity = drawn_activity(o, doc.Data());
    TPrintGrForm form(in, doc, o.dpi);
    if (!form.Prepare(writer)) {
        std::cerr << "Нет записей для печати" << (in.daily ? " за этот день" : "") << "\n";
        return 1;
    }
    const GraphPrintPlan& plan = form.Plan();
    if (plan.pages > max_pages) {
        std::cerr << "Распечатка займёт " << plan.pages << " страниц, больше --max-pages "
                  << max_pages << "\n";
        return 1;
    }
    try {
        print_replacing(form, writer, device, out);
    } catch (const std::exception& e) {
        std::cerr << "Не удалось записать файл " << out << ": " << lib::io::error_message(e)
                  << "\n";
        return 1;
    }
    nlohmann::ordered_json json;
    json["pages"] = plan.pages;
    json["total_height"] = plan.total_height;
    json["picture_height"] = plan.picture_height;
    json["page_width_cm"] = plan.page_width_cm;
    json["page_height_cm"] = plan.page_height_cm;
    std::cout << json.dump() << "\n";
    return 0;
}
