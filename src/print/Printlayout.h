#pragma once
// The arithmetic of a graph print: the day window, the picture's size at the physical scale of
// the screen and the pages it takes. No toolkit here.
#include <string>

#include "print/Printdata.h"

class GraphPoints;
class Storage;

struct PrinterPage {
    int width_px = 0; // the printable area in printer pixels
    int height_px = 0;
    int dpi = 0; // printer pixels per inch, both directions
};

struct GraphPrintPlan {
    int total_height = 0;   // H: the graph's TotalHeight, screen pixels
    int picture_height = 0; // P: H plus the room of title and axes, screen pixels
    int chart_width = 0;    // screen pixels
    double page_width_cm = 0;
    double page_height_cm = 0;
    int pages = 0;
};

// The printed graph's title: "sensor type, unit". A read document has no sensor type until it
// is saved and opened again, which takes parameter 0's name and unit; the title takes them too,
// so it never prints a lone comma.
std::string PrintTitle(const Storage& doc);
// The day of a calendar date-time: its midnight and the next midnight.
void DayWindow(double any_time_of_day, double& day_start, double& day_end);
// The smallest page count whose height holds the picture (at least 1). Integer arithmetic, so a
// picture of exactly n page heights takes n pages.
int PagesFor(long long picture_px, int screen_dpi, const PrinterPage& page);
// Sets the points to the print's day and scale. False when there is nothing to print.
// non_plot_height is the room the chart's title and axes take, in screen pixels.
bool PlanGraphPrint(GraphPoints& points, const GrPrintDataIn& in, int screen_dpi,
                    const PrinterPage& page, int non_plot_height, GraphPrintPlan& plan);
