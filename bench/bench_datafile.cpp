// Native data file speed: load and save of a one-parameter file of 1,000,000 records, each next
// to a plain sequential pass over the same bytes, and the salvage scan of random bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "datafile/Assembling.h"
#include "formats/Formats.h"
#include "formats/Native_file.h"
#include "library/Binary_io.h"
#include "library/Fileworks.h"
#include "library/Mappedfile.h"

namespace {

constexpr int record_count = 1'000'000;

FileStorage& big_model() {
    static FileStorage* model = [] {
        auto* m = new FileStorage;
        FileStorageParam p;
        p.name = "Вес на крюке";
        p.short_name = "W кр.";
        p.unit = "т";
        p.ident = "вес_на_крюке";
        p.high = 250.0f;
        m->add_param(p);
        FileStorageItem item;
        item.values.resize(1);
        for (int i = 0; i < record_count; ++i) {
            item.time = 86400u + static_cast<std::uint32_t>(i);
            item.values[0] = static_cast<float>(i % 2500) * 0.1f;
            m->add_item(item);
        }
        return m;
    }();
    return *model;
}

// A directory in memory where there is one, so the disk does not dominate the save.
std::string scratch_path(const std::string& name) {
    const std::filesystem::path shm = "/dev/shm";
    const auto dir = std::filesystem::exists(shm) ? shm : std::filesystem::temp_directory_path();
    return (dir / ("vornell-bench-" + std::to_string(::getpid()) + "-" + name)).string();
}

const std::vector<std::uint8_t>& big_file_bytes() {
    static const std::vector<std::uint8_t> bytes = [] {
        const std::string path = scratch_path("bytes.realtim");
        save_data_file(big_model(), path, false);
        lib::io::InputMappedFile file;
        file.open(path, false);
        std::vector<std::uint8_t> out(file.base(), file.base() + file.size());
        file.close();
        lib::io::remove_file(path);
        return out;
    }();
    return bytes;
}

std::uint64_t checksum(const std::uint8_t* data, std::size_t size) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        sum += word;
    }
    return sum;
}

void per_record(benchmark::State& state) {
    // Printed in seconds with an SI prefix: "66n" is 66 ns per record.
    state.counters["time_per_record"] = benchmark::Counter(
        record_count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_LoadFromMemory(benchmark::State& state) {
    const auto& bytes = big_file_bytes();
    for (auto _ : state) {
        FileStorage model;
        lib::io::InputMemoryView view(bytes.data(), bytes.size());
        native::load(model, view, false);
        if (model.item_count() != record_count)
            state.SkipWithError("wrong record count");
        benchmark::DoNotOptimize(model.times().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    per_record(state);
}
BENCHMARK(BM_LoadFromMemory)->Unit(benchmark::kMillisecond);

void BM_LoadFile(benchmark::State& state) {
    const std::string path = scratch_path("load.realtim");
    save_data_file(big_model(), path, false);
    for (auto _ : state) {
        FileStorage model;
        load_data_file(model, path, false);
        benchmark::DoNotOptimize(model.times().data());
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * big_file_bytes().size()));
    per_record(state);
    lib::io::remove_file(path);
}
BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond);

// The floor for loading: one pass reading the same bytes.
void BM_SequentialRead(benchmark::State& state) {
    const auto& bytes = big_file_bytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(checksum(bytes.data(), bytes.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    per_record(state);
}
BENCHMARK(BM_SequentialRead)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
    FileStorage& model = big_model();
    const std::string path = scratch_path("save.realtim");
    for (auto _ : state)
        save_data_file(model, path, false);
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * big_file_bytes().size()));
    per_record(state);
    lib::io::remove_file(path);
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

// The floor for saving: the same bytes through the buffered file sink in 128 KiB pieces.
void BM_SequentialWrite(benchmark::State& state) {
    const auto& bytes = big_file_bytes();
    const std::string path = scratch_path("write.realtim");
    for (auto _ : state) {
        lib::io::BinaryOutputFileStream out;
        out.open(path, false, true);
        for (std::size_t pos = 0; pos < bytes.size(); pos += 0x20000)
            out.write(bytes.data() + pos, std::min<std::size_t>(0x20000, bytes.size() - pos));
        out.flush();
        out.file().sync();
        out.close();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    per_record(state);
    lib::io::remove_file(path);
}
BENCHMARK(BM_SequentialWrite)->Unit(benchmark::kMillisecond);

void BM_SalvageRandomBytes(benchmark::State& state) {
    std::vector<std::uint8_t> bytes(50u << 20);
    std::mt19937_64 random(20261208);
    for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
        const std::uint64_t word = random();
        std::memcpy(bytes.data() + i, &word, 8);
    }
    for (auto _ : state) {
        FileStorage model;
        lib::io::InputMemoryView view(bytes.data(), bytes.size());
        native::load(model, view, false);
        benchmark::DoNotOptimize(model.item_count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_SalvageRandomBytes)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
