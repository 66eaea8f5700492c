// Sending again with "skip unchanged banks": the same image twice, one bank
// changed, and a first send to an erased card, each with Deep Verify, in EPP.
// Modelled as the send job rows: 1 µs per port access (the chips' busy times
// pass as the polls' accesses) plus the protocol's sleeps.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "link/card_link.h"
#include "link/port_discovery.h"
#include "sim/cartridge.h"
#include "sim/sim_parallel_port.h"
#include "tests/support/xorshift_bytes.h"

namespace {

using namespace zorvex;

constexpr double kSecondsPerAccess = 1e-6;

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
        auto cart = std::make_unique<sim::Cartridge>(*sim::FindChip(chip));
        sim::SimParallelPort port;
        port.SetCartridge(cart.get());
        ListPortSource ports({0x378});
        CountingClock clock;
        NullMessageSink warnings;
        CardLink link(port, ports, clock, warnings);
        link.SetTransferMode(TransferEpp);
        SendImage image;
        image.image = RomImage(bytes);
        image.length = static_cast<int32_t>(bytes.size());
        image.name = "BENCH";
        const SendOptions options{true, true};
        if (what != Resend::BlankCard) {
            if (link.SendJob(image, {true, false}).result != 0) state.SkipWithError("first send");
            if (what == Resend::OneBank) image.image.bytes()[5 * kRomBankSize + 7] ^= 0x5A;
        }
        port.ResetCounts();
        const uint64_t sleptBefore = clock.totalMilliseconds;
        state.ResumeTiming();

        const SendResult job = link.SendJob(image, options);

        state.PauseTiming();
        if (job.result != 0) state.SkipWithError(job.text.c_str());
        accesses = static_cast<double>(port.accessCount());
        modelled = accesses * kSecondsPerAccess +
                   static_cast<double>(clock.totalMilliseconds - sleptBefore) / 1000.0;
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
