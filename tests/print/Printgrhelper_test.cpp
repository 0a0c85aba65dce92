#include "print/Printgrhelper.h"

#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>

#include "Pdf_probe.h"
#include "analysis/Activity.h"
#include "document/Storage.h"
#include "graph/Graphpoints.h"
#include "library/Mytime.h"
#include "library/Scratch_dir.h"
#include "print/Printjob.h"

namespace {

class Silent : public Reporter {
public:
    void error(const std::string&, const std::string&) override {}
};

class GraphPrint : public ::testing::Test {
protected:
    void SetUp() override {
        doc.Data().add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0.0f, 250.0f});
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                          QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    }
    void record(std::uint32_t start, std::uint32_t seconds, std::uint32_t step) {
        for (std::uint32_t t = 0; t <= seconds; t += step) {
            FileStorageItem item;
            item.time = start + t;
            item.values.push_back(50.0f);
            doc.Data().add_item(item);
        }
    }

    Silent silent;
    Storage doc{silent};
    ScratchDir dir;
    const std::string pdf = dir.file("graph.pdf");
    QPrinter printer{QPrinter::HighResolution};
    GrPrintDataIn in;
    const std::uint32_t morning = lib::parts_to_time(2007, 5, 3, 6, 0, 0);
    const PrinterPage page{8983, 13099, 1200};
    const PageRooms rooms{30, 25, 1, 26};
};

} // namespace

TEST(GraphPrintPages, ExactMultipleFillsThosePagesAndOnePixelMoreTakesAnother) {
    EXPECT_EQ(PagesFor(3 * 991, 991), 3);
    EXPECT_EQ(PagesFor(3 * 991 + 1, 991), 4);
    EXPECT_EQ(PagesFor(0, 991), 1);
    EXPECT_EQ(PagesFor(5, 0), 1);

    double start = 0, end = 0;
    DayWindow(lib::parts_to_datetime({2007, 5, 3, 17, 45, 12}), start, end);
    EXPECT_EQ(lib::datetime_to_parts(start), (lib::time_parts{2007, 5, 3, 0, 0, 0}));
    EXPECT_EQ(lib::datetime_to_parts(end), (lib::time_parts{2007, 5, 4, 0, 0, 0}));
}

TEST_F(GraphPrint, PagesKeepTheScaleAndEachStartsWhereTheOneBeforeEnded) {
    record(morning, 60 * 3600, 10); // 3600 cm at 1 minute per centimetre
    in.minutes_per_cm = 1;
    GraphPoints points(doc.Data());
    GraphPrintPlan plan;
    ASSERT_TRUE(PlanGraphPrint(points, in, 96, page, rooms, plan));
    EXPECT_EQ(plan.total_height, 136063); // 216000 s x 37.795 px / 60 s
    EXPECT_EQ(plan.picture_height, 30 + 25 + 136063 + 26);
    EXPECT_EQ(plan.chart_width, 718); // 19.014 cm of screen pixels
    // 13099 printer pixels are 1047.9 screen pixels; header, scale and closing line take 56.
    EXPECT_EQ(plan.page_plot_height, 991);
    EXPECT_EQ(plan.pages, (136063 + 25 + 990) / 991);
    int top = 0;
    for (int i = 0; i < plan.pages; ++i) {
        const PageWindow w = PageWindowOf(plan, i);
        ASSERT_EQ(w.top, top) << i;
        ASSERT_EQ(w.last, i == plan.pages - 1);
        const int room = w.last ? rooms.last_bottom : rooms.bottom;
        ASSERT_LE(rooms.header + rooms.top_scale + w.height + room, 1047) << i;
        top += w.height;
    }
    EXPECT_EQ(top, 136063);
}

TEST_F(GraphPrint, ALoneRecordHasACentimetreOfPlot) {
    record(morning, 0, 10);
    GraphPoints points(doc.Data());
    GraphPrintPlan plan;
    ASSERT_TRUE(PlanGraphPrint(points, in, 96, page, rooms, plan));
    EXPECT_EQ(plan.total_height, 0);
    EXPECT_EQ(plan.pages, 1);
    EXPECT_EQ(PageWindowOf(plan, 0).height, 38);
}

