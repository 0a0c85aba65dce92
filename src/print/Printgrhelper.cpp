#include "print/Printgrhelper.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "document/Storage.h"
#include "graph/Graphpoints.h"
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

// The marks over the printed chart. Fonts are sized in screen pixels, since the painter scales
// screen pixels onto the printer; marks outside the page's slice are not drawn at all.
class PrintMarkCanvas : public MarkCanvas {
public:
    PrintMarkCanvas(QPainter& p, const StripChart& chart, int screen_dpi, double slice_top,
                    double slice_bottom)
        : p_(p), chart_(chart), dpi_(screen_dpi), top_(slice_top), bottom_(slice_bottom) {}
    Rect PlotRect() const override {
        const StripChart::Plot& r = chart_.PlotRect();
        return {r.left, r.top, r.right, r.bottom};
    }
    double OffsetToY(double offset) const override { return chart_.LeftAxisToY(offset); }
    void SetSolidPen(std::uint32_t bgr, int width) override {
        pen_ = QPen(color_from_bgr(bgr), width, Qt::SolidLine);
    }
    void SetGridPen(int width) override {
        pen_ = chart_.LeftAxis().grid_pen;
        pen_.setWidth(width);
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
        if (std::max(y1, y2) < top_ - 1 || std::min(y1, y2) > bottom_ + 1)
            return;
        p_.setPen(pen_);
        p_.drawLine(x1, y1, x2, y2);
    }
    int TextWidth(const std::string& text) const override {
        return static_cast<int>(std::ceil(
            QFontMetricsF(font_, p_.device()).horizontalAdvance(QString::fromStdString(text))));
    }
    void TextOut(int x, int y, const std::string& text) override {
        const QFontMetricsF fm(font_, p_.device());
        if (y + fm.height() < top_ || y > bottom_)
            return;
        p_.setFont(font_);
        p_.setPen(text_color_);
        p_.drawText(QPointF(x, y + fm.ascent()), QString::fromStdString(text));
    }

private:
    QPainter& p_;
    const StripChart& chart_;
    int dpi_;
    double top_, bottom_;
    QPen pen_;
    QFont font_;
    QColor text_color_;
};

PrinterPage page_of(const QPrinter& printer) {
    return {printer.width(), printer.height(), printer.logicalDpiX()};
}

} // namespace

void UsePaper(QPrinter& printer, const QPageSize& size, QPageLayout::Orientation orientation) {
    constexpr double margin_mm = 10;
    printer.setPageLayout(QPageLayout(size, orientation,
                                      QMarginsF(margin_mm, margin_mm, margin_mm, margin_mm),
                                      QPageLayout::Millimeter));
}

TPrintGrForm::TPrintGrForm(const GrPrintDataIn& in, const Storage& doc, int screen_dpi)
    : in_(in), doc_(doc), screen_dpi_(screen_dpi),
      points_(std::make_unique<GraphPoints>(doc.Data())) {
    SetUpChart();
}

TPrintGrForm::~TPrintGrForm() = default;

void TPrintGrForm::SetUpChart() {
    // Design sizes are at 120 pixels per inch; the chart is drawn in screen pixels.
    const auto px = [this](int design) {
        return std::max(1,
                        static_cast<int>(std::lround(design * screen_dpi_ / double(design_dpi))));
    };
    chart_.SetBackground(Qt::white);
    chart_.SetMargins(px(2), 0, px(2), 0);
    chart_.TitleFont() = QFont("Arial");
    chart_.TitleFont().setPixelSize(px(27));
    chart_.SetTitle(QString::fromStdString(PrintTitle(doc_)));

    ChartAxis& left = chart_.LeftAxis();
    left.inverted = true;
    left.labels = false;
    left.label_font = QFont("Arial");
    left.label_font.setPixelSize(px(18));
    for (ChartAxis* axis : {&chart_.BottomAxis(), &chart_.TopAxis()}) {
        axis->visible = true;
        axis->labels = true;
        axis->SetRange(in_.options.left, in_.options.right);
        axis->label_font = QFont("Arial");
        axis->label_font.setPixelSize(axis_label_points * screen_dpi_ / 72);
    }
    // Paper has no cosmetic pens: a hairline at 1200 dots per inch is all but invisible.
    for (ChartAxis* axis : {&left, &chart_.BottomAxis(), &chart_.TopAxis()})
        axis->grid_pen.setWidth(1);
    chart_.Series().SetPen(QPen(color_from_bgr(in_.color), 2));
}

