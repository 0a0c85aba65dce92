// The window given a file of 10,000,000 records on its command line, as `vornell FILE` starts:
// how long until the window is first painted (visible_ms) and until its graph tab has painted
// the recording (first_graph_ms), from the creation of the window.
#include <benchmark/benchmark.h>

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "app/Application.h"
#include "app/Main.h"
#include "datafile/Assembling.h"
#include "formats/Formats.h"
#include "library/Mytime.h"
#include "widgets/Stripchart.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

VornellApplication* application = nullptr;

fs::path scratch() {
    const fs::path shm = "/dev/shm";
    const fs::path dir = (fs::exists(shm) ? shm : fs::temp_directory_path()) /
                         ("vornell-bench-window-" + std::to_string(getpid()));
    fs::create_directories(dir);
    return dir;
}

std::string recording(const fs::path& dir, int count) {
    const std::string path = (dir / "big.realtim").string();
    FileStorage m;
    m.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
    FileStorageItem item;
    item.values = {0};
    for (int i = 0; i < count; ++i) {
        item.time = lib::parts_to_time(2008, 1, 31, 0, 0, 0) + 4 * static_cast<std::uint32_t>(i);
        item.values[0] = static_cast<float>(i % 2500) * 0.1f;
        m.add_item(item);
    }
    save_data_file(m, path, false);
    return path;
}

// Notes the first paint of the window and the first paint of its chart with records, then
// ends the event loop.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(Clock::time_point start) : start_(start) {}
    double visible_ms = -1, graph_ms = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        auto* window = dynamic_cast<TMainForm*>(widget->window());
        if (!window)
            return false;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
        if (visible_ms < 0)
            visible_ms = ms;
        if (graph_ms < 0 && dynamic_cast<StripChartWidget*>(widget) &&
            window->document().HasData()) {
            graph_ms = ms;
            QTimer::singleShot(0, application, [] { application->exit(0); });
        }
        return false;
    }

private:
    Clock::time_point start_;
};

void BM_WindowWithFile_10M(benchmark::State& state) {
    const fs::path dir = scratch();
    const std::string file = recording(dir, 10'000'000);
    double visible = 1e9, graph = 1e9;
    for (auto _ : state) {
        PaintWatch watch(Clock::now());
        application->installEventFilter(&watch);
        run_main_window(*application, (dir / "Vornell.ini").string(),
                        {QString::fromStdString(file)});
        application->removeEventFilter(&watch);
        visible = std::min(visible, watch.visible_ms);
        graph = std::min(graph, watch.graph_ms);
    }
    state.counters["visible_ms"] = visible;
    state.counters["first_graph_ms"] = graph;
    fs::remove_all(dir);
}
BENCHMARK(BM_WindowWithFile_10M)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    VornellApplication app(argc, argv);
    application = &app;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
