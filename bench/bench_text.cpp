// Text conversions on the file-loading path: code pages, identifier comparison, numbers.
#include <benchmark/benchmark.h>

#include <string>

#include "library/Codepage.h"
#include "library/Numstr.h"

namespace {

// A run-information chunk: key=value lines, mostly Cyrillic.
std::string sample_cp1251() {
    std::string line = "\xcc\xe5\xf1\xf2\xee\xf0\xee\xe6\xe4\xe5\xed\xe8\xe5=\"\xd1\xe0\xec\xee"
                       "\xf2\xeb\xee\xf0\"\r\nWell=1234-\xc1\r\n";
    std::string out;
    while (out.size() < 64 * 1024)
        out += line;
    return out;
}

void BM_FromCp1251(benchmark::State& state) {
    const std::string bytes = sample_cp1251();
    for (auto _ : state)
        benchmark::DoNotOptimize(lib::from_cp1251(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_FromCp1251);

void BM_ToCp1251(benchmark::State& state) {
    const std::string utf8 = lib::from_cp1251(sample_cp1251());
    for (auto _ : state)
        benchmark::DoNotOptimize(lib::to_cp1251(utf8));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * utf8.size()));
}
BENCHMARK(BM_ToCp1251);

void BM_EqualIdent(benchmark::State& state) {
    const std::string a = "Вес на крюке";
    const std::string b = "ВЕС НА КРЮКЕ";
    for (auto _ : state)
        benchmark::DoNotOptimize(lib::equal_ident(a, b));
}
BENCHMARK(BM_EqualIdent);

void BM_TextToNumber(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(lib::text_to_number(" -1234,5678 т"));
}
BENCHMARK(BM_TextToNumber);

void BM_NumberToText(benchmark::State& state) {
    double v = 1234.5678;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lib::number_to_text(v));
        v += 0.001;
    }
}
BENCHMARK(BM_NumberToText);

} // namespace

BENCHMARK_MAIN();
