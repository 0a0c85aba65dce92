#include "print/Printlayout.h"

#include <algorithm>
#include <cmath>

#include "datafile/Assembling.h"
#include "document/Storage.h"
#include "graph/Graphpoints.h"
#include "library/Mytime.h"

namespace {

constexpr double cm_per_inch = 2.54;

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

int PagesFor(long long picture_px, int screen_dpi, const PrinterPage& page) {
    // picture_px / screen_dpi inches against page.height_px / page.dpi inches.
    const long long picture = std::max(picture_px, 1LL) * page.dpi;
    const long long per_page = static_cast<long long>(page.height_px) * screen_dpi;
    if (per_page <= 0)
        return 1;
    return static_cast<int>(std::max(1LL, (picture + per_page - 1) / per_page));
}

bool PlanGraphPrint(GraphPoints& points, const GrPrintDataIn& in, int screen_dpi,
                    const PrinterPage& page, int non_plot_height, GraphPrintPlan& plan) {
    const double screen_per_cm = screen_dpi / cm_per_inch;
    const double printer_per_cm = page.dpi / cm_per_inch;
    if (in.daily)
        points.SetTimeWindow(lib::datetime_to_parts(in.day_start),
                             lib::datetime_to_parts(in.day_end));
    points.SetScale(in.minutes_per_cm * 60.0, screen_per_cm);
    if (points.PointCount() == 0)
        return false;
    plan.total_height = points.TotalHeight();
    plan.picture_height = plan.total_height + non_plot_height;
    plan.page_width_cm = page.width_px / printer_per_cm;
    plan.page_height_cm = page.height_px / printer_per_cm;
    plan.chart_width = static_cast<int>(std::trunc(plan.page_width_cm * screen_per_cm));
    plan.pages = PagesFor(plan.picture_height, screen_dpi, page);
    return true;
}
