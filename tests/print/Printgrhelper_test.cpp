#include "print/Printgrhelper.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include <gtest/gtest.h>

#include <filesystem>

#include "document/Storage.h"
#include "graph/Graphpoints.h"
#include "library/Mytime.h"
#include "library/Scratch_dir.h"

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
};

} // namespace

TEST(GraphPrintPages, ExactMultipleFillsThosePagesAndOnePixelMoreTakesAnother) {
    const PrinterPage inch_pages{800, 1200, 1200}; // one inch of paper per page
    EXPECT_EQ(PagesFor(3 * 96, 96, inch_pages), 3);
    EXPECT_EQ(PagesFor(3 * 96 + 1, 96, inch_pages), 4);
    EXPECT_EQ(PagesFor(0, 96, inch_pages), 1);
    EXPECT_EQ(PagesFor(3 * 120, 120, {800, 600, 600}), 3); // 120 screen px per inch
    EXPECT_EQ(PagesFor(3 * 120 + 1, 120, {800, 600, 600}), 4);

    double start = 0, end = 0;
    DayWindow(lib::parts_to_datetime({2007, 5, 3, 17, 45, 12}), start, end);
    EXPECT_EQ(lib::datetime_to_parts(start), (lib::time_parts{2007, 5, 3, 0, 0, 0}));
    EXPECT_EQ(lib::datetime_to_parts(end), (lib::time_parts{2007, 5, 4, 0, 0, 0}));
}

TEST_F(GraphPrint, RecordingLongerThan32000PixelsKeepsItsScale) {
    record(morning, 60 * 3600, 10); // 3600 cm at 1 minute per centimetre
    in.minutes_per_cm = 1;
    GraphPoints points(doc.Data());
    GraphPrintPlan plan;
    const PrinterPage page{8983, 13099, 1200};
    ASSERT_TRUE(PlanGraphPrint(points, in, 96, page, 79, plan));
    EXPECT_EQ(plan.total_height, 136063); // 216000 s x 37.795 px / 60 s
    EXPECT_EQ(plan.picture_height, 136063 + 79);
    EXPECT_EQ(plan.chart_width, 718); // 19.014 cm of screen pixels
    const double picture_cm = plan.picture_height / (96 / 2.54);
    EXPECT_GE(plan.pages * plan.page_height_cm, picture_cm);
    EXPECT_LT((plan.pages - 1) * plan.page_height_cm, picture_cm);
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
    EXPECT_EQ(form.Chart().LeftAxis().maximum, form.Plan().total_height);
}

TEST_F(GraphPrint, TitleNamesTheSensorAndItsUnitAlsoBeforeTheFirstSave) {
    record(morning, 60, 10);
    EXPECT_EQ(TPrintGrForm(in, doc, 96).Chart().Title(), "Вес на крюке, т") << "as read";
    ASSERT_TRUE(doc.Save(dir.file("run.realtim")));
    ASSERT_TRUE(doc.Open(dir.file("run.realtim")));
    EXPECT_EQ(PrintTitle(doc), "Вес на крюке, т") << "opened again";
    Storage none(silent);
    EXPECT_EQ(PrintTitle(none), "");
}

TEST_F(GraphPrint, DayWithoutRecordsOrARefusedLongJobStartsNoJob) {
    record(morning, 3600, 10);
    in.daily = true;
    DayWindow(lib::parts_to_datetime({2007, 5, 4, 12, 0, 0}), in.day_start, in.day_end);
    int asked = 0;
    const auto refuse = [&](int) { return ++asked, false; };
    EXPECT_FALSE(TPrintGrForm(in, doc, 96).Print(printer, refuse));

    record(morning + 3610, 110 * 3600, 10); // 110 hours at 1 minute per centimetre
    in.daily = false;
    in.minutes_per_cm = 1;
    EXPECT_FALSE(TPrintGrForm(in, doc, 96).Print(printer, refuse));
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(std::filesystem::exists(pdf));

    in.minutes_per_cm = 360;
    TPrintGrForm form(in, doc, 96);
    EXPECT_TRUE(form.Print(printer, refuse));
    EXPECT_EQ(form.Plan().pages, 1);
    EXPECT_TRUE(std::filesystem::exists(pdf));
    EXPECT_EQ(asked, 1);
}
