#include "print/Printgrhelper.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>

#include "datafile/Assembling.h"
#include "document/Storage.h"
#include "graph/Graphchart.h"
#include "graph/Graphpoints.h"
#include "print/Printjob.h"
#include "widgets/Simplegraphics.h"

namespace {

constexpr double cm_per_inch = 2.54;
constexpr int design_dpi = 120;
constexpr int axis_label_points = 12;

// The series FillSeries fills: kept whole, each page takes its slice.
class PointSink : public GraphSeries {
public:
    PointSink(std::vector<QPointF>& points, StripChart& chart) : points_(points), chart_(chart) {}
    void Clear() override { points_.clear(); }
    void SetColor(std::uint32_t bgr) override { chart_.Series().SetColor(color_from_bgr(bgr)); }
    void Reserve(std::size_t count) override { points_.reserve(count); }
    void Add(double x, double y) override { points_.emplace_back(x, y); }

private:
    std::vector<QPointF>& points_;
    StripChart& chart_;
};

// The marks over one page's chart. Fonts are sized in screen pixels, since the painter scales
// screen pixels onto the printer. The row where a page ends belongs to the next page, so a mark
// there is drawn once, on the page that continues from it.
class PrintMarkCanvas : public MarkCanvas {
public:
    PrintMarkCanvas(QPainter& p, const StripChart& chart, int screen_dpi, bool last_page)
        : p_(p), chart_(chart), dpi_(screen_dpi), last_(last_page) {}
    Rect PlotRect() const override {
        const StripChart::Plot& r = chart_.PlotRect();
        return {r.left, r.top, r.right, last_ ? r.bottom : r.bottom - 1};
    }
    double OffsetToY(double offset) const override { return chart_.LeftAxisToY(offset); }
    void SetSolidPen(std::uint32_t bgr, int width) override {
        pen_ = QPen(color_from_bgr(bgr), width * ChartPenWidth(dpi_), Qt::SolidLine);
    }
    void SetDashedPen(std::uint32_t bgr, int width) override {
        pen_ = QPen(color_from_bgr(bgr), width * ChartPenWidth(dpi_), Qt::DashLine);
    }
    void SetGridPen(int width) override {
        pen_ = chart_.LeftAxis().grid_pen;
        pen_.setWidth(width * ChartPenWidth(dpi_));
    }
    void SetFont(int point_size, std::uint32_t bgr) override {
        font_ = QFont("Arial");
        font_.setPixelSize(std::max(1, point_size * dpi_ / 72));
        text_color_ = color_from_bgr(bgr);
    }
    int AxisLabelFontSize() const override {
        return static_cast<int>(
            std::lround(chart_.LeftAxis().label_font.pixelSize() * 72.0 / dpi_));
    }
    void Line(int x1, int y1, int x2, int y2) override {
        p_.setPen(pen_);
        p_.drawLine(x1, y1, x2, y2);
    }
    int TextWidth(const std::string& text) const override {
        return static_cast<int>(std::ceil(
            QFontMetricsF(font_, p_.device()).horizontalAdvance(QString::fromStdString(text))));
    }
    int TextHeight() const override {
        return static_cast<int>(std::ceil(QFontMetricsF(font_, p_.device()).height()));
    }
    void TextOut(int x, int y, const std::string& text) override {
        p_.setFont(font_);
        p_.setPen(text_color_);
        p_.drawText(QPointF(x, y + QFontMetricsF(font_, p_.device()).ascent()),
                    QString::fromStdString(text));
    }
    void Backing(int x, int y, int width, int height) override {
        p_.fillRect(QRect(x, y, width, height), TextBackingColor());
    }

private:
    QPainter& p_;
    const StripChart& chart_;
    int dpi_;
    bool last_;
    QPen pen_;
    QFont font_;
    QColor text_color_;
};

PrinterPage page_of(const QPaintDevice& device) {
    return {device.width(), device.height(), device.logicalDpiX()};
}

} // namespace

void UsePaper(QPagedPaintDevice& device, const QPageSize& size,
              QPageLayout::Orientation orientation) {
    constexpr double margin_mm = 10;
    device.setPageLayout(QPageLayout(size, orientation,
                                     QMarginsF(margin_mm, margin_mm, margin_mm, margin_mm),
                                     QPageLayout::Millimeter));
}

