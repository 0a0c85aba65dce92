// Rig activity over 1,000,000 and 10,000,000 records: the whole analysis (estimate and periods)
// and the periods alone for a block weight the user set. The window runs it on the GUI thread
// only when it takes under 50 ms. plain_loop_ms is one pass reading every record's time and
// value, measured in the same run, because the machine is noisy.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <span>

#include "analysis/Activity.h"

namespace {

// A record a second: stands of 40 minutes on the hook, 3 minutes in the slips between them.
FileStorage& model(int count) {
    static std::map<int, std::unique_ptr<FileStorage>> models;
    auto& m = models[count];
    if (!m) {
        m = std::make_unique<FileStorage>();
        m->add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
        FileStorageItem item;
        item.values = {0};
        for (int i = 0; i < count; ++i) {
            item.time = 1'772'517'600u + static_cast<std::uint32_t>(i);
            const int in_stand = i % 2580;
            item.values[0] = in_stand < 180 ? 22.0f + static_cast<float>(i % 5) * 0.1f
                                            : 95.0f + static_cast<float>(i % 97) * 0.1f;
            m->add_item(item);
        }
    }
    return *m;
}

double plain_loop_ms(const FileStorage& m) {
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
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
        best = std::min(best, std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - start)
                                  .count());
    }
    return best;
}

void run(benchmark::State& state, std::optional<double> block_weight) {
    const FileStorage& m = model(static_cast<int>(state.range(0)));
    analysis::ActivitySettings settings;
    settings.block_weight = block_weight;
    int periods = 0;
    for (auto _ : state) {
        const analysis::Activity a = analysis::analyse_activity(m, 0, settings);
        periods = a.count();
        benchmark::DoNotOptimize(periods);
    }
    state.counters["periods"] = periods;
    state.counters["plain_loop_ms"] = plain_loop_ms(m);
}

void BM_Activity_Estimated(benchmark::State& state) {
    run(state, std::nullopt);
}
void BM_Activity_GivenBlockWeight(benchmark::State& state) {
    run(state, 22.0);
}

} // namespace

BENCHMARK(BM_Activity_Estimated)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Activity_GivenBlockWeight)
    ->Arg(1'000'000)
    ->Arg(10'000'000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
