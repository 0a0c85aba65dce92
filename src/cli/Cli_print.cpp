// vornell-cli print: the graph on paper as the print dialog's "График" prints it, into a PDF.
#include <QGuiApplication>
#include <QPageSize>
#include <QPrinter>

#include <charconv>
#include <cstdlib>
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "document/Storage.h"
#include "graph/Graphicsform.h"
#include "library/Mytime.h"
#include "print/Printgrhelper.h"

namespace {

template <class T> bool parse_whole(std::string_view text, T& value, int base = 10) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && end == text.data() + text.size();
}

int whole_option(const ParsedArgs& parsed, const std::string& name, int fallback, int low,
                 int high) {
    const auto it = parsed.options.find(name);
    if (it == parsed.options.end())
        return fallback;
    int value = 0;
    if (!parse_whole(it->second, value) || value < low || value > high)
        throw UsageError(name + " needs a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high));
    return value;
}

void parse_day(const std::string& text, GrPrintDataIn& in) {
    lib::time_parts day;
    const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-' &&
                        parse_whole(std::string_view(text).substr(0, 4), day.year) &&
                        parse_whole(std::string_view(text).substr(5, 2), day.month) &&
                        parse_whole(std::string_view(text).substr(8, 2), day.day);
    if (!shaped || day.month < 1 || day.month > 12 || day.day < 1 ||
        lib::datetime_to_parts(lib::parts_to_datetime(day)).day != day.day)
        throw UsageError("--day needs a date YYYY-MM-DD");
    DayWindow(lib::parts_to_datetime(day), in.day_start, in.day_end);
    in.daily = true;
}

void parse_range(const std::string& text, GrPrintDataIn& in) {
    const std::size_t colon = text.find(':');
    char* end = nullptr;
    bool ok = colon != std::string::npos;
    if (ok) {
        const std::string l = text.substr(0, colon), r = text.substr(colon + 1);
        in.options.left = std::strtod(l.c_str(), &end);
        ok = !l.empty() && *end == '\0';
        in.options.right = std::strtod(r.c_str(), &end);
        ok = ok && !r.empty() && *end == '\0';
    }
    if (!ok)
        throw UsageError("--range needs L:R, two numbers");
}

void parse_color(const std::string& text, GrPrintDataIn& in) {
    std::uint32_t rgb = 0;
    if (text.size() != 6 || !parse_whole(text, rgb, 16))
        throw UsageError("--color needs six hexadecimal digits RRGGBB");
    in.color = (rgb >> 16 & 0xFFu) | (rgb & 0xFF00u) | (rgb & 0xFFu) << 16;
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

} // namespace

int cmd_print(const std::vector<std::string>& args) {
    const ParsedArgs parsed = parse_args(
        args,
        {"--day", "--scale", "--curve", "--range", "--color", "--paper", "--dpi", "--max-pages"},
        {"--landscape"});
    if (parsed.positional.size() != 2)
        throw UsageError("expected FILE and OUT.pdf");
    GrPrintDataIn in;
    in.options.scale = whole_option(parsed, "--scale", 3, 0, TGrForm::scale_count - 1);
    in.minutes_per_cm = TGrForm::scale_minutes[in.options.scale];
    in.curve = whole_option(parsed, "--curve", 0, 0, 1 << 20);
    in.options.color = in.color = 0xFF0000;
    if (parsed.options.contains("--range"))
        parse_range(parsed.options.at("--range"), in);
    if (parsed.options.contains("--color"))
        parse_color(parsed.options.at("--color"), in);
    in.options.color = in.color;
    if (parsed.options.contains("--day"))
        parse_day(parsed.options.at("--day"), in);
    const int screen_dpi = whole_option(parsed, "--dpi", 96, 24, 1200);
    const int max_pages = whole_option(parsed, "--max-pages", 100, 1, 1 << 30);
    const QPageSize paper = paper_of(parsed);

    // Drawing needs a GUI application; without a display it draws offscreen.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "vornell-cli";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    Storage doc(stderr_reporter());
    if (!doc.Open(parsed.positional[0]))
        return 1;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(parsed.positional[1]));
    UsePaper(printer, paper,
             parsed.options.contains("--landscape") ? QPageLayout::Landscape
                                                    : QPageLayout::Portrait);
    TPrintGrForm form(in, doc, screen_dpi);
    if (!form.Prepare(printer)) {
        std::cerr << "Нет записей для печати" << (in.daily ? " за этот день" : "") << "\n";
        return 1;
    }
    const GraphPrintPlan& plan = form.Plan();
    if (plan.pages > max_pages) {
        std::cerr << "Распечатка займёт " << plan.pages << " страниц, больше --max-pages "
                  << max_pages << "\n";
        return 1;
    }
    form.PrintPages(printer);
    nlohmann::ordered_json out;
    out["pages"] = plan.pages;
    out["total_height"] = plan.total_height;
    out["picture_height"] = plan.picture_height;
    out["page_width_cm"] = plan.page_width_cm;
    out["page_height_cm"] = plan.page_height_cm;
    std::cout << out.dump() << "\n";
    return 0;
}
