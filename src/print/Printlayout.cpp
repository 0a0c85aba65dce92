#include "print/Printlayout.h"

#include <algorithm>
#include <cmath>

#include "datafile/Assembling.h"
#include "datafile/Journal.h"
#include "document/Storage.h"
#include "graph/Chartmeasure.h"
#include "graph/Graphpoints.h"
#include "library/Mytime.h"

namespace {

constexpr double cm_per_inch = 2.54;

std::string sheet_text(int page, int pages) {
    return "Лист " + std::to_string(page + 1) + " из " + std::to_string(pages);
}

std::string moment_text(const lib::time_parts& parts) {
    const std::string minute = std::to_string(parts.minute);
    return lib::format_short_date(parts) + " " + std::to_string(parts.hour) + ":" +
           (parts.minute < 10 ? "0" + minute : minute);
}

} // namespace

std::string PrintTitle(const Storage& doc) {
    std::string type = doc.SensorType(), unit = doc.Unit();
    if (type.empty() && doc.Data().param_count() > 0) {
        type = doc.Data().param(0)->name;
        unit = doc.Data().param(0)->unit;
    }
    return unit.empty() ? type : type + ", " + unit;
}

void DayWindow(double any_time_of_day, double& day_start, double& day_end) {
    lib::time_parts day = lib::datetime_to_parts(any_time_of_day);
    day.hour = day.minute = day.second = 0;
    day_start = lib::parts_to_datetime(day);
    day_end = day_start + 1;
}

std::string IntervalText(std::uint32_t from, std::uint32_t to) {
    return TimeText(from) + " – " + TimeText(to);
}

std::string PrintTitle(const Storage& doc, const GrPrintDataIn& in) {
    const std::string title = PrintTitle(doc);
    std::string part;
    if (in.interval)
        part = IntervalText(in.interval_from, in.interval_to);
    else if (in.daily)
        part = lib::format_short_date(lib::datetime_to_parts(in.day_start));
    else
        return title;
    return title.empty() ? part : title + " — " + part;
}

int PagesFor(long long length, int per_page) {
    if (per_page <= 0)
        return 1;
    return static_cast<int>(std::max(1LL, (length + per_page - 1) / per_page));
}

bool PlanGraphPrint(GraphPoints& points, const GrPrintDataIn& in, int screen_dpi,
                    const PrinterPage& page, const PageRooms& rooms, GraphPrintPlan& plan) {
    const double screen_per_cm = screen_dpi / cm_per_inch;
    const double printer_per_cm = page.dpi / cm_per_inch;
    if (in.interval)
        points.SetTimeWindow(lib::time_to_parts(in.interval_from),
                             lib::time_to_parts(in.interval_to));
    else if (in.daily)
        points.SetTimeWindow(lib::datetime_to_parts(in.day_start),
                             lib::datetime_to_parts(in.day_end));
    points.SetScale(in.minutes_per_cm * 60.0, screen_per_cm);
    if (points.PointCount() == 0)
        return false;
    plan.rooms = rooms;
    plan.total_height = points.TotalHeight();
    plan.plot_height = std::max(plan.total_height, static_cast<int>(std::ceil(screen_per_cm)));
    plan.picture_height = rooms.header + rooms.top_scale + plan.plot_height + rooms.last_bottom;
    // Whole screen pixels of the page, so that every page gives the graph the same rows.
    const long long page_px =
        static_cast<long long>(page.height_px) * screen_dpi / std::max(page.dpi, 1);
    plan.page_plot_height =
        static_cast<int>(std::max(1LL, page_px - rooms.header - rooms.top_scale - rooms.bottom));
    plan.page_width_cm = page.width_px / printer_per_cm;
    plan.page_height_cm = plan.page_plot_height / screen_per_cm;
    plan.chart_width = static_cast<int>(std::trunc(plan.page_width_cm * screen_per_cm));
    // The last page's bottom scale takes more room than the closing line of the others.
    plan.pages = PagesFor(plan.plot_height + std::max(0, rooms.last_bottom - rooms.bottom),
                          plan.page_plot_height);
    return true;
}

PageWindow PageWindowOf(const GraphPrintPlan& plan, int page) {
    PageWindow w;
    w.top = page * plan.page_plot_height;
    w.last = page == plan.pages - 1;
    w.height = w.last ? std::max(0, plan.plot_height - w.top)
                      : std::min(plan.page_plot_height, std::max(0, plan.plot_height - w.top));
    return w;
}

PageHeader PageHeaderOf(const GraphPoints& points, const FileStorage& data,
                        const GraphPrintPlan& plan, int page, const std::string& title) {
    PageHeader header;
    header.title = title;
    header.sheet = sheet_text(page, plan.pages);
    const int count = points.PointCount();
    if (count == 0)
        return header;
    const PageWindow w = PageWindowOf(plan, page);
    const int first = std::min(points.FirstPointFrom(w.top), count - 1);
    const int end = w.last ? count : points.FirstPointFrom(w.top + w.height);
    const int last = std::max(first, end - 1);
    const auto when = [&](int point) {
        const int record = points.Points()[point].index;
        if (record >= data.item_count())
            return std::string();
        const std::uint32_t t = data.time(record);
        return lib::format_short_date(lib::time_to_parts(t)) + " " + lib::time_to_hhmm(t);
    };
    header.span = when(first) + " – " + when(last);
    return header;
}

std::string JournalPeriod(const LogStorage& journal, int first, int last) {
    double earliest = 0, latest = 0;
    bool any = false;
    const std::vector<LogRecord>& records = journal.Records();
    for (int i = std::max(first, 0); i <= last && i < journal.Count(); ++i) {
        for (const double moment : {records[i].start, records[i].end}) {
            // An end of 0 is no end; a damaged moment is no date.
            if (moment == 0.0 || !valid_datetime(moment))
                continue;
            earliest = any ? std::min(earliest, moment) : moment;
            latest = any ? std::max(latest, moment) : moment;
            any = true;
        }
    }
    if (!any)
        return {};
    return moment_text(lib::datetime_to_parts(earliest)) + " – " +
           moment_text(lib::datetime_to_parts(latest));
}

PageHeader JournalPageHeader(const std::string& file_name, const std::string& period, int page,
                             int pages) {
    PageHeader header;
    header.title = "Журнал событий";
    if (!file_name.empty())
        header.title += " — " + file_name;
    header.span = period;
    header.sheet = sheet_text(page, pages);
    return header;
}
