#pragma once
// The arithmetic of a graph print: the day window, the pages at the physical scale of the
// screen, each with its header line and value scale, and the texts of each page's header.
// No toolkit here.
#include <string>

#include "print/Printdata.h"

class FileStorage;
class GraphPoints;
class LogStorage;
class Storage;

struct PrinterPage {
    int width_px = 0; // the printable area in printer pixels
    int height_px = 0;
    int dpi = 0; // printer pixels per inch, both directions
};

// What a page holds besides the graph, in screen pixels: the header line and the value scale
// above the graph on every page, and below it the closing line of a page or, on the last
// page, the bottom value scale.
struct PageRooms {
    int header = 0;
    int top_scale = 0;
    int bottom = 0;
    int last_bottom = 0;
};

struct GraphPrintPlan {
    int total_height = 0; // H: the graph's TotalHeight, screen pixels
    int plot_height = 0;  // H, but at least a centimetre, so that one record has room
    // The graph as one page of unlimited height would hold it: header, scales and plot.
    int picture_height = 0;
    int chart_width = 0;      // screen pixels
    int page_plot_height = 0; // of the graph on every page, screen pixels
    double page_width_cm = 0;
    double page_height_cm = 0; // the height a page gives to the graph
    int pages = 0;
    PageRooms rooms;
};

// The offsets page (from 0) shows: from top, height pixels; each page starts where the one
// before ended.
struct PageWindow {
    int top = 0;
    int height = 0;
    bool last = false;
};

struct PageHeader {
    std::string title;
    std::string span;  // "05.03.2026 0:00 – 05.03.2026 1:13": its first and last record
    std::string sheet; // "Лист 2 из 16"
};

// The printed graph's title: "sensor type, unit". A read document has no sensor type until it
// is saved and opened again, which takes parameter 0's name and unit; the title takes them too,
// so it never prints a lone comma.
std::string PrintTitle(const Storage& doc);
// "05.03.2026 14:02:17 – 05.03.2026 15:14:22", the ends of an interval.
std::string IntervalText(std::uint32_t from, std::uint32_t to);
// The title of this print: a daily one names its day, an interval its ends.
std::string PrintTitle(const Storage& doc, const GrPrintDataIn& in);
// The day of a calendar date-time: its midnight and the next midnight.
void DayWindow(double any_time_of_day, double& day_start, double& day_end);
// The smallest page count whose pages hold length pixels at per_page each (at least 1).
int PagesFor(long long length, int per_page);
// Sets the points to the print's day and scale and plans the pages. False when there is
// nothing to print.
bool PlanGraphPrint(GraphPoints& points, const GrPrintDataIn& in, int screen_dpi,
                    const PrinterPage& page, const PageRooms& rooms, GraphPrintPlan& plan);
PageWindow PageWindowOf(const GraphPrintPlan& plan, int page);
// A record on the row where one page ends and the next begins belongs to the next page.
PageHeader PageHeaderOf(const GraphPoints& points, const FileStorage& data,
                        const GraphPrintPlan& plan, int page, const std::string& title);

// The moments the journal's events first to last (positions from 0) span, from the earliest
// start to the latest start or end, as "03.05.2007 7:12 – 03.05.2007 7:55"; empty when none of
// them has a valid moment.
std::string JournalPeriod(const LogStorage& journal, int first, int last);
// The header line of printed journal page (from 0) of pages: "Журнал событий — run.realtim"
// (the title alone without a file name), the period, "Лист K из N".
PageHeader JournalPageHeader(const std::string& file_name, const std::string& period, int page,
                             int pages);
