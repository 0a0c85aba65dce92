// The journal file of 1,000,000 events: the program's loader next to a plain hand-written
// parser of the same lines (the floor), each reporting time_per_line; the loader reports its
// ratio_to_hand_parser, measured in the same run because the machine is noisy.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "datafile/Journal.h"
#include "formats/Journal_file.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int line_count = 1'000'000;

const std::string& journal_text() {
    static const std::string text = [] {
        std::string out;
        char line[96];
        for (int i = 0; i < line_count; ++i) {
            const int n = std::snprintf(line, sizeof line, "%d %.10f 0.0000000000 %.3f\r\n", i % 15,
                                        46083.25 + i / 86400.0, (i % 1000) / 8.0);
            out.append(line, static_cast<std::size_t>(n));
        }
        return out;
    }();
    return text;
}

// The least a parser of these lines does: four numbers per line into a record.
std::vector<LogRecord> hand_parse(const std::string& text) {
    std::vector<LogRecord> out;
    out.reserve(line_count + 1);
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', end - p));
        if (!eol)
            eol = end;
        LogRecord r;
        const char* q = std::from_chars(p, eol, r.code).ptr;
        double fields[3] = {};
        for (double& field : fields) {
            while (q < eol && *q == ' ')
                ++q;
            q = std::from_chars(q, eol, field).ptr;
        }
        r.start = fields[0];
        r.end = fields[1];
        r.value = static_cast<float>(fields[2]);
        if (std::trunc(r.start) != 0)
            out.push_back(r);
        p = eol + 1;
    }
    return out;
}

double best_hand_parse_seconds() {
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(hand_parse(journal_text()));
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

void per_line(benchmark::State& state) {
    // Printed in seconds with an SI prefix: "120n" is 120 ns per line.
    state.counters["time_per_line"] = benchmark::Counter(
        line_count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_JournalHandParser_1M(benchmark::State& state) {
    journal_text(); // made before the clock runs
    for (auto _ : state)
        benchmark::DoNotOptimize(hand_parse(journal_text()));
    per_line(state);
}
BENCHMARK(BM_JournalHandParser_1M)->Unit(benchmark::kMillisecond);

void BM_JournalLoad_1M(benchmark::State& state) {
    const std::string& text = journal_text();
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        LogStorage journal;
        journal_file::load_text(journal, text);
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        if (journal.Count() != line_count)
            state.SkipWithError("wrong event count");
    }
    per_line(state);
    state.counters["ratio_to_hand_parser"] =
        seconds / static_cast<double>(state.iterations()) / best_hand_parse_seconds();
}
BENCHMARK(BM_JournalLoad_1M)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