TEST_F(GraphPrint, ChartTakesTheGraphViewsColourAndRange) {
    record(morning, 3600, 10);
    in.options.left = 20;
    in.options.right = 80;
    in.color = 0x00FF00;
    in.curve = 0;
    TPrintGrForm form(in, doc, 96);
    ASSERT_TRUE(form.Prepare(printer));
    for (const ChartAxis* axis : {&form.Chart().BottomAxis(), &form.Chart().TopAxis()}) {
        EXPECT_TRUE(axis->visible);
        EXPECT_EQ(axis->minimum, 20);
        EXPECT_EQ(axis->maximum, 80);
        EXPECT_EQ(axis->label_font.pixelSize(), 16); // 12 points at 96 pixels per inch
    }
    EXPECT_EQ(form.Chart().Series().Pen().color(), QColor(0, 255, 0));
    EXPECT_EQ(form.Chart().Series().Pen().width(), 2);
}

TEST_F(GraphPrint, TitleNamesTheSensorAndItsUnitAlsoBeforeTheFirstSave) {
    record(morning, 60, 10);
    EXPECT_EQ(TPrintGrForm(in, doc, 96).Title(), "Вес на крюке, т") << "as read";
    in.daily = true;
    DayWindow(lib::parts_to_datetime({2007, 5, 3, 12, 0, 0}), in.day_start, in.day_end);
    EXPECT_EQ(TPrintGrForm(in, doc, 96).Title(), "Вес на крюке, т — 03.05.2007") << "a day";
    ASSERT_TRUE(doc.Save(dir.file("run.realtim")));
    ASSERT_TRUE(doc.Open(dir.file("run.realtim")));
    EXPECT_EQ(PrintTitle(doc), "Вес на крюке, т") << "opened again";
    Storage none(silent);
    EXPECT_EQ(PrintTitle(none), "");
}

TEST_F(GraphPrint, AnIntervalPrintsItsRecordsAloneAndItsTitleSaysItsEnds) {
    record(morning, 3 * 3600, 10);
    in.interval = true;
    in.interval_from = morning + 3600;
    in.interval_to = morning + 5400;
    in.daily = true; // the interval wins over a day
    DayWindow(lib::parts_to_datetime({2007, 5, 3, 12, 0, 0}), in.day_start, in.day_end);
    TPrintGrForm form(in, doc, 96);
    EXPECT_EQ(form.Title(), "Вес на крюке, т — 03.05.2007 07:00:00 – 03.05.2007 07:30:00");
    QImage sheet(page.width_px / 8, page.height_px / 8, QImage::Format_RGB32);
    sheet.setDotsPerMeterX(150 * 10000 / 254);
    sheet.setDotsPerMeterY(150 * 10000 / 254);
    ASSERT_TRUE(form.Prepare({page.width_px / 8, page.height_px / 8, 150}, sheet));
    // 1800 s at 10 min/cm of a 96 dpi screen.
    EXPECT_EQ(form.Plan().total_height, static_cast<int>(1800 * 96 / 2.54 / 600 + 0.5));

    in.interval_from = morning + 4 * 3600; // after the last record
    in.interval_to = morning + 5 * 3600;
    EXPECT_FALSE(
        TPrintGrForm(in, doc, 96).Prepare({page.width_px / 8, page.height_px / 8, 150}, sheet));
}

