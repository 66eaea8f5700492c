// The send job against the simulated card: CPU time, port accesses and the
// time the same job would take on real hardware (1 µs per port access, the
// chips' busy times passing as the polls' accesses, plus the protocol's
// sleeps); and sending again with "skip unchanged banks".
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

// A fresh simulated machine with one card, counting from Start().
struct Machine {
    Machine(uint8_t chip, uint8_t mode)
        : cart(*sim::FindChip(chip)), ports({0x378}), link(port, ports, clock, warnings) {
        port.SetCartridge(&cart);
        link.SetTransferMode(mode);
    }
    void Start() {
        port.ResetCounts();
        sleptBefore = clock.totalMilliseconds;
    }
    double SleepMs() const { return static_cast<double>(clock.totalMilliseconds - sleptBefore); }
    double Modelled() const {
        return static_cast<double>(port.accessCount()) * kSecondsPerAccess + SleepMs() / 1000.0;
    }

    sim::Cartridge cart;
    sim::SimParallelPort port;
    ListPortSource ports;
    CountingClock clock;
    NullMessageSink warnings;
    CardLink link;
    uint64_t sleptBefore = 0;
};

void RunSend(benchmark::State& state, uint8_t chip, size_t size, bool deepVerify, uint8_t mode) {
    const std::string path = WriteImage(size, "zorvex-bench-send.gb");
    double accesses = 0, modelled = 0, sleepMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto m = std::make_unique<Machine>(chip, mode);
        m->Start();
        state.ResumeTiming();

        // Loaded inside the timing, as a front end loads it for each job.
        const SendResult sent = m->link.SendJob(LoadSendImage(path), {deepVerify});
        if (sent.result != 0) state.SkipWithError(sent.text.c_str());

        state.PauseTiming();
        accesses = static_cast<double>(m->port.accessCount());
        sleepMs = m->SleepMs();
        modelled = m->Modelled();
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

// Sending again with "skip unchanged banks" and Deep Verify, in EPP.
enum class Resend { Unchanged, OneBank, BlankCard };

// The largest image each chip takes.
size_t ImageSize(uint8_t chip) {
    return chip == 4 ? 0x80000 : chip == 16 ? 0x200000 : 0x800000;
}

void RunResend(benchmark::State& state, uint8_t chip, Resend what) {
    std::vector<uint8_t> bytes = test::XorshiftBytes(ImageSize(chip), 0xC0FFEE + chip);
    double modelled = 0, accesses = 0;
    int written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto m = std::make_unique<Machine>(chip, TransferEpp);
        CardLink& link = m->link;
        SendImage image;
        image.image = RomImage(bytes);
        image.length = static_cast<int32_t>(bytes.size());
        image.name = "BENCH";
        const SendOptions options{true, true};
        if (what != Resend::BlankCard) {
            if (link.SendJob(image, {true, false}).result != 0) state.SkipWithError("first send");
            if (what == Resend::OneBank) image.image.bytes()[5 * kRomBankSize + 7] ^= 0x5A;
        }
        m->Start();
        state.ResumeTiming();

        const SendResult job = link.SendJob(image, options);

        state.PauseTiming();
        if (job.result != 0) state.SkipWithError(job.text.c_str());
        accesses = static_cast<double>(m->port.accessCount());
        modelled = m->Modelled();
        written = job.report.banks - job.report.banksUnchanged;
        state.ResumeTiming();
    }
    state.counters["port_accesses"] = accesses;
    state.counters["modelled_hw_s"] = modelled;
    state.counters["banks_written"] = written;
}

void BM_Resend(benchmark::State& state) {
    RunResend(state, static_cast<uint8_t>(state.range(0)), static_cast<Resend>(state.range(1)));
}

// chip, then 0 unchanged, 1 one bank changed, 2 blank card.
BENCHMARK(BM_Resend)
    ->ArgNames({"chip", "case"})
    ->ArgsProduct({{4, 16, 64}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
