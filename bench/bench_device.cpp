// Reading a 1,000,000-record logger over loopback TCP from vornell-logger-sim, communication log
// on: the measurement dump's rate, and the whole read's wall time with the protocol's own pauses.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "datafile/Recording.h"
#include "device/Hardware.h"
#include "device/Read_session.h"

namespace {

constexpr int records = 1000000;

// The simulator is built beside this program: <build>/tools/logger-sim/.
std::string simulator_path() {
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path() / "tools/logger-sim/vornell-logger-sim").string();
}

struct Simulator {
    QProcess process;
    std::string address;
    Simulator() {
        process.start(QString::fromStdString(simulator_path()),
                      {"--listen", "127.0.0.1:0", "--records", QString::number(records)});
        process.waitForStarted(5000);
        while (!process.canReadLine() && process.waitForReadyRead(30000)) {
        }
        const std::string line = process.readLine().trimmed().toStdString();
        address = line.substr(line.find(' ') + 1);
    }
    ~Simulator() {
        process.kill();
        process.waitForFinished(5000);
    }
};

std::string log_path() {
    return (std::filesystem::temp_directory_path() /
            ("vornell-bench-comm-" + std::to_string(::getpid()) + ".log"))
        .string();
}

void BM_MeasurementDump(benchmark::State& state) {
    Simulator sim;
    const std::string log = log_path();
    for (auto _ : state) {
        state.PauseTiming();
        Recording recording;
        device::SinkInto records_sink(recording);
        device::HardWare hw(log);
        hw.SetPortName(sim.address);
        device::HardwareTimings t;
        t.dump_pause_ms = 0;
        t.port.reconnect_pause_ms = 0;
        hw.SetTimings(t);
        device::SharedProgress shown; // what the reading dialog does with each report
        hw.SetProgressCallback([&](const device::ReadProgress& p) { shown.set(p); });
        hw.Open();
        state.ResumeTiming();
        // Beyond the dump this sends only two short commands; the dump is the whole cost.
        hw.ReadMeasurements(records_sink);
        state.PauseTiming();
        if (recording.data.item_count() != records)
            state.SkipWithError("records lost");
        hw.Close();
        std::filesystem::remove(log);
        state.ResumeTiming();
    }
    state.counters["records_per_second"] =
        benchmark::Counter(static_cast<double>(records) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void BM_WholeReadDefaultWaits(benchmark::State& state) {
    Simulator sim;
    const std::string log = log_path();
    for (auto _ : state) {
        Recording recording;
        device::SinkInto records_sink(recording);
        device::HardWare hw(log);
        hw.SetPortName(sim.address);
        device::SharedProgress shown;
        const device::ReadOutcome read = device::run_read_session(
            hw, records_sink, [&](const device::ReadProgress& p) { shown.set(p); });
        if (read.failure || recording.data.item_count() != records)
            state.SkipWithError(read.failure ? read.text.c_str() : "records lost");
        std::filesystem::remove(log);
    }
}

BENCHMARK(BM_MeasurementDump)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholeReadDefaultWaits)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