TEST_F(GraphPrint, DayWithoutRecordsOrARefusedLongJobStartsNoJob) {
    record(morning, 3600, 10);
    in.daily = true;
    DayWindow(lib::parts_to_datetime({2007, 5, 4, 12, 0, 0}), in.day_start, in.day_end);
    int asked = 0;
    const auto refuse = [&](int) { return ++asked, false; };
    PrintJob job(printer);
    EXPECT_FALSE(TPrintGrForm(in, doc, 96).Print(job, refuse));

    record(morning + 3610, 110 * 3600, 10); // 110 hours at 1 minute per centimetre
    in.daily = false;
    in.minutes_per_cm = 1;
    EXPECT_FALSE(TPrintGrForm(in, doc, 96).Print(job, refuse));
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(std::filesystem::exists(pdf));

    in.minutes_per_cm = 360;
    TPrintGrForm form(in, doc, 96);
    EXPECT_TRUE(form.Print(job, refuse));
    job.End();
    EXPECT_EQ(form.Plan().pages, 1);
    EXPECT_TRUE(std::filesystem::exists(pdf));
    EXPECT_EQ(asked, 1);
}

TEST_F(GraphPrint, EachPageDrawsTheEventsOfItsRowsWhenTheGraphShowsThem) {
    record(morning, 13200, 2); // three pages at 3 minutes per centimetre, a record on every row
    in.minutes_per_cm = 3;
    GraphPoints points(doc.Data());
    points.SetScale(180, 96 / 2.54);
    const auto at_row = [&](int row) { // the journal's moment of the record at row
        const int record = points.Points()[points.FirstPointFrom(row)].index;
        return (doc.Data().item(record)->time - 86400) / 86400.0 + 25569;
    };
    QImage sheet(page.width_px / 4, page.height_px / 4, QImage::Format_RGB32);
    sheet.setDotsPerMeterX(11811); // 300 dots per inch
    sheet.setDotsPerMeterY(11811);
    const PrinterPage quarter{sheet.width(), sheet.height(), 300};
    const std::vector<std::vector<int>> expected = {{0, 1}, {1, 2}, {}};
    for (const int shown : {1, 0}) {
        in.options.events = shown;
        TPrintGrForm form(in, doc, 96);
        ASSERT_TRUE(form.Prepare(quarter, sheet));
        const int second = PageWindowOf(form.Plan(), 1).top;
        doc.Journal().Clear();
        doc.Journal().Add(at_row(10), 0, 0, 0);                             // page 1
        doc.Journal().Add(at_row(second - 20), at_row(second + 20), 13, 0); // across the break
        doc.Journal().Add(at_row(second), 0, 6, 0);                         // on the break: page 2
        ASSERT_TRUE(form.Prepare(quarter, sheet));
        ASSERT_EQ(form.Plan().pages, 3);
        QPainter p(&sheet);
        for (int k = 0; k < 3; ++k) {
            form.DrawPage(p, k);
            std::vector<int> drawn;
            for (const analysis::EventRow& e : form.Events().Shown())
                drawn.push_back(e.index);
            EXPECT_EQ(drawn, shown ? expected[k] : std::vector<int>{}) << shown << ", page " << k;
        }
    }
}

TEST_F(GraphPrint, EachPageShadesTheInSlipsPeriodsItsRowsMeet) {
    record(morning, 13200, 2);
    in.minutes_per_cm = 3;
    GraphPoints points(doc.Data());
    points.SetScale(180, 96 / 2.54);
    const auto at_row = [&](int row) { return points.Points()[points.FirstPointFrom(row)].index; };
    QImage sheet(page.width_px / 4, page.height_px / 4, QImage::Format_RGB32);
    sheet.setDotsPerMeterX(11811);
    sheet.setDotsPerMeterY(11811);
    const PrinterPage quarter{sheet.width(), sheet.height(), 300};
    int second = 0;
    {
        TPrintGrForm probe(in, doc, 96);
        ASSERT_TRUE(probe.Prepare(quarter, sheet));
        second = PageWindowOf(probe.Plan(), 1).top;
    }
    auto activity = std::make_shared<analysis::Activity>();
    activity->curve = 0;
    activity->block_weight = 20;
    activity->periods = {{at_row(10), at_row(40)}, {at_row(second - 20), at_row(second + 20)}};
    const std::vector<std::vector<int>> expected = {{0, 1}, {1}, {}};
    for (const bool shown : {true, false}) {
        in.activity = shown ? activity : nullptr;
        TPrintGrForm form(in, doc, 96);
        ASSERT_TRUE(form.Prepare(quarter, sheet));
        ASSERT_EQ(form.Plan().pages, 3);
        QPainter p(&sheet);
        for (int k = 0; k < 3; ++k) {
            form.DrawPage(p, k);
            std::vector<int> drawn;
            for (const SlipsRows& r : form.Slips().Shown())
                drawn.push_back(r.period);
            EXPECT_EQ(drawn, shown ? expected[k] : std::vector<int>{}) << shown << ", page " << k;
        }
    }
}

