// The send job against the simulated card: CPU time, port accesses and the
// time the same job would take on real hardware (1 µs per port access plus the
// protocol's sleeps).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "link/card_link.h"
#include "link/port_discovery.h"
#include "sim/cartridge.h"
#include "sim/sim_parallel_port.h"
#include "tests/support/xorshift_bytes.h"

namespace {

namespace fs = std::filesystem;
using namespace zorvex;

constexpr double kSecondsPerAccess = 1e-6;

std::string WriteImage(size_t size, const char* name) {
    const std::vector<uint8_t> image = test::XorshiftBytes(size, 88172645u);
    std::string path = (fs::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(size));
    return path;
}

void RunSend(benchmark::State& state, uint8_t chip, size_t size, bool deepVerify, uint8_t mode) {
    const std::string path = WriteImage(size, "zorvex-bench-send.gb");
    double accesses = 0, modelled = 0, sleepMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto cart = std::make_unique<sim::Cartridge>(*sim::FindChip(chip));
        sim::SimParallelPort port;
        port.SetCartridge(cart.get());
        ListPortSource ports({0x378});
        CountingClock clock;
        NullMessageSink warnings;
        CardLink link(port, ports, clock, warnings);
        link.SetTransferMode(mode);
        port.ResetCounts();
        state.ResumeTiming();

        // Loaded inside the timing, as a front end loads it for each job.
        const SendResult sent = link.SendJob(LoadSendImage(path), {deepVerify});
        if (sent.result != 0) state.SkipWithError(sent.text.c_str());

        state.PauseTiming();
        accesses = static_cast<double>(port.accessCount());
        sleepMs = static_cast<double>(clock.totalMilliseconds);
        modelled = accesses * kSecondsPerAccess + sleepMs / 1000.0;
        state.ResumeTiming();
    }
    state.counters["port_accesses"] = accesses;
    state.counters["sleep_ms"] = sleepMs;
    state.counters["modelled_hw_s"] = modelled;
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
}

void BM_Send8MiBDeepVerify64M_Epp(benchmark::State& state) {
    RunSend(state, 64, 8 << 20, true, TransferAuto);
}
void BM_Send2MiB16M_Epp(benchmark::State& state) {
    RunSend(state, 16, 2 << 20, false, TransferAuto);
}
void BM_Send2MiB16M_Spp(benchmark::State& state) {
    RunSend(state, 16, 2 << 20, false, TransferSpp);
}

BENCHMARK(BM_Send8MiBDeepVerify64M_Epp)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Send2MiB16M_Epp)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Send2MiB16M_Spp)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