bool TPrintGrForm::Prepare(const QPrinter& printer) {
    // The room of title and axes does not depend on the height laid out.
    const int probe_height = 100000;
    const QRect plot = chart_.Layout(QRect(0, 0, 1000, probe_height), &printer);
    const int non_plot = probe_height - (plot.bottom() - plot.top());
    if (!PlanGraphPrint(*points_, in_, screen_dpi_, page_of(printer), non_plot, plan_))
        return false;
    chart_.LeftAxis().SetRange(0, plan_.total_height);
    PointSink sink(all_points_, chart_);
    points_->FillSeries(sink, 0, plan_.total_height, in_.curve, in_.color,
                        screen_dpi_ / cm_per_inch);
    chart_.Series().SetPen(QPen(color_from_bgr(in_.color), 2));
    return true;
}

void TPrintGrForm::DrawPage(QPainter& p, int page, const PrinterPage& geometry) {
    const double k = geometry.dpi / double(screen_dpi_);
    p.resetTransform();
    p.setClipRect(QRect(0, 0, geometry.width_px, geometry.height_px));
    p.translate(0, -static_cast<double>(page) * geometry.height_px);
    p.scale(k, k);

    // The page's slice of the picture in screen pixels, and the series points that reach it.
    const double slice_top = page * geometry.height_px / k;
    const double slice_bottom = (page + 1) * geometry.height_px / k;
    const QRect area(0, 0, plan_.chart_width, plan_.picture_height);
    chart_.Layout(area, p.device());
    const double reach = screen_dpi_ / cm_per_inch;
    const double low = chart_.YToLeftAxis(slice_top - reach);
    const double high = chart_.YToLeftAxis(slice_bottom + reach);
    const auto by_y = [](const QPointF& a, double y) { return a.y() < y; };
    auto first = std::lower_bound(all_points_.begin(), all_points_.end(), low, by_y);
    auto last = std::lower_bound(first, all_points_.end(), high, by_y);
    LineSeries& series = chart_.Series();
    series.Clear();
    series.Reserve(static_cast<std::size_t>(last - first));
    for (auto it = first; it != last; ++it)
        series.Add(it->x(), it->y());

    chart_.SetAfterDraw([&](QPainter& painter) {
        PrintMarkCanvas canvas(painter, chart_, screen_dpi_, slice_top, slice_bottom);
        points_->DrawScaleMarks(canvas);
    });
    chart_.Paint(p, area);
    chart_.SetAfterDraw(nullptr);
}

void TPrintGrForm::PrintPages(QPrinter& printer) {
    const PrinterPage geometry = page_of(printer);
    QPainter p;
    if (!p.begin(&printer))
        throw std::runtime_error("Невозможно начать печать на принтере '" +
                                 printer.printerName().toStdString() + "'");
    for (int page = 0; page < plan_.pages; ++page) {
        if (page > 0 && !printer.newPage())
            throw std::runtime_error("Невозможно начать новую страницу печати");
        DrawPage(p, page, geometry);
    }
    p.end();
}

bool TPrintGrForm::Print(QPrinter& printer, const std::function<bool(int pages)>& confirm) {
    if (!Prepare(printer))
        return false;
    if (plan_.pages > confirm_pages_above && confirm && !confirm(plan_.pages))
        return false;
    PrintPages(printer);
    return true;
}