TEST_F(GraphPrint, EveryPageHasItsHeaderAndScaleAndEveryTimeLabelIsWholeOnOnePage) {
    // 6:00 to 9:40 at 3 minutes per centimetre: three pages, a time label every 3 minutes.
    record(morning, 13200, 10);
    in.minutes_per_cm = 3;
    TPrintGrForm form(in, doc, 96);
    PrintJob job(printer);
    ASSERT_TRUE(form.Print(job, {}));
    job.End();
    const GraphPrintPlan& plan = form.Plan();
    const auto pages = pdf_probe::words(pdf);
    // The times of each page's first and last record; a record on the row where a page ends
    // belongs to the next.
    const std::vector<std::string> heads = {
        "Вес на крюке, т 03.05.2007 6:00 – 03.05.2007 7:19 Лист 1 из 3 ",
        "Вес на крюке, т 03.05.2007 7:19 – 03.05.2007 8:38 Лист 2 из 3 ",
        "Вес на крюке, т 03.05.2007 8:38 – 03.05.2007 9:40 Лист 3 из 3 "};
    ASSERT_EQ(plan.pages, 3);
    ASSERT_EQ(pages.size(), 3u);

    // Points from the paper's top edge where the header line, the top scale and the page end.
    const double header_end = 35 + plan.rooms.header * 0.75;
    const double scale_end = header_end + plan.rooms.top_scale * 0.75;
    const double page_end = 28.35 + printer.height() * 72.0 / 1200;
    const std::regex number(R"(\d+)"), time_label(R"(\d{1,2}:\d\d)");
    std::map<std::string, int> seen;
    int at_a_break = 0; // labels in the last 15 points of a page that continues
    for (int k = 0; k < plan.pages; ++k) {
        const bool last = k == plan.pages - 1;
        std::string head;
        double scale_bottom = 0, band_bottom = page_end;
        for (const pdf_probe::Word& w : pages[k]) {
            if (w.bottom < header_end)
                head += w.text + " ";
            else if (std::regex_match(w.text, number) && w.top < scale_end)
                scale_bottom = std::max(scale_bottom, w.bottom);
            else if (std::regex_match(w.text, number))
                band_bottom = std::min(band_bottom, w.top); // the bottom scale
        }
        EXPECT_EQ(head, heads[k]);
        EXPECT_GT(scale_bottom, 0) << "the value scale at the top of page " << k + 1;
        EXPECT_EQ(band_bottom < page_end, last) << "the bottom scale, page " << k + 1;
        for (const pdf_probe::Word& w : pages[k]) {
            if (w.bottom < header_end || !std::regex_match(w.text, time_label))
                continue;
            ++seen[w.text];
            EXPECT_GE(w.top, scale_bottom) << w.text << " on page " << k + 1;
            EXPECT_LE(w.bottom, band_bottom) << w.text << " on page " << k + 1;
            at_a_break += !last && w.bottom > band_bottom - 15;
        }
    }
    for (const auto& [text, count] : seen)
        EXPECT_EQ(count, 1) << text;
    EXPECT_GT(at_a_break, 0) << "the recording puts no label at a page break";
    EXPECT_EQ(seen.size(), 73u); // 6:03 to 9:39, every 3 minutes
}