TPrintGrForm::TPrintGrForm(const GrPrintDataIn& in, const Storage& doc, int screen_dpi)
    : in_(in), doc_(doc), screen_dpi_(screen_dpi), title_(PrintTitle(doc, in)),
      points_(std::make_unique<GraphPoints>(doc.Data())) {
    SetUpChart();
}

TPrintGrForm::~TPrintGrForm() = default;

QPen TPrintGrForm::SeriesPen() const {
    return QPen(color_from_bgr(in_.color), 2 * ChartPenWidth(screen_dpi_));
}

int TPrintGrForm::Px(int design) const {
    return std::max(1, static_cast<int>(std::lround(design * screen_dpi_ / double(design_dpi))));
}

void TPrintGrForm::SetUpChart() {
    // Design sizes are at 120 pixels per inch; the chart is drawn in screen pixels.
    chart_.SetBackground(Qt::white);
    chart_.SetMargins(Px(2), 0, Px(2), 0);
    // The title is in every page's header line, not in the chart.
    header_font_ = QFont("Arial");
    header_font_.setPixelSize(axis_label_points * screen_dpi_ / 72);

    ChartAxis& left = chart_.LeftAxis();
    left.inverted = true;
    left.labels = false;
    left.label_font = QFont("Arial");
    left.label_font.setPixelSize(Px(18));
    for (ChartAxis* axis : {&chart_.BottomAxis(), &chart_.TopAxis()}) {
        axis->visible = true;
        axis->labels = true;
        axis->SetRange(in_.options.left, in_.options.right);
        axis->label_font = header_font_;
    }
    // Paper has no cosmetic pens: a hairline at 1200 dots per inch is all but invisible.
    for (ChartAxis* axis : {&left, &chart_.BottomAxis(), &chart_.TopAxis()})
        axis->grid_pen.setWidth(ChartPenWidth(screen_dpi_));
    const FileStorageParam* param = doc_.Data().param(in_.curve);
    for (ChartAxis* axis : {&chart_.BottomAxis(), &chart_.TopAxis()})
        axis->unit = param ? QString::fromStdString(param->unit) : QString();
    chart_.Series().SetPen(SeriesPen());
    chart_.Series().SetDotRadius(Px(5));
    events_.SetVisible(in_.options.events != 0);
    events_.SetLook(EventStripLookAt(screen_dpi_));
    slips_.SetActivity(in_.activity);
    slips_.SetLook(SlipsLookAt(screen_dpi_));
    DrawSlipsUnderChart(chart_, slips_);
}

PageRooms TPrintGrForm::MeasureRooms(const QPaintDevice& device) {
    // The room of header and scales does not depend on the height laid out.
    const int probe_height = 100000;
    const QRect probe(0, 0, 1000, probe_height);
    PageRooms rooms;
    rooms.header =
        static_cast<int>(std::ceil(QFontMetricsF(header_font_, &device).height())) + Px(8);
    chart_.BottomAxis().visible = false;
    QRect plot = chart_.Layout(probe, &device);
    rooms.top_scale = plot.top();
    rooms.bottom = probe_height - plot.bottom();
    chart_.BottomAxis().visible = true;
    plot = chart_.Layout(probe, &device);
    rooms.last_bottom = probe_height - plot.bottom();
    return rooms;
}

bool TPrintGrForm::Prepare(const QPaintDevice& device) {
    return Prepare(page_of(device), device);
}

bool TPrintGrForm::Prepare(const PrinterPage& page, const QPaintDevice& device) {
    page_ = page;
    if (!PlanGraphPrint(*points_, in_, screen_dpi_, page, MeasureRooms(device), plan_))
        return false;
    PointSink sink(all_points_, chart_);
    points_->FillSeries(sink, 0, plan_.plot_height, in_.curve, in_.color,
                        screen_dpi_ / cm_per_inch);
    if (events_.Visible())
        events_.Place(doc_.Journal(), doc_.Data(), *points_);
    slips_.Place(*points_);
    chart_.Series().SetPen(SeriesPen());
    return true;
}

