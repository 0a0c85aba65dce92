#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Modal_driver.h"
#include "app/Main.h"
#include "datafile/Assembling.h"
#include "formats/Formats.h"
#include "graph/Graphicsform.h"
#include "library/Mytime.h"
#include "library/Scratch_dir.h"
#include "widgets/Stripchart.h"

namespace {

// A day of one-second records, as "Открыть..." would find it.
std::string saved_day(const ScratchDir& dir) {
    FileStorage model;
    model.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
    FileStorageItem item;
    item.values = {0};
    for (int i = 0; i < 86400; ++i) {
        item.time = lib::parts_to_time(2008, 1, 31, 0, 0, 0) + i;
        item.values[0] = static_cast<float>(i % 200);
        model.add_item(item);
    }
    const std::string path = dir.file("day.realtim");
    save_data_file(model, path, false);
    return path;
}

TEST(MainWindowGraph, OpenShowsTheGraphAndShutDownSavesItsOptionsAfterThePort) {
    ScratchDir dir;
    const std::string ini = dir.file("Vornell.ini");
    auto window = std::make_unique<TMainForm>(ini);
    window->show();
    TGrForm& graph = window->graph_form();
    EXPECT_EQ(graph.parentWidget(), window->graph_host());
    EXPECT_FALSE(graph.cbxScale->isEnabled());
    EXPECT_FALSE(window->actSavePicture->isEnabled());

    window->OpenDataFile(saved_day(dir));
    EXPECT_TRUE(graph.cbxScale->isEnabled());
    EXPECT_TRUE(window->actSavePicture->isEnabled());
    EXPECT_EQ(graph.cbxName->currentText(), "Вес на крюке");
    EXPECT_TRUE(graph.ScrollBar->isEnabled());

    const std::string png = dir.file("graph.png");
    {
        ModalDriver driver({ModalDriver::choose_file(QString::fromStdString(png))});
        window->actSavePicture->trigger();
    }
    const QImage picture(QString::fromStdString(png));
    EXPECT_EQ(picture.size(), graph.Chart->size());
    EXPECT_EQ(picture, graph.GraphImage());

    // A file without parameters shows an empty chart, not the day before.
    ASSERT_GT(graph.Chart->Chart().Series().Count(), 0u);
    const std::string empty = dir.file("empty.realtim");
    FileStorage nothing;
    save_data_file(nothing, empty, false);
    ModalDriver no_box({});
    window->OpenDataFile(empty);
    EXPECT_EQ(graph.CurveIndex(), -1);
    EXPECT_EQ(graph.Chart->Chart().Series().Count(), 0u);

    graph.cbxScale->setCurrentIndex(0);
    window.reset();
    std::ifstream in(ini, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().find("[HardWare]\r\nname=\"COM1\"\r\n"
                              "[GrFormOptions]\r\nleft=0\r\nright=200\r\ncolor=16711680\r\n"
                              "scale=0\r\n"),
              0u)
        << text.str();

    window = std::make_unique<TMainForm>(ini);
    EXPECT_EQ(window->graph_form().cbxScale->currentText(), "1 мин. на 1 см.");
}

} // namespace
