#pragma once
// The graph on paper: the whole recording or one day at the physical scale of the screen (the
// chosen minutes per centimetre of screen become minutes per centimetre of paper), across as
// many pages as it takes, in one job. Every page has a header line (title, the times of its
// first and last record, its number) and the value scale, then its slice of the graph, each
// slice starting where the one before ended; the last page closes with the bottom scale. The
// journal's events and the in-slips periods are drawn as the graph tab draws them, when it shows
// them. Each page is drawn straight onto the device, so vector drawing keeps its size at any
// resolution.
#include <QFont>
#include <QPageLayout>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graph/Graphevents.h"
#include "graph/Graphslips.h"
#include "print/Printlayout.h"
#include "widgets/Stripchart.h"

class GraphPoints;
class PrintJob;
class QPagedPaintDevice;
class QPaintDevice;
class Storage;

// The program's paper: the given size and orientation with margins of 10 mm all round, so page
// counts do not depend on a printer's defaults.
void UsePaper(QPagedPaintDevice& device, const QPageSize& size = QPageSize(QPageSize::A4),
              QPageLayout::Orientation orientation = QPageLayout::Portrait);

// The header line of a printed page in band, in font: the sheet at the right, the span of times
// gap before it, the title in bold in the room left over. The journal's pages have it too.
void DrawPageHeader(QPainter& p, const QRectF& band, const QFont& font, double gap,
                    const PageHeader& header);

class TPrintGrForm {
public:
    // A job above this many pages is asked for first.
    static constexpr int confirm_pages_above = 100;

    TPrintGrForm(const GrPrintDataIn& in, const Storage& doc, int screen_dpi);
    ~TPrintGrForm();

    // Sets the points and the chart up for the device's page. False when the window holds no
    // record: then there is nothing to print.
    bool Prepare(const QPaintDevice& device);
    // The same for a page of that geometry on device (any paint device of its resolution).
    bool Prepare(const PrinterPage& page, const QPaintDevice& device);
    const GraphPrintPlan& Plan() const { return plan_; }
    // Draws Plan().pages pages with p, active on the prepared device, from the device's current
    // page on. False when the device could not start a new page.
    bool PrintPages(QPainter& p, QPagedPaintDevice& device);
    // Prepare, ask confirm(pages) for a job above confirm_pages_above pages, print the pages as
    // the job's next ones. True when the pages were printed.
    bool Print(PrintJob& job, const std::function<bool(int pages)>& confirm);
    // Draws one prepared page (from 0) with its top-left corner at the device's.
    void DrawPage(QPainter& p, int page);

    const StripChart& Chart() const { return chart_; }
    // The events of the page drawn last.
    const ChartEvents& Events() const { return events_; }
    // The in-slips periods of the page drawn last.
    const ChartSlips& Slips() const { return slips_; }
    const std::string& Title() const { return title_; }

private:
    void SetUpChart();
    // A design size at 120 pixels per inch in screen pixels.
    int Px(int design) const;
    // Two pixels of 96 dots per inch, as wide at any screen scale.
    QPen SeriesPen() const;
    PageRooms MeasureRooms(const QPaintDevice& device);
    void DrawHeader(QPainter& p, const PageHeader& header) const;

    const GrPrintDataIn& in_;
    const Storage& doc_;
    int screen_dpi_;
    std::string title_;
    QFont header_font_;
    std::unique_ptr<GraphPoints> points_;
    StripChart chart_;
    ChartEvents events_;
    ChartSlips slips_;
    std::vector<QPointF> all_points_; // the whole series; each page draws its slice
    PrinterPage page_;
    GraphPrintPlan plan_;
};