void DrawPageHeader(QPainter& p, const QRectF& band, const QFont& font, double gap,
                    const PageHeader& header) {
    // The sheet at the right, the span of times before it, the title in the room left over.
    p.setPen(Qt::black);
    p.setFont(font);
    const QFontMetricsF fm(font, p.device());
    const QString sheet = QString::fromStdString(header.sheet);
    const QString span = QString::fromStdString(header.span);
    p.drawText(band, Qt::AlignRight | Qt::AlignVCenter, sheet);
    const double sheet_width = fm.horizontalAdvance(sheet);
    p.drawText(band.adjusted(0, 0, -(sheet_width + gap), 0), Qt::AlignRight | Qt::AlignVCenter,
               span);
    QFont bold = font;
    bold.setBold(true);
    p.setFont(bold);
    const double room = band.width() - sheet_width - fm.horizontalAdvance(span) - 2 * gap;
    const QString title =
        QFontMetricsF(bold, p.device())
            .elidedText(QString::fromStdString(header.title), Qt::ElideRight, std::max(0.0, room));
    p.drawText(band, Qt::AlignLeft | Qt::AlignVCenter, title);
}

void TPrintGrForm::DrawHeader(QPainter& p, const PageHeader& header) const {
    DrawPageHeader(p, QRectF(Px(2), 0, plan_.chart_width - 2 * Px(2), plan_.rooms.header),
                   header_font_, Px(24), header);
}

void TPrintGrForm::DrawPage(QPainter& p, int page) {
    const double k = page_.dpi / double(screen_dpi_);
    p.resetTransform();
    p.setClipRect(QRect(0, 0, page_.width_px, page_.height_px));
    p.scale(k, k);
    DrawHeader(p, PageHeaderOf(*points_, doc_.Data(), plan_, page, title_));

    // The page's window of the graph, laid out so that its plot is exactly that many rows.
    const PageWindow window = PageWindowOf(plan_, page);
    const PageRooms& rooms = plan_.rooms;
    chart_.BottomAxis().visible = window.last;
    chart_.LeftAxis().SetRange(window.top, window.top + window.height);
    const QRect area(0, rooms.header, plan_.chart_width,
                     rooms.top_scale + window.height +
                         (window.last ? rooms.last_bottom : rooms.bottom));

    // The series points that reach the window, one centimetre beyond each edge.
    const double reach = screen_dpi_ / cm_per_inch;
    const auto by_y = [](const QPointF& a, double y) { return a.y() < y; };
    auto first = std::lower_bound(all_points_.begin(), all_points_.end(), window.top - reach, by_y);
    auto last =
        std::lower_bound(first, all_points_.end(), window.top + window.height + reach, by_y);
    LineSeries& series = chart_.Series();
    series.Clear();
    series.Reserve(static_cast<std::size_t>(last - first));
    for (auto it = first; it != last; ++it)
        series.Add(it->x(), it->y());

    // The row where a page ends belongs to the next page, as with the marks.
    events_.ShowWindow(window.top, window.top + window.height - (window.last ? 0 : 1));
    slips_.ShowWindow(window.top, window.top + window.height, in_.curve);
    chart_.SetAfterDraw([&](QPainter& painter) {
        PrintMarkCanvas canvas(painter, chart_, screen_dpi_, window.last);
        points_->DrawScaleMarks(canvas);
        events_.Draw(painter, chart_);
    });
    chart_.Paint(p, area);
    chart_.SetAfterDraw(nullptr);
}

bool TPrintGrForm::PrintPages(QPainter& p, QPagedPaintDevice& device) {
    for (int page = 0; page < plan_.pages; ++page) {
        if (page > 0 && !device.newPage())
            return false;
        DrawPage(p, page);
    }
    return true;
}

bool TPrintGrForm::Print(PrintJob& job, const std::function<bool(int pages)>& confirm) {
    if (!Prepare(job.Printer()))
        return false;
    if (plan_.pages > confirm_pages_above && confirm && !confirm(plan_.pages))
        return false;
    // The job's device is known once its first page has begun.
    QPainter& p = job.NextPage();
    if (!PrintPages(p, job.Device()))
        throw job.PageFailure();
    return true;
}
