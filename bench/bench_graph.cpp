// Graph speed: points of 1,000,000 records, one window of 300,000 points drawn into an
// 800x1000 picture, and a 1,000,000-record file from open to its first painted graph. Each
// reports ratio_to_plain_loop: its time over a plain pass reading every record's time and value,
// measured in the same run, because the machine is noisy.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <span>
#include <unistd.h>

#include "datafile/Assembling.h"
#include "document/Storage.h"
#include "formats/Formats.h"
#include "graph/Graphchart.h"
#include "graph/Graphicsform.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double pixels_per_cm = 96 / 2.54;

void fill(FileStorage& m, int count) {
    m.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
    FileStorageItem item;
    item.values = {0};
    for (int i = 0; i < count; ++i) {
        item.time = lib::parts_to_time(2008, 1, 31, 0, 0, 0) + static_cast<std::uint32_t>(i);
        item.values[0] = static_cast<float>(i % 2500) * 0.1f;
        m.add_item(item);
    }
}

FileStorage& model(int count) {
    static std::map<int, std::unique_ptr<FileStorage>> models;
    auto& m = models[count];
    if (!m) {
        m = std::make_unique<FileStorage>();
        fill(*m, count);
    }
    return *m;
}

// Seconds of the best of a few plain passes over every record's time and value.
double plain_loop(const FileStorage& m) {
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        std::uint64_t sum = 0;
        float values = 0;
        const std::span<const std::uint32_t> times = m.times();
        const std::span<const float> column = m.values(0);
        for (std::size_t i = 0; i < times.size(); ++i) {
            sum += times[i];
            values += column[i];
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(values);
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

void report(benchmark::State& state, double seconds, double plain) {
    const double each = seconds / static_cast<double>(state.iterations());
    state.counters["plain_loop_ms"] = plain * 1e3;
    state.counters["ratio_to_plain_loop"] = each / plain;
}

void BM_SetScale_1M(benchmark::State& state) {
    const FileStorage& m = model(1'000'000);
    GraphPoints points(m);
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        points.SetScale(600, pixels_per_cm);
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        benchmark::DoNotOptimize(points.TotalHeight());
    }
    report(state, seconds, plain_loop(m));
    state.counters["point_bytes_per_record"] =
        static_cast<double>(points.MemoryBytes()) / m.item_count();
}
BENCHMARK(BM_SetScale_1M)->Unit(benchmark::kMillisecond);

// 6 hours per centimetre of one-second records: the whole window is 300,000 points.
void BM_DrawWindow_300k(benchmark::State& state) {
    const FileStorage& m = model(300'000);
    GraphPoints points(m);
    points.SetScale(360 * 60, pixels_per_cm);
    StripChart chart;
    SetUpGraphChart(chart, 96);
    chart.BottomAxis().SetRange(0, 250);
    ChartEvents events;
    DrawMarksAfterChart(chart, points, events);
    QImage image(800, 1000, QImage::Format_RGB32);
    chart.Layout(image.rect(), &image);
    double seconds = 0, filling = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        ShowGraphWindow(points, events, chart, 0, 0, 0xFF0000, pixels_per_cm);
        const auto filled = Clock::now();
        QPainter painter(&image);
        chart.Paint(painter, image.rect());
        painter.end();
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        filling += std::chrono::duration<double>(filled - start).count();
    }
    state.counters["points"] = static_cast<double>(chart.Series().Count());
    const double plain = plain_loop(m);
    report(state, seconds, plain);
    // The part that reads the records; the painting costs the same for any number of them.
    const double each = filling / static_cast<double>(state.iterations());
    state.counters["fill_ms"] = each * 1e3;
    state.counters["fill_ratio_to_plain_loop"] = each / plain;
}
BENCHMARK(BM_DrawWindow_300k)->Unit(benchmark::kMillisecond);

struct Quiet : Reporter {
    void error(const std::string&, const std::string& text) override {
        throw std::runtime_error(text);
    }
};

// "Открыть..." of a 1,000,000-record file until the graph tab has painted it.
void BM_OpenToFirstGraph_1M(benchmark::State& state) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("vornell-bench-graph-" + std::to_string(getpid()) + ".realtim"))
                                 .string();
    save_data_file(model(1'000'000), path, false);
    Quiet quiet;
    Storage doc(quiet);
    GrFormOptions options;
    TGrForm form(nullptr, options, doc.Data(), doc.Journal());
    form.resize(800, 1000);
    form.show();
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        doc.Open(path);
        form.ReloadData();
        benchmark::DoNotOptimize(form.GraphImage());
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    report(state, seconds, plain_loop(doc.Data()));
    std::filesystem::remove(path);
    std::filesystem::remove(Storage::JournalPath(path));
}
BENCHMARK(BM_OpenToFirstGraph_1M)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
